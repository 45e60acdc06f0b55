// Start-up, shut-down, the settings store and the main window's form.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "test_main.h"
#include "typed_number.h"
#include "ui_mainwindow.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSerialPort>
#include <QSlider>
#include <QStackedWidget>
#include <qcustomplot.h>
#include <qwt_dial.h>
#include <qwt_round_scale_draw.h>
#include <qwt_scale_draw.h>
#include <qwt_thermo.h>

#include <iterator>

namespace {

const QString versionKey = QStringLiteral("last_version_ran/config/key");
const QString updatesKey = QStringLiteral("check_updates/config/key");
const QString dialKey = QStringLiteral("dialrange/config/key");

const QStringList allKeys = {
    QStringLiteral("mainWindowGeometry"), QStringLiteral("mainWindowState"),
    QStringLiteral("standard_data_float/config/key"), QStringLiteral("snapheight/config/key"),
    QStringLiteral("dialrange/config/key"), QStringLiteral("plot_all_data/config/key"),
    QStringLiteral("bind_clearance_alarm/config/key"), QStringLiteral("retainer_warning/config/key"),
    QStringLiteral("company_name/config/key"), QStringLiteral("company_address/config/key"),
    QStringLiteral("company_city/config/key"), QStringLiteral("company_state/config/key"),
    QStringLiteral("company_zip/config/key"), QStringLiteral("company_phone/config/key"),
    QStringLiteral("company_web/config/key"), QStringLiteral("company_email/config/key"),
    QStringLiteral("company_operator/config/key"), QStringLiteral("last_dir/config/key"),
    QStringLiteral("check_updates/config/key"), QStringLiteral("last_version_ran/config/key"),
};

// What the store put on disk, read back independently of the global store.
QVariant onDisk(const QString &key)
{
    settings.sync();
    QSettings file(settings.fileName(), QSettings::IniFormat);
    return file.value(key);
}

// A start that opens no changelog and starts no update check.
void quietStart()
{
    settings.setValue(versionKey, 1.12);
    settings.setValue(updatesKey, false);
}

bool sawDialog(const BoxAnswerer &answerer, const QString &className)
{
    for (const BoxAnswerer::Seen &s : answerer.seen) {
        if (s.className == className)
            return true;
    }
    return false;
}

} // namespace

class tst_foundation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void firstRunTakesDefaultsAndShowsChangelog();
    void firstRunWritesEveryKeyAtExit();
    void settingsRoundTrip();
    void dialRangeFromStore_data();
    void dialRangeFromStore();
    void changelogOnlyForNewerVersion_data();
    void changelogOnlyForNewerVersion();
    void unconvertibleValuesBecomeZero();
    void typedNumbers_data();
    void typedNumbers();
    void nonFiniteStoredValuesTakeTheirDefaults_data();
    void nonFiniteStoredValuesTakeTheirDefaults();

    void titlePageAndValveAfterConstruction();
    void plotIsSetUp();
    void sessionSetupEmptiesPlotEvenWhenCancelled();
    void launchersOpenTheirDialogs_data();
    void launchersOpenTheirDialogs();
    void exitClosesTheTesterPort();

    void formShowsPageTwoAfterSetup();
    void formWidgetTree();
    void formCellsAndPages();
    void formTexts();
    void formKeysAndGauges();
    void targetCaptionsWholeAtMinimumWidth_data();
    void targetCaptionsWholeAtMinimumWidth();
    void targetValueRowsAlike();
    void recordPageLinesWholeAtMinimumWidth_data();
    void recordPageLinesWholeAtMinimumWidth();
    void scaleLabelsInTheProgramsNotation();
    void textWholeOnAHighDpiDesktop();
    void fontDpiFollowsOneScreenScale_data();
    void fontDpiFollowsOneScreenScale();
    void resourcesLoad();
};

void tst_foundation::initTestCase()
{
    // The store must point into the test's own folder, never the user's.
    const QString home = QString::fromLocal8Bit(qgetenv("KESTRIX_TEST_HOME"));
    QVERIFY2(!home.isEmpty(), "run through ctest: KESTRIX_TEST_HOME is not set");
    QVERIFY2(settings.fileName().startsWith(home), qPrintable(settings.fileName()));
}

void tst_foundation::init()
{
    settings.clear();
    settings.sync();
    QFile::remove(settings.fileName());
    current_valve = 1;
    valve_count = 0;
    ready_to_record = false;
    no_of_cyl = 0;
    dialrange = 0;
    last_version_ran = 0.0;
}

void tst_foundation::firstRunTakesDefaultsAndShowsChangelog()
{
    QVERIFY(!QFile::exists(settings.fileName()));
    BoxAnswerer answerer;
    MainWindow w;

    QVERIFY(sawDialog(answerer, QStringLiteral("changelog")));
    QCOMPARE(dialrange, 800);
    QCOMPARE(w.findChild<QwtDial *>(QStringLiteral("Dial"))->upperBound(), 800.0);
    QCOMPARE(w.findChild<QSlider *>(QStringLiteral("horizontalSlider"))->value(), 800);
    QVERIFY(plot_all_data);
    QVERIFY(w.findChild<QRadioButton *>(QStringLiteral("plot_all_radio_button"))->isChecked());
    QCOMPARE(bind_clearance_alarm, 0.08);
    QVERIFY(show_retainer_warning);
    QVERIFY(check_updates);
    QCOMPARE(standard_data_float, 0.0);
    QCOMPARE(snapheight, 0.0);
    QCOMPARE(last_version_ran, 0.0);
    QVERIFY(last_dir.isEmpty());
    const QStringList header = {company_name, company_address, company_city, company_state,
                                company_zip, company_phone, company_web, company_email,
                                company_operator};
    const QStringList expected = {
        QStringLiteral("Your Company Name"), QStringLiteral("Your Company Address"),
        QStringLiteral("City"), QStringLiteral("ST"), QStringLiteral("00000"),
        QStringLiteral("Company Phone"), QStringLiteral("www.yourcompany.example"),
        QStringLiteral("info@yourcompany.example"), QStringLiteral("Your Name")};
    QCOMPARE(header, expected);
}

