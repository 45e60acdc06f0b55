#include "about_dialog.h"
#include "ui_about_dialog.h"

#include "changelog.h"
#include "constants.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTextCursor>
#include <QTextDocument>

namespace {
const QString maker_web_address = QStringLiteral("https://www.tarvell.example");
// The notices in the form name the Qt of the original build; the line is
// rewritten with the Qt this program was really built against and runs on.
const QString form_qt_line = QStringLiteral("Qt 5.12.2 (built against 5.12.2)");
const QString licence_resource = QStringLiteral(":/licenses/LGPL-3");
} // namespace

about_dialog::about_dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_about_dialog)
{
    ui->setupUi(this);
    show_library_versions();
    append_licence_text();

    // The version stands in the application's own type, not the dialog's.
    QFont version_font = QApplication::font();
    version_font.setPointSize(10);
    ui->label_3->setFont(version_font);
    ui->label_3->setText(QString::number(program_version, 'f', 2));
    ui->textBrowser->setOpenExternalLinks(true);

    ui->label_5->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(maker_web_address));
    ui->label_5->setTextFormat(Qt::RichText);
    ui->label_5->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                         | Qt::LinksAccessibleByKeyboard);
    ui->label_5->setOpenExternalLinks(true);
}

about_dialog::~about_dialog()
{
    delete ui;
}

void about_dialog::show_library_versions()
{
    QTextCursor line = ui->textBrowser->document()->find(form_qt_line);
    if (line.isNull())
        return;
    line.insertText(QStringLiteral("Qt %1 (built against %2)")
                        .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR)));
}

// The licence is kept as the plain text file it is published as; inserted as
// text (not HTML) so that none of its characters are taken for markup.
void about_dialog::append_licence_text()
{
    QFile licence(licence_resource);
    if (!licence.open(QIODevice::ReadOnly))
        return;
    QTextCursor end(ui->textBrowser->document());
    end.movePosition(QTextCursor::End);
    end.insertBlock();
    end.insertText(QString::fromUtf8(licence.readAll()));
    ui->textBrowser->moveCursor(QTextCursor::Start);
}

void about_dialog::on_pushButton_2_clicked()
{
    QMessageBox::aboutQt(this, QStringLiteral("About Qt"));
}

void about_dialog::on_pushButton_clicked()
{
    close();
}

void about_dialog::on_pushButton_3_clicked()
{
    changelog notes;
    notes.setModal(true);
    notes.exec();
}
