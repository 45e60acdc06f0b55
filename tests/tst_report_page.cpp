// The report-type chooser, the filled report page and its printing.
#include "box_answerer.h"
#include "dark_theme.h"
#include "globals.h"
#include "preprint_dialog.h"
#include "print_form_a.h"
#include "print_to_pdf.h"
#include "test_main.h"
#include "tst_report_springs.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>

using namespace test_springs;

namespace {

// First label of each table column (caption, then the seven results); row r
// of a column is that number + r.
const int column_first_label[] = {33, 78, 62, 94, 114, 130, 146, 162};

QString text_of(const QWidget &form, int label)
{
    const auto *widget = form.findChild<QLabel *>(QStringLiteral("label_%1").arg(label));
    return widget ? widget->text() : QStringLiteral("<no label_%1>").arg(label);
}

QStringList row_texts(const QWidget &form, int row)
{
    QStringList texts;
    for (int first : column_first_label)
        texts << text_of(form, first + row);
    return texts;
}

QList<QStringList> table_texts(const QWidget &form)
{
    QList<QStringList> rows;
    for (int row = 0; row < 16; ++row)
        rows << row_texts(form, row);
    return rows;
}

QStringList blank_row()
{
    return QStringList{"", "", "", "", "", "", "", ""};
}

void click_ok(QWidget *chooser)
{
    chooser->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))
        ->button(QDialogButtonBox::Ok)
        ->click();
}

QStringList classes_seen(const BoxAnswerer &answerer)
{
    QStringList classes;
    for (const BoxAnswerer::Seen &seen : answerer.seen)
        classes << seen.className;
    return classes;
}

// Prints to the PDF file through the print dialog.
BoxAnswerer::Handler print_to(const QString &path)
{
    return [path](QWidget *w) { QVERIFY(printToPdfFile(w, path)); };
}

int pdf_pages(const QString &path, QSizeF *points)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {path});
    if (!info.waitForFinished(20000))
        return -1;
    const QString out = QString::fromLocal8Bit(info.readAllStandardOutput());
    const QRegularExpression size(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)"));
    const auto m = size.match(out);
    if (points && m.hasMatch())
        *points = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(out);
    return pages.hasMatch() ? pages.captured(1).toInt() : -1;
}

QImage pdf_to_image(const QString &pdf, int dpi)
{
    const QString stem = pdf + QStringLiteral("-page");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".png"));
}

bool dark(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 160;
}

// Counts the report's close events and whether the print file was finished then.
class CloseWatch : public QObject
{
public:
    explicit CloseWatch(const QString &file) : file(file) {}
    int closes = 0;
    bool finished_at_close = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close && watched->inherits("print_form_a")) {
            ++closes;
            QFile printed(file);
            finished_at_close = printed.open(QIODevice::ReadOnly)
                                && printed.readAll().trimmed().endsWith("%%EOF");
        }
        return false;
    }

private:
    QString file;
};

} // namespace

class tst_report_page : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void chooserShowsTheStoredType_data();
    void chooserShowsTheStoredType();
    void chooserTogglesAndCancelKeepTheType();
    void okWithoutTypeOpensAFreshChooser();
    void missingTargetsAreRefused_data();
    void missingTargetsAreRefused();
    void anyNonZeroTargetCountsAsEntered();
    void headerFill();
    void longEntriesStayReadable();
    void sessionCaptionsClearOfTheirValues();
    void pageIsInkOnPaperUnderADarkTheme();
    void resultRowsForEachType_data();
    void resultRowsForEachType();
    void rowsOnlyForRecordedValves();
    void emptySessionPrintsHeadersOnly();
    void missingEstimatesShowAMark();
    void printingTwiceGivesTheSamePage();
    void cancelledPrintWarnsOnce();
    void renderedPdfIsOneCentredLandscapePage();
    void acceptedPrintDialogPrintsOnePage();
};

void tst_report_page::init()
{
    clear_curves();
    set_session_values();
    report_type = 1;
    company_name = QStringLiteral("Ridgeway Engines");
    company_address = QStringLiteral("14 Foundry Lane");
    company_city = QStringLiteral("Dayton");
    company_state = QStringLiteral("OH");
    company_zip = QStringLiteral("45402");
    company_phone = QStringLiteral("937-555-0142");
    company_email = QStringLiteral("shop@ridgeway.example");
    company_web = QStringLiteral("ridgeway.example");
    company_operator = QStringLiteral("M. Okafor");
    customer_name = QStringLiteral("J. Alvarez");
    engine_description = QStringLiteral("Small block V8");
    spring_part_no = QStringLiteral("PAC-1218");
    session_notes = QStringLiteral("Springs shimmed 0.030 on intake.");
    session_file_name = QStringLiteral("/home/shop/alvarez.tvq");
    session_date = QStringLiteral("Mon Dec 7 2026 / 8:15 am");
    in_retainer_thickness = 0.1;
    ex_retainer_thickness = 0.0;
}