void tst_foundation::firstRunWritesEveryKeyAtExit()
{
    {
        BoxAnswerer answerer;
        MainWindow w;
    }
    settings.sync();
    QVERIFY(QFile::exists(settings.fileName()));
    QSettings file(settings.fileName(), QSettings::IniFormat);
    for (const QString &key : allKeys)
        QVERIFY2(file.contains(key), qPrintable(key));
    QCOMPARE(file.value(versionKey).toDouble(), 1.12);
    QCOMPARE(file.value(QStringLiteral("company_web/config/key")).toString(),
             QStringLiteral("www.yourcompany.example"));

    // The next start has seen this version and opens no changelog.
    settings.setValue(updatesKey, false);
    BoxAnswerer again;
    MainWindow w;
    QVERIFY(!sawDialog(again, QStringLiteral("changelog")));
}

void tst_foundation::settingsRoundTrip()
{
    const QList<QPair<QString, QVariant>> stored = {
        {QStringLiteral("standard_data_float/config/key"), 1.2345},
        {QStringLiteral("snapheight/config/key"), 0.987},
        {QStringLiteral("dialrange/config/key"), 1200},
        {QStringLiteral("plot_all_data/config/key"), false},
        {QStringLiteral("bind_clearance_alarm/config/key"), 0.055},
        {QStringLiteral("retainer_warning/config/key"), false},
        {QStringLiteral("company_name/config/key"), QStringLiteral("Mühle & Söhne, Heads; Cams")},
        {QStringLiteral("company_address/config/key"), QStringLiteral("12 = Mill Road")},
        {QStringLiteral("company_city/config/key"), QStringLiteral("Ashby")},
        {QStringLiteral("company_state/config/key"), QStringLiteral("OH")},
        {QStringLiteral("company_zip/config/key"), QStringLiteral("04412")},
        {QStringLiteral("company_phone/config/key"), QStringLiteral("555-0142")},
        {QStringLiteral("company_web/config/key"), QStringLiteral("www.heads.example")},
        {QStringLiteral("company_email/config/key"), QStringLiteral("shop@heads.example")},
        {QStringLiteral("company_operator/config/key"), QStringLiteral("R. \"Doc\" Vane")},
        {QStringLiteral("last_dir/config/key"), QStringLiteral("/tmp/engine sessions/")},
        {QStringLiteral("check_updates/config/key"), false},
        {QStringLiteral("last_version_ran/config/key"), 1.12},
    };
    for (const auto &entry : stored)
        settings.setValue(entry.first, entry.second);
    settings.sync();

    {
        MainWindow w;
        QCOMPARE(standard_data_float, 1.2345);
        QCOMPARE(snapheight, 0.987);
        QCOMPARE(dialrange, 1200);
        QVERIFY(!plot_all_data);
        QVERIFY(!w.findChild<QRadioButton *>(QStringLiteral("plot_all_radio_button"))->isChecked());
        QCOMPARE(bind_clearance_alarm, 0.055);
        QVERIFY(!show_retainer_warning);
        QCOMPARE(company_name, QStringLiteral("Mühle & Söhne, Heads; Cams"));
        QCOMPARE(company_operator, QStringLiteral("R. \"Doc\" Vane"));
        QCOMPARE(last_dir, QStringLiteral("/tmp/engine sessions/"));
        QVERIFY(!check_updates);
        QCOMPARE(last_version_ran, 1.12);
        w.resize(1234, 901);
        // Values changed during the run reach the file only at exit.
        company_city = QStringLiteral("Brant");
        snapheight = 1.5;
        QCOMPARE(onDisk(QStringLiteral("company_city/config/key")).toString(),
                 QStringLiteral("Ashby"));
    }

    for (const auto &entry : stored) {
        if (entry.first == QLatin1String("company_city/config/key")
            || entry.first == QLatin1String("snapheight/config/key"))
            continue;
        QCOMPARE(onDisk(entry.first).toString(), entry.second.toString());
    }
    QCOMPARE(onDisk(QStringLiteral("company_city/config/key")).toString(), QStringLiteral("Brant"));
    QCOMPARE(onDisk(QStringLiteral("snapheight/config/key")).toDouble(), 1.5);

    MainWindow again;
    QCOMPARE(again.size(), QSize(1234, 901));
}

void tst_foundation::dialRangeFromStore_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("effective");
    QTest::newRow("form value stays") << 750 << 750;
    QTest::newRow("inside the range") << 1200 << 1200;
    QTest::newRow("above the slider") << 2000 << 1500;
    QTest::newRow("below the slider") << 50 << 100;
}

void tst_foundation::dialRangeFromStore()
{
    QFETCH(int, stored);
    QFETCH(int, effective);
    quietStart();
    settings.setValue(dialKey, stored);
    {
        MainWindow w;
        QCOMPARE(w.findChild<QSlider *>(QStringLiteral("horizontalSlider"))->value(), effective);
        QCOMPARE(w.findChild<QwtDial *>(QStringLiteral("Dial"))->upperBound(), double(effective));
        QCOMPARE(dialrange, effective);
    }
    QCOMPARE(onDisk(dialKey).toInt(), effective);
}

