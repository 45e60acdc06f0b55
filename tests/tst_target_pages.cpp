// The three target pages of the main window, driven through their buttons and
// fields, with linear test springs whose results are worked out by hand.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "test_main.h"
#include "text_room.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

#include <limits>
#include <memory>

namespace {

// load = k x (free length - height), sampled every 0.005 inch downward from 2.2.
void recordLinearSpring(int valve, double k, double freeLength)
{
    valve_heights[valve].clear();
    valve_loads[valve].clear();
    for (int i = 0; i < 300; ++i) {
        valve_heights[valve].append(2.2 - 0.005 * i);
        valve_loads[valve].append(k * (freeLength - valve_heights[valve].last()));
    }
}

void selectValve(int valve)
{
    current_valve = valve;
    active_heights = valve_heights[valve];
    active_loads = valve_loads[valve];
}

struct Page
{
    const char *button;
    const char *refresh;
    const char *intakeField;
    const char *exhaustField;
    const char *message;
    QStringList valueLabels; // lift, lash, deflection, then the page's results, bind height last but one
};

const Page installedHeightPage{"target_installed_height_button",
                               "target_installed_height_refresh",
                               "lineEdit_in_inst_height",
                               "lineEdit_ex_inst_height",
                               "target_installed_height_message",
                               {"label_11", "label_54", "label_58", "label_12", "label_63",
                                "label_13", "label_16", "label_14", "label_15"}};
const Page seatLoadPage{"target_seat_pressure_button",
                        "target_seat_pressure_refresh",
                        "lineEdit_in_targ_seat_press",
                        "lineEdit_ex_targ_seat_press",
                        "target_seat_pressure_message",
                        {"label_22", "label_66", "label_65", "label_33", "label_73", "label_26",
                         "label_32", "label_21", "label_28"}};
const Page bindClearancePage{"target_bind_clearance_button",
                             "target_bind_clearance_refresh",
                             "lineEdit_in_targ_bind_clear",
                             "lineEdit_ex_targ_bind_clear",
                             "target_bind_clearance_message",
                             {"label_45", "label_76", "label_77", "label_41", "label_37",
                              "label_79", "label_47", "label_38", "label_49"}};

const Page &pageNamed(const QString &name)
{
    if (name == QLatin1String("installed"))
        return installedHeightPage;
    if (name == QLatin1String("seat"))
        return seatLoadPage;
    return bindClearancePage;
}

// Targets of the worked cases: intake and exhaust per page.
QString intakeTarget(const Page &page)
{
    return &page == &installedHeightPage ? QStringLiteral("1.8")
           : &page == &seatLoadPage      ? QStringLiteral("100.5")
                                         : QStringLiteral("0.12");
}

QString exhaustTarget(const Page &page)
{
    return &page == &installedHeightPage ? QStringLiteral("1.75")
           : &page == &seatLoadPage      ? QStringLiteral("150")
                                         : QStringLiteral("0.09");
}

const QString red = QStringLiteral("color: rgb(252, 0, 0)");
const QString alarm = QStringLiteral("background-color: rgb(252, 0, 0)");

} // namespace