void tst_report_page::chooserShowsTheStoredType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("checked");
    QTest::newRow("none") << 0 << QString();
    QTest::newRow("installed height") << 1 << QStringLiteral("TIH_radioButton");
    QTest::newRow("seat load") << 2 << QStringLiteral("TSP_radioButton");
    QTest::newRow("bind clearance") << 3 << QStringLiteral("TBH_radioButton");
}

void tst_report_page::chooserShowsTheStoredType()
{
    QFETCH(int, type);
    QFETCH(QString, checked);
    report_type = type;
    preprint_dialog chooser;
    QCOMPARE(chooser.windowTitle(), QStringLiteral("Print Report"));
    for (const QRadioButton *button : chooser.findChildren<QRadioButton *>())
        QCOMPARE(button->isChecked(), button->objectName() == checked);
    QCOMPARE(report_type, type);
}

void tst_report_page::chooserTogglesAndCancelKeepTheType()
{
    report_type = 1;
    preprint_dialog chooser;
    chooser.findChild<QRadioButton *>(QStringLiteral("TBH_radioButton"))->click();
    QCOMPARE(report_type, 3);
    chooser.findChild<QRadioButton *>(QStringLiteral("TSP_radioButton"))->click();
    QCOMPARE(report_type, 2);

    BoxAnswerer answerer;
    answerer.queue([](QWidget *w) {
        w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    });
    QCOMPARE(chooser.exec(), int(QDialog::Rejected));
    QCOMPARE(report_type, 2);
    QCOMPARE(classes_seen(answerer), QStringList{"preprint_dialog"});
}

void tst_report_page::okWithoutTypeOpensAFreshChooser()
{
    report_type = 0;
    store_a(1);
    preprint_dialog chooser;
    BoxAnswerer answerer;
    bool fresh_has_no_choice = false;
    answerer.queue(BoxAnswerer::click(QMessageBox::Ok));
    answerer.queue([&](QWidget *w) {
        fresh_has_no_choice = true;
        for (const QRadioButton *button : w->findChildren<QRadioButton *>())
            fresh_has_no_choice = fresh_has_no_choice && !button->isChecked();
        w->findChild<QRadioButton *>(QStringLiteral("TIH_radioButton"))->click();
        // The answerer's timer does not fire again inside its own handler, so
        // the print dialog that OK opens must come from a fresh event.
        QTimer::singleShot(0, w, [w] { click_ok(w); });
    });
    click_ok(&chooser);

    QVERIFY(fresh_has_no_choice);
    QCOMPARE(classes_seen(answerer),
             (QStringList{"QMessageBox", "preprint_dialog", "QPrintDialog", "QMessageBox"}));
    QCOMPARE(answerer.seen[0].title, QStringLiteral("Warning"));
    QCOMPARE(answerer.seen[0].text, QStringLiteral("You must choose a report type"));
    QCOMPARE(answerer.seen[0].icon, QMessageBox::Information);
    QCOMPARE(answerer.seen[3].text, QStringLiteral("User Canceled Print"));
    QCOMPARE(report_type, 1);
}

void tst_report_page::missingTargetsAreRefused_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<double>("intake");
    QTest::addColumn<double>("exhaust");
    QTest::addColumn<QString>("line");
    const QString inst = QStringLiteral("Please enter data for both intake and exhaust installed height");
    const QString seat = QStringLiteral("Please enter data for both intake and exhaust target seat load");
    const QString bind =
        QStringLiteral("Please enter data for both intake and exhaust target bind clearance");
    QTest::newRow("installed height, intake only") << 1 << 1.8 << 0.0 << inst;
    QTest::newRow("installed height, exhaust only") << 1 << 0.0 << 1.7 << inst;
    QTest::newRow("seat load, intake only") << 2 << 120.0 << 0.0 << seat;
    QTest::newRow("seat load, exhaust only") << 2 << 0.0 << 130.0 << seat;
    QTest::newRow("bind clearance, none") << 3 << 0.0 << 0.0 << bind;
    QTest::newRow("bind clearance, exhaust only") << 3 << 0.0 << 0.05 << bind;
}