void tst_foundation::changelogOnlyForNewerVersion_data()
{
    QTest::addColumn<double>("lastRan");
    QTest::addColumn<bool>("shown");
    QTest::newRow("older version") << 1.11 << true;
    QTest::newRow("same version") << 1.12 << false;
    QTest::newRow("newer version") << 1.13 << false;
}

void tst_foundation::changelogOnlyForNewerVersion()
{
    QFETCH(double, lastRan);
    QFETCH(bool, shown);
    settings.setValue(versionKey, lastRan);
    settings.setValue(updatesKey, false);
    BoxAnswerer answerer;
    {
        MainWindow w;
        QCOMPARE(sawDialog(answerer, QStringLiteral("changelog")), shown);
        // The window is up before the changelog asks for attention.
        QCOMPARE(w.isVisible(), shown);
    }
    QCOMPARE(onDisk(versionKey).toDouble(), 1.12);
}

void tst_foundation::unconvertibleValuesBecomeZero()
{
    quietStart();
    settings.setValue(QStringLiteral("bind_clearance_alarm/config/key"), QStringLiteral("abc"));
    settings.setValue(QStringLiteral("snapheight/config/key"), QStringLiteral("1,5"));
    settings.setValue(QStringLiteral("mainWindowGeometry"), QByteArray("not a geometry"));
    MainWindow w;
    QCOMPARE(bind_clearance_alarm, 0.0);
    QCOMPARE(snapheight, 0.0);
    QCOMPARE(w.size(), QSize(1106, 877));
}

// Texts as the operator may type them into any number field.
void tst_foundation::typedNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::addColumn<int>("whole");
    QTest::newRow("inf") << "inf" << 0.0 << 0;
    QTest::newRow("-inf") << "-inf" << 0.0 << 0;
    QTest::newRow("INF") << "INF" << 0.0 << 0;
    QTest::newRow("nan") << "nan" << 0.0 << 0;
    QTest::newRow("overflow") << "1e999" << 0.0 << 0;
    QTest::newRow("negative overflow") << "-1e999" << 0.0 << 0;
    QTest::newRow("largest finite") << "1e308" << 1e308 << 0;
    QTest::newRow("empty") << "" << 0.0 << 0;
    QTest::newRow("letters") << "abc" << 0.0 << 0;
    QTest::newRow("decimal comma") << "0,5" << 0.0 << 0;
    QTest::newRow("decimal") << "0.125" << 0.125 << 0;
    QTest::newRow("blanks around") << " 0.125 " << 0.125 << 0;
    QTest::newRow("negative") << "-0.5" << -0.5 << 0;
    QTest::newRow("whole") << "4" << 4.0 << 4;
    QTest::newRow("whole with blanks") << " 8 " << 8.0 << 8;
    QTest::newRow("negative whole") << "-3" << -3.0 << 0;
}

void tst_foundation::typedNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QFETCH(int, whole);
    QCOMPARE(typed_double(text), number);
    QCOMPARE(typed_whole_number(text), whole);
}

// A file edited by hand, or written by a build that let such a value through,
// must not put infinity or NaN into the calibration, the alarm or the version
// check; at exit the file gets finite values back.
namespace {
// The settings kept as doubles, in the store's order.
const struct
{
    const char *stem;
    double *value;
    double fallback;
    double atExit; // the version ran is this program's at every exit
} doubleSettings[] = {{"standard_data_float", &standard_data_float, 0.0, 0.0},
                      {"snapheight", &snapheight, 0.0, 0.0},
                      {"bind_clearance_alarm", &bind_clearance_alarm, 0.08, 0.08},
                      {"last_version_ran", &last_version_ran, 0.0, 1.12}};
} // namespace

void tst_foundation::nonFiniteStoredValuesTakeTheirDefaults_data()
{
    QTest::addColumn<int>("setting");
    QTest::addColumn<QString>("stored");
    for (int i = 0; i < int(std::size(doubleSettings)); ++i) {
        for (const char *text : {"inf", "-inf", "nan", "1e999"})
            QTest::addRow("%s %s", doubleSettings[i].stem, text) << i << text;
    }
}

void tst_foundation::nonFiniteStoredValuesTakeTheirDefaults()
{
    QFETCH(int, setting);
    QFETCH(QString, stored);
    const auto &s = doubleSettings[setting];
    const QString key = settings_key(s.stem);
    quietStart();
    settings.setValue(key, stored);
    settings.sync();
    QCOMPARE(onDisk(key).toString(), stored);
    *s.value = 12.5;
    {
        // A version read as 0 brings up the changelog.
        BoxAnswerer answerer;
        MainWindow w;
        QCOMPARE(*s.value, s.fallback);
    }
    bool number = false;
    QCOMPARE(onDisk(key).toDouble(&number), s.atExit);
    QVERIFY(number);
}

void tst_foundation::titlePageAndValveAfterConstruction()
{
    quietStart();
    MainWindow w;
    QVERIFY(w.windowTitle().endsWith(QLatin1String("V 1.12")));
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvell Engineering - Kestrix Software - V 1.12"));
    QCOMPARE(w.windowModality(), Qt::WindowModal);
    QCOMPARE(w.findChild<QStackedWidget *>(QStringLiteral("form_stack"))->currentIndex(), 0);
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("cyl_label"))->text(), QStringLiteral("#1 Intake"));
    QCOMPARE(valve_count, 16);
    QCOMPARE(current_valve, 1);
    QVERIFY(!ready_to_record);
    QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("record_button"))->styleSheet(),
             QStringLiteral("font-size: 12px"));
    for (const char *name : {"target_installed_height_button", "target_seat_pressure_button",
                             "target_bind_clearance_button"})
        QCOMPARE(w.findChild<QPushButton *>(QLatin1String(name))->styleSheet(),
                 QStringLiteral("font-size: 11px"));
}

