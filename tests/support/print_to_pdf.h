// Confirms a print dialog with its job sent to a PDF file. Where the machine
// has a print system, the dialog starts on the default printer and ignores
// the file name, so the file printer has to be chosen first, or every print
// would be a job on that printer.
#ifndef KESTRIX_PRINT_TO_PDF_H
#define KESTRIX_PRINT_TO_PDF_H

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPrintDialog>

// False, with the dialog cancelled, where it offers no file printer.
inline bool printToPdfFile(QWidget *printDialog, const QString &path)
{
    auto *dialog = qobject_cast<QDialog *>(printDialog);
    auto *printers = printDialog->findChild<QComboBox *>(QStringLiteral("printers"));
    const int file = printers ? printers->findText(QPrintDialog::tr("Print to File (PDF)")) : -1;
    if (file < 0) {
        dialog->reject();
        return false;
    }
    printers->setCurrentIndex(file);
    printDialog->findChild<QLineEdit *>(QStringLiteral("filename"))->setText(path);
    dialog->accept();
    return true;
}

#endif // KESTRIX_PRINT_TO_PDF_H