void tst_report_page::missingTargetsAreRefused()
{
    QFETCH(int, type);
    QFETCH(double, intake);
    QFETCH(double, exhaust);
    QFETCH(QString, line);
    double *const targets[][2] = {{&in_inst_height, &ex_inst_height},
                                  {&in_targ_seat_press, &ex_targ_seat_press},
                                  {&in_targ_bind_clear, &ex_targ_bind_clear}};
    *targets[type - 1][0] = intake;
    *targets[type - 1][1] = exhaust;
    report_type = type;
    store_a(1);

    preprint_dialog chooser;
    BoxAnswerer answerer;
    click_ok(&chooser);

    QCOMPARE(classes_seen(answerer), QStringList{"QMessageBox"});
    QCOMPARE(answerer.seen[0].title, QStringLiteral("Warning"));
    QCOMPARE(answerer.seen[0].text, QStringLiteral("Cannot generate report.\n") + line);
    QCOMPARE(answerer.seen[0].icon, QMessageBox::Information);
}

void tst_report_page::anyNonZeroTargetCountsAsEntered()
{
    // Only the chosen type's targets are checked; the others may be missing.
    in_targ_bind_clear = -0.01;
    in_inst_height = 0;
    report_type = 3;
    preprint_dialog chooser;
    BoxAnswerer answerer;
    click_ok(&chooser);
    QCOMPARE(classes_seen(answerer), (QStringList{"QPrintDialog", "QMessageBox"}));
}

void tst_report_page::headerFill()
{
    company_city.clear();
    in_valve_lift = 0;
    BoxAnswerer answerer;
    const QDate today = QDate::currentDate();
    print_form_a page;

    QCOMPARE(page.size(), QSize(825, 638));
    const QStringList company{text_of(page, 2), text_of(page, 4), text_of(page, 5),
                              text_of(page, 6), text_of(page, 7), text_of(page, 8),
                              text_of(page, 9)};
    QCOMPARE(page.findChild<QLabel *>(QStringLiteral("label"))->text(), company_name);
    QCOMPARE(company, (QStringList{"14 Foundry Lane", ", ", "OH", "45402", "937-555-0142",
                                   "shop@ridgeway.example", "ridgeway.example"}));
    QCOMPARE((QStringList{text_of(page, 14), text_of(page, 15), text_of(page, 16),
                          text_of(page, 22), text_of(page, 24), text_of(page, 20)}),
             (QStringList{"J. Alvarez", "Small block V8", "PAC-1218", "/home/shop/alvarez.tvq",
                          "Mon Dec 7 2026 / 8:15 am", "M. Okafor"}));
    QCOMPARE(page.findChild<QTextBrowser *>()->toPlainText(), session_notes);
    QCOMPARE((QStringList{text_of(page, 29), text_of(page, 30), text_of(page, 59),
                          text_of(page, 60), text_of(page, 31), text_of(page, 32),
                          text_of(page, 112), text_of(page, 113)}),
             (QStringList{"0.000", "0.600", "0.050", "0.100", "0.100", "0.000", "20.000",
                          "0.000"}));
    QCOMPARE(text_of(page, 3), QStringLiteral("Tarvell Engineering - Kestrix Software - V 1.12"));
    QCOMPARE(page.findChild<QWidget *>(QStringLiteral("printform"))->styleSheet(),
             QStringLiteral("background-color: rgb(255, 255, 255); color: rgb(0, 0, 0)"));
    const QRegularExpression date(QStringLiteral("^(.+) / (1[0-2]|[1-9]):[0-5]\\d (am|pm)$"));
    const auto match = date.match(text_of(page, 17));
    QVERIFY2(match.hasMatch(), qPrintable(text_of(page, 17)));
    QVERIFY(match.captured(1) == today.toString(Qt::TextDate)
            || match.captured(1) == QDate::currentDate().toString(Qt::TextDate));
    QCOMPARE(text_of(page, 61), QStringLiteral("Target Installed Height Report"));
}