void tst_foundation::plotIsSetUp()
{
    quietStart();
    MainWindow w;
    auto *plot = w.findChild<QCustomPlot *>(QStringLiteral("customPlot"));
    QCOMPARE(plot->graphCount(), 1);
    QCOMPARE(plot->graph(0)->dataCount(), 0);
    QCOMPARE(plot->xAxis->range().lower, 1.0);
    QCOMPARE(plot->xAxis->range().upper, 2.0);
    QVERIFY(plot->xAxis->rangeReversed());
    QCOMPARE(plot->xAxis->label(), QStringLiteral("Height"));
    QCOMPARE(plot->yAxis->label(), QStringLiteral("Load"));
    QVERIFY(plot->interactions().testFlag(QCP::iRangeDrag));
    QVERIFY(plot->interactions().testFlag(QCP::iRangeZoom));
}

void tst_foundation::sessionSetupEmptiesPlotEvenWhenCancelled()
{
    quietStart();
    MainWindow w;
    auto *plot = w.findChild<QCustomPlot *>(QStringLiteral("customPlot"));
    auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("form_stack"));
    plot->graph(0)->setData({1.8, 1.6}, {100.0, 200.0});
    plot->addGraph();
    stack->setCurrentIndex(1);
    ready_to_record = true;
    test_mode = 1;

    BoxAnswerer answerer;
    answerer.queue(BoxAnswerer::reject());
    QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("session_setup_button")),
                      Qt::LeftButton);

    QVERIFY(sawDialog(answerer, QStringLiteral("session_setup")));
    QCOMPARE(plot->graphCount(), 0);
    QVERIFY(!ready_to_record);
    QCOMPARE(test_mode, 1);
    QCOMPARE(stack->currentIndex(), 0);
    QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("record_button"))->styleSheet(),
             QStringLiteral("font-size: 12px;"));
    QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("target_seat_pressure_button"))->styleSheet(),
             QStringLiteral("font-size: 11px;"));
}

void tst_foundation::launchersOpenTheirDialogs_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("program settings") << "pushButton" << "settings_dialog";
    QTest::newRow("calibrate height") << "pushButton_2" << "height_cal";
    QTest::newRow("about") << "pushButton_3" << "about_dialog";
    QTest::newRow("print report") << "pushButton_4" << "preprint_dialog";
}

void tst_foundation::launchersOpenTheirDialogs()
{
    QFETCH(QString, button);
    QFETCH(QString, dialog);
    quietStart();
    MainWindow w;
    BoxAnswerer answerer;
    answerer.queue(BoxAnswerer::reject());
    QTest::mouseClick(w.findChild<QPushButton *>(button), Qt::LeftButton);
    QVERIFY(!answerer.seen.isEmpty());
    QCOMPARE(answerer.seen.first().className, dialog);
    QVERIFY(!QApplication::activeModalWidget());
}

void tst_foundation::exitClosesTheTesterPort()
{
    quietStart();
    QPointer<QSerialPort> port;
    {
        MainWindow w;
        port = new QSerialPort(&w);
        serial_port = port;
    }
    QVERIFY(port.isNull());
    QVERIFY(!serial_port);
}

void tst_foundation::formShowsPageTwoAfterSetup()
{
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    QCOMPARE(form.form_stack->currentIndex(), 2);
    QCOMPARE(host.centralWidget(), form.centralWidget);
    QCOMPARE(host.windowTitle(), QStringLiteral("Tarvell Engineering - Kestrix Software"));
    QCOMPARE(host.size(), QSize(1106, 877));
    QCOMPARE(host.minimumWidth(), 975);
    QVERIFY(!host.windowIcon().isNull());
}