class tst_target_pages : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;

    template <typename T>
    T *widget(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        Q_ASSERT(w);
        return w;
    }
    QLabel *label(const QString &name) const { return widget<QLabel>(qPrintable(name)); }

    // Page p, laid out with the window at its narrowest.
    void showAtNarrowestWidth(const Page &p)
    {
        window->resize(window->minimumWidth(), window->height());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        widget<QPushButton>(p.button)->click();
        QCoreApplication::processEvents();
        QCOMPARE(window->width(), 975);
    }

    QStringList values(const Page &page) const
    {
        QStringList texts;
        for (const QString &name : page.valueLabels)
            texts << label(name)->text();
        return texts;
    }

    void enter(const char *field, const QString &text)
    {
        QLineEdit *edit = widget<QLineEdit>(field);
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    void enterBoth(const Page &page)
    {
        enter(page.intakeField, intakeTarget(page));
        enter(page.exhaustField, exhaustTarget(page));
    }

    void refresh(const Page &page)
    {
        QVERIFY(QMetaObject::invokeMethod(window.get(), page.refresh));
    }

private slots:
    void init()
    {
        storeQuietStart();
        window = std::make_unique<MainWindow>();

        in_inst_height = ex_inst_height = 0.0;
        in_targ_seat_press = ex_targ_seat_press = 0.0;
        in_targ_bind_clear = ex_targ_bind_clear = 0.0;
        in_valve_lift = 0.55;
        in_valve_lash = 0.02;
        in_deflection = 4.0; // intake effective lift 0.5088
        ex_valve_lift = 0.5;
        ex_valve_lash = 0.03;
        ex_deflection = 0.0; // exhaust effective lift 0.47
        bind_clearance_alarm = 0.0;
        bind_height = bind_clearance = 0.0;
        test_mode = report_type = 0;
        ready_to_record = false;
        no_of_cyl = 0;
        for (int v = 1; v <= 16; ++v) {
            valve_heights[v].clear();
            valve_loads[v].clear();
        }
        recordLinearSpring(1, 250.0, 2.3);
        recordLinearSpring(2, 180.0, 2.4);
        selectValve(1);
    }

    void cleanup() { window.reset(); }

    void pageButtonsSelectValveOneAndLeaveRecordMode_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("reportType");
        QTest::addColumn<int>("mode");
        QTest::newRow("installed height") << "installed" << 1 << 2;
        QTest::newRow("seat load") << "seat" << 2 << 3;
        QTest::newRow("bind clearance") << "bind" << 3 << 4;
    }

    void pageButtonsSelectValveOneAndLeaveRecordMode()
    {
        QFETCH(QString, page);
        QFETCH(int, reportType);
        QFETCH(int, mode);
        const Page &p = pageNamed(page);
        enterBoth(p);
        selectValve(2);
        current_valve = 6;
        ready_to_record = true;
        test_mode = 1;

        widget<QPushButton>(p.button)->click();

        QCOMPARE(current_valve, 1);
        QCOMPARE(report_type, reportType);
        QCOMPARE(test_mode, mode);
        QVERIFY(!ready_to_record);
        QCOMPARE(widget<QStackedWidget>("form_stack")->currentIndex(), mode);
        QCOMPARE(widget<QPushButton>("record_button")->styleSheet(),
                 QStringLiteral("font-size: 12px;"));
        for (const Page *other : {&installedHeightPage, &seatLoadPage, &bindClearancePage})
            QCOMPARE(widget<QPushButton>(other->button)->styleSheet(),
                     other == &p ? QStringLiteral("font-size: 11px;background-color: rgb(0, 100, 0)")
                                 : QStringLiteral("font-size: 11px;"));
        // Valve 1 is an intake valve: its side's values and curve are shown.
        QCOMPARE(label(p.valueLabels[0])->text(), QStringLiteral("0.550"));
        QCOMPARE(label(QStringLiteral("label_20"))->text(), QStringLiteral("300"));
    }

    // An opened session fills the fields; one narrower than its value scrolls
    // it, and 125.5 reads as "25.5". The window may be at its narrowest.
    void targetFieldsShowTheirValuesWhole_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("text");
        QTest::newRow("installed height") << "installed" << "1.800";
        QTest::newRow("installed height, four decimals") << "installed" << "1.8125";
        QTest::newRow("seat load") << "seat" << "125.5";
        QTest::newRow("bind clearance") << "bind" << "0.0625";
    }

    void targetFieldsShowTheirValuesWhole()
    {
        QFETCH(QString, page);
        QFETCH(QString, text);
        const Page &p = pageNamed(page);
        showAtNarrowestWidth(p);
        for (const char *name : {p.intakeField, p.exhaustField}) {
            QLineEdit *field = widget<QLineEdit>(name);
            field->setText(text);
            const QString shortfall = textRoomShortfall(field, text);
            QVERIFY2(shortfall.isEmpty(), qPrintable(shortfall));
        }
    }

    // A theoretical lift of 0 gives a deflection of -200.000, the widest value
    // a page shows; a cut label would drop its minus sign.
    void valueLabelsShowTheirValuesWhole()
    {
        const QString text = QStringLiteral("-200.000");
        for (const Page *p : {&installedHeightPage, &seatLoadPage, &bindClearancePage}) {
            for (const QString &name : p->valueLabels)
                label(name)->setText(text);
            showAtNarrowestWidth(*p);
            for (const QString &name : p->valueLabels) {
                const int needed = label(name)->fontMetrics().horizontalAdvance(text);
                const int room = label(name)->contentsRect().width();
                QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1 needs %2 px, has %3 px")
                                                        .arg(name).arg(needed).arg(room)));
            }
        }
    }

    void linearSpringResults_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("valve");
        QTest::addColumn<QStringList>("expected");
        // Hand results: seat and open loads k x (free length + offset - h),
        // truncated; offset = 0.008 x 51 / 349 for 300 samples; bind height 0.705.
        QTest::newRow("installed height, intake")
            << "installed" << 1
            << QStringList{"0.550", "0.020", "4.000", "125", "1.291", "252", "250", "0.705", "0.586"};
        QTest::newRow("installed height, exhaust")
            << "installed" << 2
            << QStringList{"0.500", "0.030", "0.000", "117", "1.280", "201", "179", "0.705", "0.575"};
        // (227 - 100.5) / 0.5088 = 248.6; a truncated target would give 249.6.
        QTest::newRow("seat load, intake")
            << "seat" << 1
            << QStringList{"0.550", "0.020", "4.000", "1.899", "1.390", "227", "249", "0.705", "0.685"};
        QTest::newRow("seat load, exhaust")
            << "seat" << 2
            << QStringList{"0.500", "0.030", "0.000", "1.568", "1.098", "234", "179", "0.705", "0.393"};
        // Installed height = 0.705 + 0.12 + 0.5088; open height = that - 0.5088.
        QTest::newRow("bind clearance, intake")
            << "bind" << 1
            << QStringList{"0.550", "0.020", "4.000", "1.334", "241", "0.825", "369", "252", "0.705"};
        QTest::newRow("bind clearance, exhaust")
            << "bind" << 2
            << QStringList{"0.500", "0.030", "0.000", "1.265", "204", "0.795", "289", "181", "0.705"};
    }

    void linearSpringResults()
    {
        QFETCH(QString, page);
        QFETCH(int, valve);
        QFETCH(QStringList, expected);
        const Page &p = pageNamed(page);
        widget<QPushButton>(p.button)->click();
        enterBoth(p);
        selectValve(valve);
        bind_clearance = -7.0;
        refresh(p);

        QCOMPARE(values(p), expected);
        QCOMPARE(label(QStringLiteral("label_20"))->text(), QStringLiteral("300"));
        QCOMPARE(label(QString::fromLatin1(p.message))->text(), QString());
        QCOMPARE(bind_height, valve_heights[valve].last());
        // The compensation worked on a copy.
        QCOMPARE(active_heights, valve_heights[valve]);
        if (&p == &bindClearancePage)
            QCOMPARE(bind_clearance, -7.0);
        else
            QCOMPARE(QString::number(bind_clearance, 'f', 3), expected.last());

        // Confirming a field again, unchanged, shows the very same results.
        enter(valve % 2 ? p.intakeField : p.exhaustField,
              valve % 2 ? intakeTarget(p) : exhaustTarget(p));
        QCOMPARE(values(p), expected);
        QCOMPARE(active_heights, valve_heights[valve]);
    }

    void missingTargetsPrompt_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("intakePrompt");
        QTest::addColumn<QString>("exhaustPrompt");
        QTest::newRow("installed height") << "installed"
                                          << "Please enter intake installed height"
                                          << "Please enter exhaust installed height";
        QTest::newRow("seat load") << "seat"
                                   << "Please enter target intake seat load"
                                   << "Please enter target exhaust seat load";
        QTest::newRow("bind clearance") << "bind"
                                        << "Please enter intake target bind clearance"
                                        << "Please enter exhaust target bind clearance";
    }

    void missingTargetsPrompt()
    {
        QFETCH(QString, page);
        QFETCH(QString, intakePrompt);
        QFETCH(QString, exhaustPrompt);
        const Page &p = pageNamed(page);
        QLabel *message = label(QString::fromLatin1(p.message));

        widget<QPushButton>(p.button)->click();
        QCOMPARE(message->text(), intakePrompt);
        QCOMPARE(message->styleSheet(), red);

        // Only the intake target: the exhaust prompt is shown and at once
        // emptied again, and nothing is computed.
        for (const QString &name : p.valueLabels)
            label(name)->setText(QStringLiteral("kept"));
        enter(p.intakeField, intakeTarget(p));
        QCOMPARE(message->text(), QString());
        QCOMPARE(message->styleSheet(), red);
        QCOMPARE(values(p), QStringList(QVector<QString>(9, QStringLiteral("kept")).toList()));

        // A text that is not a number counts as 0; its prompt stays.
        enter(p.exhaustField, QStringLiteral("abc"));
        QCOMPARE(message->text(), exhaustPrompt);
        // So does one that is no finite number: the prompt shows only for 0.
        enter(p.exhaustField, QStringLiteral("inf"));
        QCOMPARE(message->text(), exhaustPrompt);
        enter(p.exhaustField, QStringLiteral("-inf"));
        QCOMPARE(message->text(), exhaustPrompt);
        enter(p.exhaustField, QStringLiteral("1e999"));
        QCOMPARE(message->text(), exhaustPrompt);
        enter(p.exhaustField, QStringLiteral("-0"));
        QCOMPARE(message->text(), exhaustPrompt);
        // The intake target is asked for first.
        enter(p.intakeField, QStringLiteral("nan"));
        QCOMPARE(message->text(), intakePrompt);
        QCOMPARE(values(p), QStringList(QVector<QString>(9, QStringLiteral("kept")).toList()));

        enterBoth(p);
        QCOMPARE(message->text(), QString());
        QCOMPARE(label(p.valueLabels[0])->text(), QStringLiteral("0.550"));
    }

    void bindClearanceAlarm_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("installed height") << "installed";
        QTest::newRow("seat load") << "seat";
    }

    void bindClearanceAlarm()
    {
        QFETCH(QString, page);
        const Page &p = pageNamed(page);
        enterBoth(p);
        widget<QPushButton>(p.button)->click();
        QLabel *clearance = label(p.valueLabels.last());

        bind_clearance_alarm = bind_clearance;
        refresh(p);
        QCOMPARE(clearance->styleSheet(), QString());
        bind_clearance_alarm = bind_clearance + 0.001;
        refresh(p);
        QCOMPARE(clearance->styleSheet(), alarm);
        bind_clearance_alarm = 0.0;
        refresh(p);
        QCOMPARE(clearance->styleSheet(), QString());
    }

    void exhaustRangeCheckAppliesToIntakeValves()
    {
        enterBoth(installedHeightPage);
        widget<QPushButton>(installedHeightPage.button)->click();
        const QStringList before = values(installedHeightPage);
        QCOMPARE(before[3], QStringLiteral("125"));

        // Second compensated height 2.195 + 0.00117, less 0.1: 2.0962.
        BoxAnswerer answerer;
        ex_inst_height = 2.09;
        refresh(installedHeightPage);
        QVERIFY(answerer.seen.isEmpty());

        window->show();
        QLineEdit *field = widget<QLineEdit>(installedHeightPage.exhaustField);
        field->activateWindow();
        field->setFocus();
        bind_height = 0.0;
        field->setText(QStringLiteral("2.1"));
        QTest::keyClick(field, Qt::Key_Return);
        const auto boxes = [&answerer] { return answerer.seen; };
        QTRY_COMPARE(boxes().size(), 1);
        QTest::qWait(100);
        QCOMPARE(boxes().size(), 1); // one box for one entry
        QCOMPARE(boxes()[0].title, QStringLiteral("Warning"));
        QCOMPARE(boxes()[0].text,
                 QStringLiteral("Exhaust Intalled Height Out of Range!\nPlease enter correct data"));
        QCOMPARE(boxes()[0].icon, QMessageBox::Information);
        QCOMPARE(current_valve, 1);
        QCOMPARE(values(installedHeightPage), before);
        QCOMPARE(bind_height, 2.2 - 0.005 * 299);
    }

    void singleSampleCurveSkipsTheRangeCheck()
    {
        valve_heights[1] = {1.9};
        valve_loads[1] = {50.0};
        selectValve(1);
        in_inst_height = 1.8;
        ex_inst_height = 2.5;
        BoxAnswerer answerer;
        widget<QPushButton>(installedHeightPage.button)->click();
        QTest::qWait(60);
        QVERIFY(answerer.seen.isEmpty());
        // Open height 1.8 - 0.5088; clearance 1.2912 - 1.9.
        QCOMPARE(values(installedHeightPage),
                 (QStringList{"0.550", "0.020", "4.000", "---", "1.291", "---", "---", "1.900",
                              "-0.609"}));
        QCOMPARE(label(QStringLiteral("label_20"))->text(), QStringLiteral("1"));
    }

    void resultsWithoutEstimateShowDashes()
    {
        // A seat window above the curve: no seat load and so no rate; the
        // open side does not depend on it.
        in_inst_height = 2.5;
        ex_inst_height = 1.75;
        bind_clearance_alarm = 10.0;
        widget<QPushButton>(installedHeightPage.button)->click();
        QCOMPARE(values(installedHeightPage),
                 (QStringList{"0.550", "0.020", "4.000", "---", "1.991", "77", "---", "0.705",
                              "1.286"}));

        // No effective lift: only the rate is missing.
        in_valve_lash = in_valve_lift;
        in_inst_height = 1.8;
        refresh(installedHeightPage);
        QCOMPARE(values(installedHeightPage),
                 (QStringList{"0.550", "0.550", "4.000", "125", "1.800", "125", "---", "0.705",
                              "1.095"}));

        // A seat load beyond the spring: nothing rests on a curve value but
        // the side values and the bind height; the last clearance stays.
        in_valve_lash = 0.02;
        const double lastClearance = bind_clearance;
        in_targ_seat_press = 5000.0;
        ex_targ_seat_press = 150.0;
        widget<QPushButton>(seatLoadPage.button)->click();
        QCOMPARE(values(seatLoadPage),
                 (QStringList{"0.550", "0.020", "4.000", "---", "---", "---", "---", "0.705",
                              "---"}));
        QCOMPARE(label(QStringLiteral("label_28"))->styleSheet(), QString());
        QCOMPARE(bind_clearance, lastClearance);

        // A side value that is not a number (a damaged session file) shows
        // as missing, and so does everything computed from it.
        in_deflection = std::numeric_limits<double>::quiet_NaN();
        in_targ_seat_press = 100.5;
        refresh(seatLoadPage);
        QCOMPARE(values(seatLoadPage),
                 (QStringList{"0.550", "0.020", "---", "1.899", "---", "---", "---", "0.705",
                              "---"}));
        QCOMPARE(bind_clearance, lastClearance);
        in_deflection = 4.0;

        // Loads that never rise give no estimate at all.
        valve_loads[1].fill(80.0);
        selectValve(1);
        in_targ_bind_clear = 0.1;
        ex_targ_bind_clear = 0.1;
        widget<QPushButton>(bindClearancePage.button)->click();
        QCOMPARE(values(bindClearancePage),
                 (QStringList{"0.550", "0.020", "4.000", "1.314", "---", "0.805", "---", "---",
                              "0.705"}));
    }

    void valveWithoutDataClearsTheValues_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("installed height") << "installed";
        QTest::newRow("seat load") << "seat";
        QTest::newRow("bind clearance") << "bind";
    }

    void valveWithoutDataClearsTheValues()
    {
        QFETCH(QString, page);
        const Page &p = pageNamed(page);
        enterBoth(p);
        widget<QPushButton>(p.button)->click();
        QCOMPARE(label(p.valueLabels[7])->text().isEmpty(), false);
        label(QString::fromLatin1(p.message))->setText(QStringLiteral("note"));

        valve_heights[2].clear();
        valve_loads[2].clear();
        selectValve(2);
        refresh(p);
        QCOMPARE(values(p), QStringList(QVector<QString>(9).toList()));
        // What the step buttons own is left to them.
        QCOMPARE(label(QStringLiteral("label_20"))->text(), QStringLiteral("300"));
        QCOMPARE(label(QString::fromLatin1(p.message))->text(), QStringLiteral("note"));
        QCOMPARE(bind_height, 2.2 - 0.005 * 299);
    }

    void stepButtonsRefreshTheOpenPage_data()
    {
        valveWithoutDataClearsTheValues_data();
    }

    void stepButtonsRefreshTheOpenPage()
    {
        QFETCH(QString, page);
        const Page &p = pageNamed(page);
        enterBoth(p);
        widget<QPushButton>(p.button)->click();
        const QStringList shown = values(p);
        QVERIFY(!shown.at(7).isEmpty());

        valve_heights[2].clear();
        valve_loads[2].clear();
        widget<QPushButton>("up_button")->click();
        QCOMPARE(current_valve, 2);
        QCOMPARE(values(p), QStringList(QVector<QString>(9).toList()));
        QCOMPARE(label(QStringLiteral("label_20"))->text(), QStringLiteral("0"));

        widget<QPushButton>("down_button")->click();
        QCOMPARE(current_valve, 1);
        QCOMPARE(values(p), shown);
        QCOMPARE(label(QStringLiteral("label_20"))->text(), QString::number(valve_heights[1].size()));
    }
};

KESTRIX_TEST_MAIN(tst_target_pages)
#include "tst_target_pages.moc"