void tst_report_page::longEntriesStayReadable()
{
    company_name = QStringLiteral("Ridgeway Engine Builders of Greater Dayton");
    company_email = QStringLiteral("service.department@ridgeway-engine-builders.example");
    company_city = QStringLiteral("Rancho Santa Margarita");
    company_state = QStringLiteral("CA");
    company_zip = QStringLiteral("92688-1234");
    engine_description = QStringLiteral("Chevrolet 454 big block, solid roller cam");
    session_file_name = QStringLiteral("C:/Users/shop/Documents/Kestrix/alvarez_454_big_block.tvq");
    session_notes = QStringLiteral("Seat <b>load</b> checked twice &lt; target on #3.\n"
                                   "Intake springs shimmed 0.030 after the first test.\n"
                                   "Exhaust #6 replaced; retested with the new spring.\n"
                                   "Customer to collect on Friday with the heads.\n"
                                   "Lash set hot.");
    BoxAnswerer answerer;
    print_form_a form;
    const QWidget *page = form.findChild<QWidget *>(QStringLiteral("printform"));
    const auto left_of = [page](const char *name) {
        return page->findChild<QWidget *>(QLatin1String(name))->mapTo(page, QPoint(0, 0)).x();
    };
    // Where each entry's neighbour starts to cover it.
    const int session_block = left_of("frame_2");
    const int date_column = left_of("frame_3");
    const int page_edge = session_block + page->findChild<QWidget *>(QStringLiteral("frame_2"))->width();
    const QList<QPair<const char *, int>> entries{
        {"label", session_block}, {"label_8", session_block}, {"label_15", date_column},
        {"label_22", page_edge}};
    for (const auto &entry : entries) {
        const QLabel *label = page->findChild<QLabel *>(QLatin1String(entry.first));
        const qreal width = QFontMetricsF(label->font()).horizontalAdvance(label->text());
        QVERIFY2(left_of(entry.first) + width <= entry.second,
                 qPrintable(QStringLiteral("%1 runs %2 px under its neighbour")
                                .arg(QLatin1String(entry.first))
                                .arg(left_of(entry.first) + width - entry.second)));
    }
    // City, state and postal code share one line.
    qreal address_line = 2 * 2;
    for (const char *name : {"label_4", "label_5", "label_6"}) {
        const QLabel *label = page->findChild<QLabel *>(QLatin1String(name));
        address_line += QFontMetricsF(label->font()).horizontalAdvance(label->text());
    }
    QVERIFY2(left_of("label_4") + address_line <= session_block,
             qPrintable(QString::number(left_of("label_4") + address_line - session_block)));
    // Short entries keep their design type.
    QCOMPARE(page->findChild<QLabel *>(QStringLiteral("label_14"))->font().pointSizeF(), 8.0);

    // The notes print as typed, every line of them inside their box.
    const auto *notes = page->findChild<QTextBrowser *>();
    QCOMPARE(notes->toPlainText(), session_notes);
    QVERIFY(notes->document()->size().height() <= notes->contentsRect().height());
}

// Caption and value share a line; at least a blank has to part them, or
// "Valve Spring Part #:" runs into the part number.
void tst_report_page::sessionCaptionsClearOfTheirValues()
{
    BoxAnswerer answerer;
    print_form_a form;
    const QWidget *page = form.findChild<QWidget *>(QStringLiteral("printform"));
    const QList<QPair<const char *, const char *>> lines{
        {"label_10", "label_14"}, {"label_11", "label_15"}, {"label_12", "label_16"}};
    for (const auto &line : lines) {
        const QLabel *caption = page->findChild<QLabel *>(QLatin1String(line.first));
        const QLabel *value = page->findChild<QLabel *>(QLatin1String(line.second));
        const QFontMetricsF metrics(caption->font());
        const qreal end = caption->mapTo(page, QPoint(0, 0)).x() + metrics.horizontalAdvance(caption->text())
                          + metrics.horizontalAdvance(QLatin1Char(' '));
        const int start = value->mapTo(page, QPoint(0, 0)).x();
        QVERIFY2(end <= start, qPrintable(QStringLiteral("\"%1\" ends at %2, its value starts at %3")
                                              .arg(caption->text()).arg(end).arg(start)));
    }
}

// The page is printed on white paper, whatever colours the desktop gives
// the program: under a dark theme its texts must not turn white with it.
void tst_report_page::pageIsInkOnPaperUnderADarkTheme()
{
    store_a(1);
    store_b(2);
    BoxAnswerer answerer;
    const auto ink_on_paper = [] {
        print_form_a form;
        QWidget *page = form.findChild<QWidget *>(QStringLiteral("printform"));
        QImage paper(page->size(), QImage::Format_RGB32);
        paper.fill(Qt::white);
        page->render(&paper, QPoint(), QRegion(),
                     QWidget::DrawWindowBackground | QWidget::DrawChildren);
        return inkPixels(paper);
    };
    const int plain = ink_on_paper();
    int themed = 0;
    {
        DarkTheme theme;
        themed = ink_on_paper();
    }
    QVERIFY2(plain > 5000, qPrintable(QString::number(plain)));
    QVERIFY2(qAbs(themed - plain) <= plain / 20,
             qPrintable(QStringLiteral("%1 ink pixels under a dark theme, %2 under the default")
                            .arg(themed)
                            .arg(plain)));
}