void tst_foundation::formWidgetTree()
{
    const QList<QPair<const char *, QStringList>> tree = {
        {"QWidget", {"centralWidget", "widget_4", "Loadwidget", "widget", "widget_2", "widget_3",
                     "widget_5", "widget_6", "widget_7", "widget_8", "widget_9", "widget_10",
                     "layoutWidget", "Blank", "record_mode", "target_installed_height",
                     "target_seat_pressure", "target_bind_clearance"}},
        {"QGridLayout", {"gridLayout_5", "gridLayout_14", "gridLayout_3", "gridLayout",
                         "gridLayout_13", "gridLayout_15", "gridLayout_9", "gridLayout_6",
                         "gridLayout_2"}},
        {"QHBoxLayout", {"horizontalLayout", "horizontalLayout_2", "horizontalLayout_3",
                         "horizontalLayout_8", "horizontalLayout_15"}},
        {"QVBoxLayout", {"verticalLayout", "verticalLayout_3"}},
        {"QPushButton", {"open_save_session_button", "save_session_button", "save_session_as_button",
                         "new_session_button", "pushButton_4", "session_setup_button",
                         "target_installed_height_button", "target_seat_pressure_button",
                         "target_bind_clearance_button", "record_button", "pushButton_2",
                         "pushButton", "pushButton_3", "down_button", "up_button",
                         "connect_button"}},
        {"QLabel", {"label_59", "label_60", "label_61", "load_val_2", "label_2", "height_val",
                    "label_4", "label_5", "label_9", "label_67", "label_19", "label_20",
                    "label_17", "message", "warn_message", "cyl_label", "label_18",
                    "filename_label", "label_3", "file_date", "con_status",
                    "target_installed_height_message", "target_seat_pressure_message",
                    "target_bind_clearance_message"}},
        {"QFrame", {"line", "frame_2"}},
        {"QSlider", {"horizontalSlider"}},
        {"QStackedWidget", {"form_stack"}},
        {"QRadioButton", {"plot_all_radio_button"}},
        {"QLineEdit", {"lineEdit_in_inst_height", "lineEdit_ex_inst_height",
                       "lineEdit_in_targ_seat_press", "lineEdit_ex_targ_seat_press",
                       "lineEdit_in_targ_bind_clear", "lineEdit_ex_targ_bind_clear"}},
        {"QwtDial", {"Dial"}},
        {"QwtThermo", {"Thermo", "Thermo_2"}},
        {"QwtTextLabel", {"TextLabel"}},
        {"QCustomPlot", {"customPlot"}},
    };
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    for (const auto &group : tree) {
        for (const QString &name : group.second) {
            QObject *object = host.findChild<QObject *>(name);
            QVERIFY2(object, qPrintable(name));
            QVERIFY2(object->inherits(group.first), qPrintable(name + " is not " + group.first));
        }
    }
    QVERIFY(host.findChild<QFrame *>(QStringLiteral("frame_2"))->parent()
            == host.findChild<QCustomPlot *>(QStringLiteral("customPlot")));
}

void tst_foundation::formCellsAndPages()
{
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    struct Cell { QWidget *widget; int row, column, columns; };
    const QList<Cell> cells = {
        {form.widget_4, 0, 0, 1}, {form.Loadwidget, 0, 1, 1}, {form.widget, 0, 2, 1},
        {form.customPlot, 0, 3, 1}, {form.form_stack, 1, 0, 4}, {form.widget_6, 2, 1, 3},
        {form.widget_7, 3, 0, 4},
    };
    for (const Cell &cell : cells) {
        const int index = form.gridLayout_5->indexOf(cell.widget);
        QVERIFY2(index >= 0, qPrintable(cell.widget->objectName()));
        int row, column, rows, columns;
        form.gridLayout_5->getItemPosition(index, &row, &column, &rows, &columns);
        QCOMPARE(QList<int>({row, column, columns}),
                 QList<int>({cell.row, cell.column, cell.columns}));
    }
    const QStringList pages = {"Blank", "record_mode", "target_installed_height",
                               "target_seat_pressure", "target_bind_clearance"};
    QCOMPARE(form.form_stack->count(), pages.size());
    for (int i = 0; i < pages.size(); ++i)
        QCOMPARE(form.form_stack->widget(i)->objectName(), pages.at(i));

    // Target pages: title on top, the two inputs at the left, three rows of
    // three caption and value pairs, the message across the bottom.
    const QList<QPair<QGridLayout *, QStringList>> targetPages = {
        {form.gridLayout_9,
         {"label_56", "label lineEdit_in_inst_height", "label_10 lineEdit_ex_inst_height",
          "label_51 label_11 label_53 label_12 label_6 label_14",
          "label_55 label_54 label_57 label_13 label_7 label_15",
          "label_62 label_58 label_52 label_63 label_8 label_16",
          "target_installed_height_message"}},
        {form.gridLayout_6,
         {"label_24", "label_30 lineEdit_in_targ_seat_press", "label_31 lineEdit_ex_targ_seat_press",
          "label_27 label_22 label_25 label_33 label_34 label_21",
          "label_72 label_66 label_74 label_73 label_29 label_28",
          "label_64 label_65 label_35 label_26 label_23 label_32",
          "target_seat_pressure_message"}},
        {form.gridLayout_2,
         {"label_39", "label_36 lineEdit_in_targ_bind_clear", "label_44 lineEdit_ex_targ_bind_clear",
          "label_42 label_45 label_48 label_41 label_80 label_79",
          "label_75 label_76 label_46 label_37 label_43 label_49",
          "label_78 label_77 label_40 label_47 label_50 label_38",
          "target_bind_clearance_message"}},
    };
    for (const auto &page : targetPages) {
        QGridLayout *grid = page.first;
        auto place = [&](const QString &name) {
            int row = -1, column = -1, rows, columns;
            const int index = grid->indexOf(host.findChild<QWidget *>(name));
            if (index >= 0)
                grid->getItemPosition(index, &row, &column, &rows, &columns);
            return QPair<int, int>(row, column);
        };
        const QStringList lines = page.second;
        QCOMPARE(place(lines.first()).first, 0);
        QCOMPARE(place(lines.last()).first, grid->rowCount() - 1);
        int previousRow = 0;
        for (int i = 1; i < lines.size() - 1; ++i) {
            const QStringList names = lines.at(i).split(' ');
            // The inputs share rows with the value grid; the value rows follow each other.
            const int row = place(names.first()).first;
            QVERIFY2(row > 0, qPrintable(names.first()));
            if (i > 3)
                QCOMPARE(row, previousRow + 1);
            previousRow = row;
            for (int k = 1; k < names.size(); ++k) {
                QCOMPARE(place(names.at(k)).first, row);
                QVERIFY2(place(names.at(k)).second > place(names.at(k - 1)).second,
                         qPrintable(names.at(k)));
            }
        }
        QVERIFY(place(lines.at(1).split(' ').last()).second
                < place(lines.at(3).split(' ').first()).second);
    }

    // The side panel, top to bottom.
    const QStringList side = {"open_save_session_button", "save_session_button",
                              "save_session_as_button", "new_session_button", "pushButton_4",
                              "", "label_59", "session_setup_button", "line",
                              "target_installed_height_button", "target_seat_pressure_button",
                              "target_bind_clearance_button", "record_button", "", "label_60",
                              "pushButton_2", "pushButton", "pushButton_3", "horizontalSlider",
                              "label_61"};
    for (int row = 0; row < side.size(); ++row) {
        QLayoutItem *item = form.gridLayout_14->itemAtPosition(row, 0);
        QVERIFY2(item, qPrintable(QString::number(row)));
        if (side.at(row).isEmpty())
            QVERIFY(item->spacerItem());
        else
            QCOMPARE(item->widget()->objectName(), side.at(row));
    }
}