void tst_report_page::resultRowsForEachType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("intake");
    QTest::addColumn<QStringList>("exhaust");
    // Values worked out in tst_report_results; here their cell texts.
    QTest::newRow("installed height")
        << 1 << "Target Installed Height Report"
        << QStringList{"1 Intake", "1.800", "101", "1.400", "203", "0.441", "0.959", "255"}
        << QStringList{"1 Exhaust", "1.700", "132", "1.200", "260", "0.345", "0.855", "256"};
    QTest::newRow("seat load")
        << 2 << "Target Seat Load Report"
        << QStringList{"1 Intake", "1.608", "150", "1.208", "252", "0.441", "0.767", "254"}
        << QStringList{"1 Exhaust", "1.434", "200", "0.934", "328", "0.345", "0.588", "255"};
    QTest::newRow("bind clearance")
        << 3 << "Target Bind Clearance Report"
        << QStringList{"1 Intake", "0.901", "331", "0.501", "433", "0.441", "0.060", "255"}
        << QStringList{"1 Exhaust", "0.885", "340", "0.385", "468", "0.345", "0.040", "256"};
}

void tst_report_page::resultRowsForEachType()
{
    QFETCH(int, type);
    QFETCH(QString, title);
    QFETCH(QStringList, intake);
    QFETCH(QStringList, exhaust);
    store_a(1);
    store_b(2);
    report_type = type;
    BoxAnswerer answerer;
    print_form_a page;
    QCOMPARE(text_of(page, 61), title);
    QCOMPARE(page.findChild<QStackedWidget *>()->currentIndex(), 1);
    QCOMPARE(row_texts(page, 0), intake);
    QCOMPARE(row_texts(page, 1), exhaust);
}

void tst_report_page::rowsOnlyForRecordedValves()
{
    store_a(5);  // 3 Intake
    store_b(16); // 8 Exhaust
    BoxAnswerer answerer;
    print_form_a page;
    const QList<QStringList> rows = table_texts(page);
    for (int row = 0; row < 16; ++row) {
        if (row == 4)
            QCOMPARE(rows[row].first(), QStringLiteral("3 Intake"));
        else if (row == 15)
            QCOMPARE(rows[row].first(), QStringLiteral("8 Exhaust"));
        else
            QCOMPARE(rows[row], blank_row());
    }
    QCOMPARE(rows[4].at(1), QStringLiteral("1.800"));
    QCOMPARE(rows[15].at(1), QStringLiteral("1.700"));
}

void tst_report_page::emptySessionPrintsHeadersOnly()
{
    report_type = 2;
    BoxAnswerer answerer;
    print_form_a page;
    for (const QStringList &row : table_texts(page))
        QCOMPARE(row, blank_row());
    QCOMPARE((QStringList{text_of(page, 49), text_of(page, 51), text_of(page, 50),
                          text_of(page, 53), text_of(page, 52), text_of(page, 54),
                          text_of(page, 55), text_of(page, 56)}),
             (QStringList{"", "Installed Height", "Seat Load", "Open Height", "Open Load",
                          "Bind Height", "Bind Clearance", "Rate"}));
    QCOMPARE(text_of(page, 61), QStringLiteral("Target Seat Load Report"));
    QCOMPARE(page.findChild<QStackedWidget *>()->currentIndex(), 1);
}

void tst_report_page::missingEstimatesShowAMark()
{
    store_a(1);
    valve_heights[3] = falling_heights(5);
    valve_loads[3] = {60, 70, 80, 90, 100};
    BoxAnswerer answerer;
    print_form_a page;
    QCOMPARE(row_texts(page, 0),
             (QStringList{"1 Intake", "1.800", "101", "1.400", "203", "0.441", "0.959", "255"}));
    QCOMPARE(row_texts(page, 2),
             (QStringList{"2 Intake", "1.800", "---", "1.400", "---", "1.984", "-0.584", "---"}));
}

void tst_report_page::printingTwiceGivesTheSamePage()
{
    for (int v = 1; v <= 16; v += 2) {
        store_a(v);
        store_b(v + 1);
    }
    const QVector<double> stored = valve_heights[2];
    active_heights = valve_heights[2];
    BoxAnswerer answerer;
    QList<QStringList> first;
    {
        print_form_a page;
        first = table_texts(page);
    }
    print_form_a again;
    QCOMPARE(table_texts(again), first);
    QCOMPARE(first[15].first(), QStringLiteral("8 Exhaust"));
    QCOMPARE(first[15].at(2), QStringLiteral("132"));
    QCOMPARE(valve_heights[2], stored);
    QCOMPARE(active_heights, stored);
}

void tst_report_page::cancelledPrintWarnsOnce()
{
    store_a(1);
    BoxAnswerer answerer;
    answerer.queue(BoxAnswerer::reject());
    {
        print_form_a page;
    }
    QTest::qWait(100);
    QCOMPARE(classes_seen(answerer), (QStringList{"QPrintDialog", "QMessageBox"}));
    QCOMPARE(answerer.seen[1].title, QStringLiteral("Warning"));
    QCOMPARE(answerer.seen[1].text, QStringLiteral("User Canceled Print"));
    QCOMPARE(answerer.seen[1].icon, QMessageBox::Warning);
}

void tst_report_page::renderedPdfIsOneCentredLandscapePage()
{
    store_a(1);
    store_b(2);
    BoxAnswerer answerer;
    print_form_a page;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageOrientation(QPageLayout::Landscape);
    // Wide, uneven margins make an off-centre page plain to see.
    printer.setPageMargins(QMarginsF(30, 20, 10, 25), QPageLayout::Millimeter);
    page.render_page(printer);

    QSizeF points;
    QCOMPARE(pdf_pages(pdf, &points), 1);
    QVERIFY2(points.width() > points.height(), "landscape");

    const int dpi = 100;
    const QImage image = pdf_to_image(pdf, dpi);
    QVERIFY(!image.isNull());
    // Where the widget's points should land: centred on the paper, one scale
    // factor for both directions, limited by the printable area.
    const QRectF area = printer.pageRect(QPrinter::DevicePixel);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double scale = qMin(area.width() / 825, area.height() / 638);
    const double ratio = double(dpi) / printer.resolution();
    const auto at = [&](double x, double y) {
        return QPointF((paper.center().x() + (x - 412) * scale) * ratio,
                       (paper.center().y() + (y - 319) * scale) * ratio);
    };

    // The result table's frame: left and right sides on the row of y = 400,
    // bottom side in the column of x = 790.
    const int row = qRound(at(0, 400).y());
    int left = 0;
    while (left < image.width() && !dark(image, left, row))
        ++left;
    int right = image.width() - 1;
    while (right > 0 && !dark(image, right, row))
        --right;
    const int column = qRound(at(790, 0).x());
    int bottom = image.height() - 1;
    while (bottom > 0 && !dark(image, column, bottom))
        --bottom;
    QVERIFY2(qAbs(left - at(20, 0).x()) <= 3, qPrintable(QString::number(left)));
    QVERIFY2(qAbs(right - at(799, 0).x()) <= 3, qPrintable(QString::number(right)));
    QVERIFY2(qAbs(bottom - at(0, 603).y()) <= 3, qPrintable(QString::number(bottom)));
    // And something is printed inside it: the result rows.
    int ink = 0;
    for (int y = qRound(at(0, 200).y()); y < qRound(at(0, 590).y()); ++y)
        for (int x = left + 4; x < right - 4; ++x)
            ink += dark(image, x, y);
    QVERIFY2(ink > 500, qPrintable(QString::number(ink)));
}

void tst_report_page::acceptedPrintDialogPrintsOnePage()
{
    store_a(1);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
    BoxAnswerer answerer;
    answerer.queue(print_to(pdf));
    // The report closes while its page is drawn, before the print job is
    // finished and written out.
    CloseWatch watch(pdf);
    qApp->installEventFilter(&watch);
    {
        print_form_a page;
    }
    qApp->removeEventFilter(&watch);
    QTest::qWait(100);
    QCOMPARE(classes_seen(answerer), QStringList{"QPrintDialog"});
    QCOMPARE(watch.closes, 1);
    QVERIFY(!watch.finished_at_close);
    QSizeF points;
    QCOMPARE(pdf_pages(pdf, &points), 1);
    QVERIFY(points.width() > points.height());
}

KESTRIX_TEST_MAIN(tst_report_page)
#include "tst_report_page.moc"