void tst_foundation::formTexts()
{
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    const QList<QPair<const char *, const char *>> texts = {
        {"label_56", "Target Installed Height"}, {"label", "Intake Installed Height:"},
        {"label_10", "Exhaust Installed Height:"}, {"label_51", "Valve Lift:"},
        {"label_53", "Seat Load:"}, {"label_6", "Bind Height:"}, {"label_55", "Valve Lash:"},
        {"label_57", "Open Load:"}, {"label_7", "Bind Clearance:"}, {"label_62", "Deflection %:"},
        {"label_52", "Open Height:"}, {"label_8", "Spring Rate:"},
        {"label_24", "Target Seat Load"}, {"label_30", "Target Intake Seat Load:"},
        {"label_31", "Target Exhaust Seat Load:"}, {"label_27", "Valve Lift:"},
        {"label_25", "Installed Height:"}, {"label_34", "Bind Height:"},
        {"label_72", "Valve Lash:"}, {"label_74", "Open Height:"},
        {"label_29", "Bind Clearance:"}, {"label_64", "Deflection %:"},
        {"label_35", "Open Load:"}, {"label_23", "Spring Rate:"},
        {"label_39", "Target Bind Clearance"}, {"label_36", "Desired Intake Bind Clearance:"},
        {"label_44", "Desired Exhaust Bind Clearance:"}, {"label_42", "Valve Lift:"},
        {"label_48", "Installed Height:"}, {"label_80", "Open Height:"},
        {"label_75", "Valve Lash:"}, {"label_46", "Seat Load:"}, {"label_43", "Bind Height:"},
        {"label_78", "Deflection %:"}, {"label_40", "Open Load:  "}, {"label_50", "Spring Rate:"},
        {"label_59", "Test Modes"}, {"label_60", "Settings"}, {"label_61", "Gauge Dial Resolution"},
        {"load_val_2", "----"}, {"label_2", "Height"}, {"height_val", "-.---"},
        {"label_4", "Retainer Thickness="}, {"label_5", "0"}, {"label_9", "Uncompensated Height:"},
        {"label_19", "Data Points"}, {"label_20", "0"}, {"cyl_label", "8 Intake"},
        {"label_18", "Open File:"}, {"filename_label", "None"}, {"label_3", "File Date:"},
        {"file_date", "Not Saved"}, {"con_status", "Kestrix Tester Not Found"},
        {"open_save_session_button", "Open Saved Session"}, {"save_session_button", "Save Session"},
        {"save_session_as_button", "Save Session As"}, {"new_session_button", "New Session"},
        {"pushButton_4", "Print Report"}, {"session_setup_button", "Session Setup"},
        {"target_installed_height_button", "Target Installed Height"},
        {"target_seat_pressure_button", "Target Seat Load"},
        {"target_bind_clearance_button", "Target Bind Clearance"},
        {"record_button", "Record Mode"}, {"pushButton_2", "Calibrate Height"},
        {"pushButton", "Program Settings"}, {"pushButton_3", "About"},
        {"down_button", "<"}, {"up_button", ">"}, {"connect_button", "Connect"},
        {"plot_all_radio_button", "Plot All"},
    };
    for (const auto &entry : texts) {
        QObject *object = host.findChild<QObject *>(QLatin1String(entry.first));
        QVERIFY2(object, entry.first);
        QCOMPARE(object->property("text").toString(), QString::fromUtf8(entry.second));
    }
    // Every value cell and message starts empty.
    for (const char *name : {"label_11", "label_12", "label_14", "label_54", "label_13", "label_15",
                             "label_58", "label_63", "label_16", "label_22", "label_33", "label_21",
                             "label_66", "label_73", "label_28", "label_65", "label_26", "label_32",
                             "label_45", "label_41", "label_79", "label_76", "label_37", "label_49",
                             "label_77", "label_47", "label_38", "label_67", "message",
                             "warn_message", "target_installed_height_message",
                             "target_seat_pressure_message", "target_bind_clearance_message"}) {
        auto *label = host.findChild<QLabel *>(QLatin1String(name));
        QVERIFY2(label, name);
        QVERIFY2(label->text().isEmpty(), name);
    }
    QCOMPARE(form.TextLabel->text().text(), QStringLiteral("Load"));
    QCOMPARE(form.horizontalSlider->toolTip(), QStringLiteral("Change Scale Value"));
    QCOMPARE(form.down_button->toolTip(), QStringLiteral("Use left arrow to go down"));
    QCOMPARE(form.up_button->toolTip(), QStringLiteral("Use right arrow to go up"));
    QCOMPARE(form.con_status->palette().color(QPalette::Active, QPalette::WindowText),
             QColor(255, 0, 0));
}

void tst_foundation::targetCaptionsWholeAtMinimumWidth_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("installed height") << 2;
    QTest::newRow("seat load") << 3;
    QTest::newRow("bind clearance") << 4;
}

// The window may be narrowed to its minimum width; the longest captions
// ("Desired Exhaust Bind Clearance:") must still show whole there.
void tst_foundation::targetCaptionsWholeAtMinimumWidth()
{
    QFETCH(int, page);
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    form.form_stack->setCurrentIndex(page);
    host.resize(host.minimumWidth(), 877);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(host.width(), 975);
    int captions = 0;
    for (QLabel *label : form.form_stack->currentWidget()->findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        ++captions;
        QVERIFY2(label->width() >= label->sizeHint().width(),
                 qPrintable(QStringLiteral("%1 \"%2\": %3 px for %4 px")
                                .arg(label->objectName(), label->text())
                                .arg(label->width())
                                .arg(label->sizeHint().width())));
    }
    QCOMPARE(captions, 12);
}

// Space the page does not need goes below the results, not into one row of
// value boxes.
void tst_foundation::targetValueRowsAlike()
{
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    host.show();
    const QList<QList<QLabel *>> pages = {
        {form.label_11, form.label_54, form.label_58},
        {form.label_22, form.label_66, form.label_65},
        {form.label_45, form.label_76, form.label_77},
    };
    for (int page = 0; page < pages.size(); ++page) {
        form.form_stack->setCurrentIndex(page + 2);
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        for (QLabel *value : pages.at(page))
            QCOMPARE(value->height(), pages.at(page).first()->height());
    }
}

void tst_foundation::recordPageLinesWholeAtMinimumWidth_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("warning");
    QTest::newRow("ready, no warning") << "<font color='Blue'>Ready to Record</font>" << QString();
    QTest::newRow("recording, overload near")
        << "<font color='Red'>Recording Data</font>"
        << "<font color='Black'>Approaching Load Cell Overload</font>";
    QTest::newRow("stored, overload")
        << "<font color='Green'>Successful Test</font>"
        << "<font color='Black'>--- Load Cell Overload ---</font>";
}

// The load-cell warnings are set very large; cut, "Approaching Load Cell
// Over" reads as a full overload.
void tst_foundation::recordPageLinesWholeAtMinimumWidth()
{
    QFETCH(QString, status);
    QFETCH(QString, warning);
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    form.form_stack->setCurrentIndex(1);
    form.message->setText(status);
    form.warn_message->setText(warning);
    form.warn_message->setVisible(!warning.isEmpty());
    host.resize(host.minimumWidth(), 877);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(host.width(), 975);
    for (QLabel *line : {form.message, form.warn_message}) {
        if (line->text().isEmpty())
            continue;
        const QRect shown = line->rect().translated(line->mapTo(form.form_stack, QPoint()));
        QVERIFY2(line->width() >= line->sizeHint().width() && form.form_stack->rect().contains(shown),
                 qPrintable(QStringLiteral("%1: %2 px for %3 px").arg(line->objectName())
                                .arg(line->width()).arg(line->sizeHint().width())));
    }
}

// ctest runs this once more in the locale de_DE.UTF-8, where the system
// writes one thousand "1.000" and one and a half "1,5": a height read off a
// scale in that notation and typed back would be read as another number.
void tst_foundation::scaleLabelsInTheProgramsNotation()
{
    if (QLocale::system().toString(1000.5) == QLatin1String("1000.5"))
        QSKIP("the system locale writes numbers as the program does; see the de_DE run");
    quietStart();
    settings.setValue(dialKey, 1200);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCustomPlot *plot = w.findChild<QCustomPlot *>(QStringLiteral("customPlot"));
    plot->replot();

    const auto majorLabels = [](const QwtAbstractScaleDraw *scale) {
        QStringList labels;
        for (double tick : scale->scaleDiv().ticks(QwtScaleDiv::MajorTick))
            labels << scale->label(tick).text();
        return labels;
    };
    const auto thermoScale = [&w](const char *name) {
        return qAsConst(*w.findChild<QwtThermo *>(QLatin1String(name))).scaleDraw();
    };
    const QStringList dialLabels = majorLabels(w.findChild<QwtDial *>(QStringLiteral("Dial"))->scaleDraw());
    QVERIFY2(dialLabels.contains(QStringLiteral("1000")), qPrintable(dialLabels.join(' ')));

    const QStringList labels = dialLabels + majorLabels(thermoScale("Thermo"))
        + majorLabels(thermoScale("Thermo_2")) + plot->xAxis->tickVectorLabels().toList()
        + plot->yAxis->tickVectorLabels().toList();
    const QRegularExpression plain(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    for (const QString &label : qAsConst(labels))
        QVERIFY2(plain.match(label).hasMatch(), qPrintable(label));
}

// ctest runs this on a virtual X server that announces 144 dpi, as a desktop
// set for larger text does; the offscreen platform never takes a desktop's.
void tst_foundation::textWholeOnAHighDpiDesktop()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server; see the runs at 144 dpi and on a scaling desktop");
    // The server's DPI counts device pixels; the screen's, scaled ones.
    const QScreen *screen = QGuiApplication::primaryScreen();
    QVERIFY2(screen->physicalDotsPerInchX() * screen->devicePixelRatio() > 120
                 || screen->devicePixelRatio() > 1,
             "the X server announces no high DPI and the desktop does not scale");
    quietStart();
    no_of_cyl = 8;
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.logicalDpiX(), 96);
    QCOMPARE(w.logicalDpiY(), 96);

    current_valve = 16;
    w.valve_no_label_update();
    QLabel *height = w.findChild<QLabel *>(QStringLiteral("height_val"));
    height->setText(QStringLiteral("1.773"));
    QLabel *valve = w.findChild<QLabel *>(QStringLiteral("cyl_label"));
    QCOMPARE(valve->text(), QStringLiteral("#8 Exhaust"));
    for (QLabel *label : {height, valve}) {
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(needed <= label->contentsRect().width(),
                 qPrintable(QStringLiteral("%1: %2 px for %3 px").arg(label->objectName())
                                .arg(needed).arg(label->contentsRect().width())));
    }
}

void tst_foundation::fontDpiFollowsOneScreenScale_data()
{
    QTest::addColumn<QByteArray>("factors");
    QTest::addColumn<QByteArray>("dpi");
    QTest::newRow("not scaled") << QByteArray() << QByteArray("96");
    QTest::newRow("by name, as KDE writes it") << QByteArray("DP-1=1.25;HDMI-1=1.25;")
                                               << QByteArray("120");
    QTest::newRow("unreadable entries passed over") << QByteArray("x;0;-2;2") << QByteArray("192");
    QTest::newRow("screens apart: the desktop's") << QByteArray("eDP-1=2;HDMI-1=1")
                                                   << QByteArray();
}

// 96 dpi per scaled pixel: Qt divides the font DPI by the screen's factor.
void tst_foundation::fontDpiFollowsOneScreenScale()
{
    QFETCH(QByteArray, factors);
    QFETCH(QByteArray, dpi);
    QCOMPARE(font_dpi_for_screen_scale_factors(factors), dpi);
}

void tst_foundation::formKeysAndGauges()
{
    QMainWindow host;
    Ui::MainWindow form;
    form.setupUi(&host);
    QCOMPARE(form.record_button->shortcut(), QKeySequence(Qt::Key_Space));
    QCOMPARE(form.down_button->shortcut(), QKeySequence(Qt::Key_Left));
    QCOMPARE(form.up_button->shortcut(), QKeySequence(Qt::Key_Right));
    QVERIFY(form.up_button->autoRepeat());
    QVERIFY(!form.down_button->autoRepeat());

    QCOMPARE(form.horizontalSlider->minimum(), 100);
    QCOMPARE(form.horizontalSlider->maximum(), 1500);
    QCOMPARE(form.horizontalSlider->singleStep(), 100);
    QCOMPARE(form.horizontalSlider->pageStep(), 100);
    QCOMPARE(form.horizontalSlider->value(), 750);

    QCOMPARE(form.Dial->upperBound(), 1500.0);
    QCOMPARE(form.Dial->origin(), 135.0);
    QCOMPARE(form.Dial->maxScaleArc(), 270.0);
    QCOMPARE(form.Dial->totalSteps(), 1500u);
    QVERIFY(!form.Dial->wrapping());
    QCOMPARE(form.Dial->focusPolicy(), Qt::NoFocus);
    QCOMPARE(form.Dial->palette().color(QPalette::Active, QPalette::Base), QColor(178, 178, 178));

    QCOMPARE(form.Thermo->lowerBound(), 0.5);
    QCOMPARE(form.Thermo->upperBound(), 3.0);
    QVERIFY(form.Thermo->alarmEnabled());
    QCOMPARE(form.Thermo->alarmLevel(), 0.0);
    QCOMPARE(form.Thermo->pipeWidth(), 30);
    QCOMPARE(form.Thermo->value(), 2.434);
    QCOMPARE(form.Thermo->fillBrush().color(), QColor(0, 0, 255));
    QCOMPARE(form.Thermo->alarmBrush().color(), QColor(0, 255, 0));
    QCOMPARE(form.Thermo->palette().color(QPalette::Active, QPalette::Base), QColor(255, 255, 0));

    QCOMPARE(form.Thermo_2->upperBound(), 250.0);
    QCOMPARE(form.Thermo_2->alarmLevel(), 250.0);
    QCOMPARE(form.Thermo_2->value(), 0.0);
    QCOMPARE(form.Thermo_2->fillBrush().color(), QColor(0, 170, 255));
    QCOMPARE(form.Thermo_2->alarmBrush().color(), QColor(0, 0, 0));

    // Page 0 carries the medium logo.
    QVERIFY(!form.label_17->pixmap(Qt::ReturnByValue).isNull());
}

void tst_foundation::resourcesLoad()
{
    const QString prefix = QStringLiteral(":/<file>resources/tarvell.png</file>/resources/");
    const QList<QPair<QString, QSize>> images = {
        {prefix + QStringLiteral("Icons/256x256.png"), QSize(256, 256)},
        {prefix + QStringLiteral("tarvell_medium.png"), QSize()},
        {prefix + QStringLiteral("tarvell_small.png"), QSize()},
        {prefix + QStringLiteral("tarvell.png"), QSize()},
        {QStringLiteral(":/icons/update.png"), QSize(96, 96)},
    };
    for (const auto &image : images) {
        QPixmap pixmap(image.first);
        QVERIFY2(!pixmap.isNull(), qPrintable(image.first));
        if (image.second.isValid())
            QCOMPARE(pixmap.size(), image.second);
    }
    const int small = QPixmap(prefix + "tarvell_small.png").width();
    const int medium = QPixmap(prefix + "tarvell_medium.png").width();
    const int large = QPixmap(prefix + "tarvell.png").width();
    QVERIFY(small < medium && medium < large);
}

KESTRIX_TEST_MAIN(tst_foundation)
#include "tst_foundation.moc"
