// Recording strokes: arming, collecting samples, the load-cell warnings, the
// time-out, and how a finished stroke is cut, checked and stored.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "stroke_generator.h"
#include "test_main.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QStackedWidget>
#include <qcustomplot.h>
#include <qwt_thermo.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

namespace {

// A stroke whose heights only fall and whose load then drops straight to
// nothing: it has no release point, so every sample is kept.
QVector<StrokeSample> plainStroke(int samples, double startLoad = 100.0)
{
    StrokeShape shape;
    shape.compressedSamples = samples;
    shape.startLoad = startLoad;
    shape.releaseSamples = 0;
    shape.unloadedReadings = 1;
    return compressionStroke(shape);
}

QVector<double> someCurve(double from)
{
    return {from, from - 0.1, from - 0.2};
}

} // namespace

class tst_recording : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QSerialPort> port;
    QSerialPort *previousPort = nullptr;

    template<class T>
    T *widget(const char *name)
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        Q_ASSERT(found);
        return found;
    }
    QLabel *message() { return widget<QLabel>("message"); }
    QLabel *warnMessage() { return widget<QLabel>("warn_message"); }
    QwtThermo *sampleGauge() { return widget<QwtThermo>("Thermo_2"); }
    QCustomPlot *plot() { return widget<QCustomPlot>("customPlot"); }
    void clickRecord() { widget<QPushButton>("record_button")->click(); }

    // The curve of valve 1 stored and shown, to see what a failure keeps.
    void storeValveOneCurve()
    {
        valve_heights[1] = someCurve(1.8);
        valve_loads[1] = {100.0, 140.0, 180.0};
        window->init_active_vector();
    }

    // Records a stroke of 120 points, long enough for the pause after it,
    // and runs `during` inside that pause, before the valve is advanced.
    // Whether `during` ran is returned.
    bool duringThePauseAfterAStroke(const std::function<void()> &during)
    {
        QVector<StrokeSample> first = plainStroke(120, 100.0);
        const StrokeSample firstEnd = first.takeLast();
        feedStroke(*window, first);
        bool ran = false;
        // Gone with this call, so that it cannot fire later if no pause ran.
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, this, [&] {
            during();
            ran = true;
        });
        timer.start(50);
        feedReading(*window, firstEnd.load, firstEnd.height);
        return ran;
    }

    void feedSamples(const QVector<double> &loads, double fromHeight = 2.0)
    {
        double height = fromHeight;
        for (double load : loads) {
            feedReading(*window, load, height);
            height -= 0.01;
        }
    }

private slots:
    void initTestCase()
    {
        storeQuietStart();
    }

    void init()
    {
        clearRecordingState();
        show_retainer_warning = false;
        plot_all_data = false;
        settings.setValue(QStringLiteral("retainer_warning/config/key"), false);
        settings.setValue(QStringLiteral("plot_all_data/config/key"), false);
        window = std::make_unique<MainWindow>();
        clearRecordingState();
        // A port object of our own, never opened, shows whether the
        // recording holds back the tester's readings.
        previousPort = serial_port;
        port = std::make_unique<QSerialPort>();
        serial_port = port.get();
    }

    void cleanup()
    {
        serial_port = previousPort;
        port.reset();
        window.reset();
    }

    void recordButtonArmsAndDisarms()
    {
        clickRecord();
        QVERIFY(ready_to_record);
        QCOMPARE(test_mode, 1);
        QCOMPARE(widget<QPushButton>("record_button")->styleSheet(),
                 QStringLiteral("font-size: 12px;background-color: rgb(255, 0, 0)"));
        QCOMPARE(widget<QPushButton>("target_seat_pressure_button")->styleSheet(),
                 QStringLiteral("font-size: 11px;"));
        QCOMPARE(widget<QStackedWidget>("form_stack")->currentIndex(), 1);
        QCOMPARE(message()->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));
        QVERIFY(warnMessage()->isHidden());

        // Switching off keeps the stroke begun so far.
        feedReading(*window, 50.0, 1.9);
        clickRecord();
        QVERIFY(!ready_to_record);
        QCOMPARE(sample_count, 1);
        QCOMPARE(stroke_loads[1], 50.0);
        QCOMPARE(test_mode, 1);
        QCOMPARE(widget<QPushButton>("record_button")->styleSheet(), QStringLiteral("font-size: 12px;"));
        QCOMPARE(widget<QStackedWidget>("form_stack")->currentIndex(), 0);
        QCOMPARE(message()->text(), QStringLiteral("<font color='Red'>Recording Data</font>"));

        // Readings while off add nothing.
        feedReading(*window, 60.0, 1.8);
        QCOMPARE(sample_count, 1);
    }

    void retainerReminderBeforeRecording()
    {
        show_retainer_warning = true;
        BoxAnswerer answerer;
        bool tickedOff = true;
        answerer.queue([&](QWidget *dialog) {
            auto *box = dialog->findChild<QCheckBox *>(QStringLiteral("checkBox"));
            QVERIFY(box && !box->isChecked());
            box->setChecked(true);
            box->setChecked(false);
            tickedOff = show_retainer_warning;
            dialog->findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        });
        clickRecord();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().className, QStringLiteral("retainer_warning"));
        QCOMPARE(answerer.seen.first().title, QStringLiteral("Warning"));
        QVERIFY(!tickedOff);
        QVERIFY(ready_to_record);

        // Unticking did not bring it back: off and on again shows nothing.
        clickRecord();
        clickRecord();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(ready_to_record);
    }

    void retainerReminderClosedByTitleBar()
    {
        show_retainer_warning = true;
        BoxAnswerer answerer;
        answerer.queue([](QWidget *dialog) { dialog->close(); });
        clickRecord();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(ready_to_record);
        QVERIFY(show_retainer_warning);
    }

    void sampleThresholdIsStrictlyAboveTenPounds()
    {
        clickRecord();
        feedReading(*window, 10.0, 2.0);
        QCOMPARE(sample_count, 0);
        feedSamples({50.0, 60.0});
        QCOMPARE(sample_count, 2);
        // Exactly 10 lbs neither adds a sample nor ends the stroke.
        BoxAnswerer answerer;
        feedReading(*window, 10.0, 1.5);
        QCOMPARE(sample_count, 2);
        QVERIFY(answerer.seen.isEmpty());
        // Just below ends it (too short, so it is rejected).
        feedReading(*window, 9.99, 1.5);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(sample_count, 0);
    }

    // A brush of the platen or a spike of the load cell, heavy and low
    // enough to cut the next stroke short if it were kept as its first point.
    void loneSampleIsDroppedBeforeTheNextStroke()
    {
        clickRecord();
        BoxAnswerer answerer;
        feedReading(*window, 1700.0, 1.5);
        QVERIFY(!warnMessage()->isHidden());
        feedReading(*window, 0.0, 2.0);
        QCOMPARE(sample_count, 0);
        const auto zero = [](double value) { return value == 0.0; };
        QVERIFY(std::all_of(std::begin(stroke_heights), std::end(stroke_heights), zero));
        QVERIFY(std::all_of(std::begin(stroke_loads), std::end(stroke_loads), zero));
        QVERIFY(answerer.seen.isEmpty());
        QCOMPARE(sampleGauge()->value(), 0.0);
        QCOMPARE(message()->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));
        QVERIFY(warnMessage()->isHidden());
        QCOMPARE(overload_state, 0);
        QVERIFY(ready_to_record);

        feedStroke(*window, plainStroke(100));
        QVERIFY(answerer.seen.isEmpty());
        QCOMPARE(current_valve, 2);
        QCOMPARE(valve_heights[1].size(), 100);
        QCOMPARE(valve_heights[1].first(), 2.0);
        QCOMPARE(valve_loads[1].first(), 100.0);
    }

    void sampleGaugeCountsAndMarksAStandstill()
    {
        clickRecord();
        // The first sample is compared with the unused entry 0 (0.0).
        feedReading(*window, 20.0, 0.0);
        QCOMPARE(sampleGauge()->alarmLevel(), -9.0);
        for (int n = 2; n <= 14; ++n)
            feedReading(*window, 20.0 + n, 2.0 - n * 0.01);
        feedReading(*window, 40.0, 2.0 - 14 * 0.01);
        QCOMPARE(sample_count, 15);
        QCOMPARE(sampleGauge()->value(), 15.0);
        QCOMPARE(sampleGauge()->alarmLevel(), 5.0);
        QCOMPARE(message()->text(), QStringLiteral("<font color='Red'>Recording Data</font>"));
    }

    void loadCellWarnings_data()
    {
        QTest::addColumn<QVector<double>>("loads");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("style");  // empty: warning line hidden
        QTest::addColumn<QString>("text");
        const QString orange = QStringLiteral("QLabel { background-color :rgb(255, 170, 0); }");
        const QString red = QStringLiteral("QLabel { background-color : red; }");
        const QString approaching = QStringLiteral("<font color='Black'>Approaching Load Cell Overload</font>");
        const QString overload = QStringLiteral("<font color='Black'>--- Load Cell Overload ---</font>");
        QTest::newRow("1650 is not near") << QVector<double>{1650} << 0 << QString() << QString();
        QTest::newRow("1700 orange") << QVector<double>{1700} << 1 << orange << approaching;
        QTest::newRow("1700 then 1850 stays orange") << QVector<double>{1700, 1850} << 1 << orange << approaching;
        QTest::newRow("1700, 1900 red") << QVector<double>{1700, 1900} << 2 << red << approaching;
        QTest::newRow("1700, 1900, 2200 overload") << QVector<double>{1700, 1900, 2200} << 2 << red << overload;
        QTest::newRow("1850 exactly") << QVector<double>{1850} << 0 << QString() << QString();
        QTest::newRow("first load 1900") << QVector<double>{1900} << 0 << QString() << QString();
        QTest::newRow("first 1900 then 2200") << QVector<double>{1900, 2200} << 0 << red << overload;
        QTest::newRow("2100 exactly") << QVector<double>{2100} << 0 << QString() << QString();
        QTest::newRow("red, then back below") << QVector<double>{1700, 1900, 1700} << 2 << red << approaching;
    }

    void loadCellWarnings()
    {
        QFETCH(QVector<double>, loads);
        QFETCH(int, state);
        QFETCH(QString, style);
        QFETCH(QString, text);
        clickRecord();
        feedSamples(loads);
        QCOMPARE(overload_state, state);
        QCOMPARE(warnMessage()->isHidden(), style.isEmpty());
        if (!style.isEmpty()) {
            QCOMPARE(warnMessage()->styleSheet(), style);
            QCOMPARE(warnMessage()->text(), text);
        }
    }

    void fiveHundredthSampleTimesOut()
    {
        storeValveOneCurve();
        clickRecord();
        for (int n = 1; n <= 499; ++n)
            feedReading(*window, 100.0 + n, 2.0 - n * 0.002);
        QCOMPARE(sample_count, 499);

        BoxAnswerer answerer;
        QWidget *boxParent = window.get();
        bool portBlocked = true;
        answerer.queue([&](QWidget *box) {
            boxParent = box->parentWidget();
            portBlocked = serial_port->signalsBlocked();
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        feedReading(*window, 700.0, 1.0);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen.first().text, QStringLiteral("To Slow - Test Timed Out!"));
        QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
        QCOMPARE(boxParent, nullptr);
        QVERIFY(!portBlocked);

        QCOMPARE(sample_count, 0);
        for (int i = 0; i < stroke_capacity; ++i)
            QVERIFY(stroke_heights[i] == 0.0 && stroke_loads[i] == 0.0);
        QVERIFY(active_heights.isEmpty() && active_loads.isEmpty());
        QCOMPARE(plot()->graphCount(), 0);
        QCOMPARE(sampleGauge()->value(), 0.0);
        QCOMPARE(message()->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));
        QVERIFY(ready_to_record);
        QCOMPARE(current_valve, 1);
        QCOMPARE(valve_heights[1], someCurve(1.8));

        // The abandoned stroke does not end again when the load goes.
        feedReading(*window, 0.0, 2.0);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(current_valve, 1);
    }

    void fourHundredNinetyNineSamplesAreStored()
    {
        clickRecord();
        BoxAnswerer answerer;
        for (int n = 1; n <= 499; ++n)
            feedReading(*window, 100.0 + n, 2.0 - n * 0.002);
        feedReading(*window, 0.0, 2.0);
        QVERIFY(answerer.seen.isEmpty());
        QCOMPARE(valve_heights[1].size(), 499);
        QCOMPARE(valve_loads[1].size(), 499);
        QCOMPARE(current_valve, 2);
    }

    // Heights 1.900 .. 1.750: sample 7 rises above sample 4, so the operator
    // let go at sample 4 and only samples 1 to 3 are the spring's curve.
    void strokeIsCutBeforeTheReleasePoint_data()
    {
        QTest::addColumn<double>("thirdLoad");
        QTest::addColumn<bool>("stored");
        QTest::newRow("third sample 2000") << 2000.0 << true;
        QTest::newRow("third sample 2150") << 2150.0 << false;
    }

    void strokeIsCutBeforeTheReleasePoint()
    {
        QFETCH(double, thirdLoad);
        QFETCH(bool, stored);
        storeValveOneCurve();
        const QVector<double> heights{1.900, 1.800, 1.700, 1.600, 1.650, 1.700, 1.750};
        // Loads after the release point are never tested against the limit.
        const QVector<double> loads{1000.0, 1500.0, thirdLoad, 2500.0, 2400.0, 2300.0, 2200.0};
        clickRecord();
        for (int i = 0; i < heights.size(); ++i)
            feedReading(*window, loads[i], heights[i]);
        // Switched off mid-stroke, a short stroke is still stored.
        clickRecord();
        BoxAnswerer answerer;
        feedReading(*window, 0.0, 1.9);
        if (stored) {
            QVERIFY(answerer.seen.isEmpty());
            QCOMPARE(valve_heights[1], (QVector<double>{1.900, 1.800, 1.700}));
            QCOMPARE(valve_loads[1], (QVector<double>{1000.0, 1500.0, thirdLoad}));
            QCOMPARE(widget<QLabel>("label_20")->text(), QStringLiteral("3"));
            QCOMPARE(current_valve, 2);
        } else {
            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen.first().text,
                     QStringLiteral("Exceeded Stack Height Load of 2100 Lbs.\n System Overload - Test Failed!"));
            QCOMPARE(valve_heights[1], someCurve(1.8));
            QCOMPARE(current_valve, 1);
        }
        QCOMPARE(sample_count, 0);
    }

    void tooFewPointsRejectedWhileRecording()
    {
        storeValveOneCurve();
        clickRecord();
        const QVector<double> heights{1.900, 1.800, 1.700, 1.600, 1.650, 1.700, 1.750};
        for (double height : heights)
            feedReading(*window, 500.0, height);
        BoxAnswerer answerer;
        bool portBlocked = false;
        QWidget *boxParent = window.get();
        answerer.queue([&](QWidget *box) {
            portBlocked = serial_port->signalsBlocked();
            boxParent = box->parentWidget();
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        feedReading(*window, 0.0, 1.9);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().text, QStringLiteral(" Insufficient Data - Slow Down!"));
        QCOMPARE(answerer.seen.first().title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
        QVERIFY(portBlocked);
        QCOMPARE(boxParent, nullptr);
        QVERIFY(!serial_port->signalsBlocked());
        QCOMPARE(valve_heights[1], someCurve(1.8));
        QVERIFY(active_heights.isEmpty());
        QCOMPARE(plot()->graphCount(), 0);
        QCOMPARE(current_valve, 1);
        QVERIFY(ready_to_record);
        QCOMPARE(message()->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));
    }

    void keptPointCountDecides_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("paused");
        QTest::newRow("99") << 99 << false << false;
        QTest::newRow("100") << 100 << true << false;
        QTest::newRow("101") << 101 << true << true;
    }

    void keptPointCountDecides()
    {
        QFETCH(int, samples);
        QFETCH(bool, stored);
        QFETCH(bool, paused);
        clickRecord();
        QVector<StrokeSample> stroke = plainStroke(samples);
        const StrokeSample last = stroke.takeLast();
        feedStroke(*window, stroke);

        // A timer that can only fire inside the pause's own event loop
        // (or a box's) tells whether the pause ran.
        BoxAnswerer answerer;
        bool fired = false;
        QString shownDuringPause;
        QTimer::singleShot(0, this, [&] {
            fired = true;
            shownDuringPause = message()->text();
        });
        feedReading(*window, last.load, last.height);

        QCOMPARE(answerer.seen.isEmpty(), stored);
        QCOMPARE(valve_heights[1].size(), stored ? samples : 0);
        QCOMPARE(current_valve, stored ? 2 : 1);
        if (stored) {
            QCOMPARE(fired, paused);
            if (paused)
                QCOMPARE(shownDuringPause, QStringLiteral("<font color='Green'>Successful Test</font>"));
            QCOMPARE(widget<QLabel>("label_20")->text(), QString::number(samples));
            QCOMPARE(widget<QLabel>("cyl_label")->text(), QStringLiteral("#1 Exhaust"));
            // The plot keeps the valve just recorded.
            QCOMPARE(active_heights, valve_heights[1]);
            QCOMPARE(plot()->graph(0)->dataCount(), samples);
            QCOMPARE(message()->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));
            QVERIFY(!serial_port->signalsBlocked());
        }
        // Let the probe fire before its captures go out of scope.
        QTest::qWait(1);
    }

    void stackHeightLoadLimit_data()
    {
        QTest::addColumn<double>("lastLoad");
        QTest::addColumn<bool>("stored");
        QTest::newRow("2100 exactly") << 2100.0 << true;
        QTest::newRow("2100.5") << 2100.5 << false;
    }

    void stackHeightLoadLimit()
    {
        QFETCH(double, lastLoad);
        QFETCH(bool, stored);
        storeValveOneCurve();
        clickRecord();
        for (int n = 1; n < 100; ++n)
            feedReading(*window, 20.0 * n, 2.0 - n * 0.005);
        feedReading(*window, lastLoad, 1.45);
        BoxAnswerer answerer;
        feedReading(*window, 0.0, 2.0);
        if (stored) {
            QVERIFY(answerer.seen.isEmpty());
            QCOMPARE(valve_loads[1].last(), lastLoad);
            QCOMPARE(current_valve, 2);
        } else {
            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen.first().title, QStringLiteral("Warning"));
            QCOMPARE(answerer.seen.first().icon, QMessageBox::Warning);
            QCOMPARE(answerer.seen.first().text,
                     QStringLiteral("Exceeded Stack Height Load of 2100 Lbs.\n System Overload - Test Failed!"));
            QCOMPARE(valve_heights[1], someCurve(1.8));
            QVERIFY(active_heights.isEmpty() && active_loads.isEmpty());
            // The curve on the plot stays for the operator to look at.
            QCOMPARE(plot()->graphCount(), 1);
            QCOMPARE(current_valve, 1);
            QVERIFY(ready_to_record);
            QCOMPARE(overload_state, 0);
            QVERIFY(warnMessage()->isHidden());
            // The next spring, pressed before OK, records nothing until it
            // is let go; the compression after that is stored whole.
            feedSamples(QVector<double>(150, 400.0), 1.9);
            QCOMPARE(sample_count, 0);
            feedReading(*window, 0.0, 2.0);
            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(valve_heights[1], someCurve(1.8));
            feedStroke(*window, plainStroke(100, 300.0));
            QCOMPARE(valve_loads[1].size(), 100);
            QCOMPARE(valve_loads[1].first(), 300.0);
        }
        QVERIFY(!serial_port->signalsBlocked());
    }

    void heightsBelowATenthAreDroppedWithTheirLoads()
    {
        clickRecord();
        for (int n = 1; n <= 118; ++n)
            feedReading(*window, 100.0 + n, 2.0 - n * 0.01);
        feedReading(*window, 1500.0, 0.09);
        feedReading(*window, 1600.0, 0.08);
        feedReading(*window, 0.0, 2.0);
        QCOMPARE(valve_heights[1].size(), 118);
        QCOMPARE(valve_loads[1].size(), 118);
        QVERIFY(!valve_loads[1].contains(1500.0) && !valve_loads[1].contains(1600.0));
        QCOMPARE(valve_loads[1].last(), 218.0);
        QCOMPARE(valve_heights[1].last(), 2.0 - 118 * 0.01);
    }

    // A misread low height mid-stroke looks like the spring extending again
    // right after it, so the curve ends before it.
    void misreadLowHeightEndsTheCurve()
    {
        clickRecord();
        for (int n = 1; n <= 110; ++n)
            feedReading(*window, 100.0 + n, n == 50 ? 0.05 : 2.0 - n * 0.005);
        clickRecord();  // off, so the short remainder is not refused for its length
        BoxAnswerer answerer;
        feedReading(*window, 0.0, 2.0);
        QVERIFY(answerer.seen.isEmpty());
        QCOMPARE(valve_heights[1].size(), 49);
        QCOMPARE(valve_loads[1].size(), 49);
        QCOMPARE(valve_loads[1].last(), 149.0);
    }

    // A height that is not a number would poison every later calculation on
    // the curve; it goes together with its load.
    void heightThatIsNotANumberIsDropped()
    {
        clickRecord();
        for (int n = 1; n <= 120; ++n)
            feedReading(*window, 100.0 + n, n == 60 ? qQNaN() : 2.0 - n * 0.005);
        feedReading(*window, 0.0, 2.0);
        QCOMPARE(valve_heights[1].size(), 119);
        QCOMPARE(valve_loads[1].size(), 119);
        QVERIFY(!valve_loads[1].contains(160.0));
        for (double height : valve_heights[1])
            QVERIFY(height >= 0.1);
    }

    void recordModeOffMidStrokeStoresFewPoints()
    {
        clickRecord();
        feedStroke(*window, plainStroke(30).mid(0, 30));
        clickRecord();
        feedReading(*window, 0.0, 2.0);
        QCOMPARE(valve_heights[1].size(), 30);
        QCOMPARE(current_valve, 2);
        QVERIFY(!ready_to_record);
    }

    void releasedStrokeKeepsOnlyTheFallingPart()
    {
        clickRecord();
        feedStroke(*window, compressionStroke());
        const QVector<double> &heights = valve_heights[1];
        QCOMPARE(heights.size(), StrokeShape().compressedSamples - 3);
        for (int i = 1; i < heights.size(); ++i)
            QVERIFY(heights[i] < heights[i - 1]);
        QCOMPARE(valve_loads[1].size(), heights.size());
        QCOMPARE(current_valve, 2);
    }

    void lastValveEndsTheTestRun()
    {
        no_of_cyl = 2;
        current_valve = 3;
        clickRecord();
        feedStroke(*window, plainStroke(100));
        QCOMPARE(current_valve, 4);
        QCOMPARE(widget<QLabel>("cyl_label")->text(), QStringLiteral("#2 Exhaust"));

        BoxAnswerer answerer;
        QWidget *boxParent = nullptr;
        answerer.queue([&](QWidget *box) {
            boxParent = box->parentWidget();
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        feedStroke(*window, plainStroke(100, 150.0));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().text, QStringLiteral(" Testing complete"));
        QCOMPARE(answerer.seen.first().title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen.first().icon, QMessageBox::Information);
        QCOMPARE(boxParent, window.get());

        QCOMPARE(valve_heights[4].size(), 100);
        QCOMPARE(valve_loads[4].first(), 150.0);
        QVERIFY(!ready_to_record);
        QCOMPARE(current_valve, 1);
        QCOMPARE(widget<QStackedWidget>("form_stack")->currentIndex(), 0);
        QCOMPARE(widget<QPushButton>("record_button")->styleSheet(), QStringLiteral("font-size: 12px;"));
        QCOMPARE(active_heights, valve_heights[4]);
        feedReading(*window, 0.0, 2.0);
        QCOMPARE(widget<QLabel>("cyl_label")->text(), QStringLiteral("#1 Intake"));
    }

    // A stroke that ends during the pause of the previous one waits for the
    // advance and is stored for the next valve, not over the previous one.
    void strokeEndingDuringThePauseWaitsForTheAdvance()
    {
        clickRecord();
        QVERIFY(duringThePauseAfterAStroke([&] { feedStroke(*window, plainStroke(110, 300.0)); }));

        QCOMPARE(valve_heights[1].size(), 120);
        QCOMPARE(valve_loads[1].first(), 100.0);
        QCOMPARE(valve_heights[2].size(), 110);
        QCOMPARE(valve_loads[2].first(), 300.0);
        QCOMPARE(current_valve, 3);
        QCOMPARE(widget<QLabel>("cyl_label")->text(), QStringLiteral("#2 Intake"));
        QCOMPARE(active_loads, valve_loads[2]);
        QCOMPARE(sample_count, 0);
    }

    void strokeEndingDuringTestingCompleteGoesToValveOne()
    {
        no_of_cyl = 1;
        current_valve = 2;
        valve_heights[1] = someCurve(1.8);
        valve_loads[1] = {1.0, 2.0, 3.0};
        clickRecord();
        BoxAnswerer answerer;
        answerer.queue([&](QWidget *box) {
            feedStroke(*window, plainStroke(100, 250.0));
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        feedStroke(*window, plainStroke(100, 100.0));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(valve_loads[2].first(), 100.0);
        QCOMPARE(valve_loads[1].first(), 250.0);
        QCOMPARE(current_valve, 2);
        QVERIFY(!ready_to_record);
    }

    // The stroke waiting behind " Testing complete" ended while record mode
    // was on, so it must be long enough, although the box switched record
    // mode off before it could be looked at: a bump of a few samples may not
    // replace the curve of valve 1.
    void shortStrokeWaitingBehindTestingCompleteIsRejected()
    {
        no_of_cyl = 1;
        current_valve = 2;
        storeValveOneCurve();
        clickRecord();
        BoxAnswerer answerer;
        answerer.queue([&](QWidget *box) {
            feedStroke(*window, plainStroke(20, 250.0));
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        feedStroke(*window, plainStroke(100, 100.0));
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen.first().text, QStringLiteral(" Testing complete"));
        QCOMPARE(answerer.seen.last().text, QStringLiteral(" Insufficient Data - Slow Down!"));
        QCOMPARE(valve_heights[1], someCurve(1.8));
        QCOMPARE(valve_loads[2].first(), 100.0);
        QCOMPARE(current_valve, 1);
        QCOMPARE(sample_count, 0);
        QVERIFY(!ready_to_record);
    }

    // Switching record mode off during the pause does not make the stroke
    // that had already ended under record mode exempt from its length check.
    void shortStrokeWaitingBehindThePauseKeepsItsRecordMode()
    {
        clickRecord();
        BoxAnswerer answerer;
        QVERIFY(duringThePauseAfterAStroke([&] {
            feedStroke(*window, plainStroke(20, 300.0));
            clickRecord();  // off, after the short stroke has ended
            feedReading(*window, 0.0, 2.0);
        }));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().text, QStringLiteral(" Insufficient Data - Slow Down!"));
        QCOMPARE(valve_loads[1].first(), 100.0);
        QVERIFY(valve_heights[2].isEmpty());
        QCOMPARE(current_valve, 2);
        QCOMPARE(sample_count, 0);
    }

    // A stroke still pressed when a target page, Open or New Session selects
    // valve 1 is dropped, as is one waiting behind the pause: stored, it
    // would replace valve 1's curve without its length being checked. Nor
    // is the rest of that compression a stroke when Record is pressed again
    // before the spring is let go.
    void commandsThatSelectValveOneDropTheStrokeUnderWay_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("behindThePause");
        QTest::addColumn<bool>("recordAgain");
        QTest::newRow("target page") << QStringLiteral("target_seat_pressure_button") << false << false;
        QTest::newRow("open, cancelled") << QStringLiteral("open_save_session_button") << false << false;
        QTest::newRow("new session") << QStringLiteral("new_session_button") << false << false;
        QTest::newRow("target page, stroke waiting behind the pause")
            << QStringLiteral("target_bind_clearance_button") << true << false;
        QTest::newRow("target page, Record again while pressed")
            << QStringLiteral("target_installed_height_button") << false << true;
        QTest::newRow("open cancelled, Record again while pressed")
            << QStringLiteral("open_save_session_button") << false << true;
    }
    void commandsThatSelectValveOneDropTheStrokeUnderWay()
    {
        QFETCH(QString, button);
        QFETCH(bool, behindThePause);
        QFETCH(bool, recordAgain);
        BoxAnswerer answerer;  // Yes to New Session's question, no file chosen
        QVector<double> valveOne;
        auto press = [&] {
            widget<QPushButton>(qPrintable(button))->click();
            valveOne = valve_heights[1];
        };
        storeValveOneCurve();
        clickRecord();
        if (behindThePause) {
            QVERIFY(duringThePauseAfterAStroke([&] {
                feedStroke(*window, plainStroke(110, 300.0));
                press();
            }));
        } else {
            current_valve = 4;
            feedSamples(QVector<double>(40, 500.0));
            press();
            const int boxesShown = answerer.seen.size();
            if (recordAgain) {
                clickRecord();
                feedSamples(QVector<double>(120, 520.0), 1.6);
            }
            feedReading(*window, 0.0, 2.0);
            QCOMPARE(answerer.seen.size(), boxesShown);
        }
        QCOMPARE(valve_heights[1], valveOne);
        QVERIFY(valve_heights[2].isEmpty());
        QCOMPARE(current_valve, 1);
        QCOMPARE(sample_count, 0);
        if (recordAgain) {
            feedStroke(*window, plainStroke(100, 300.0));
            QCOMPARE(valve_loads[1].first(), 300.0);
        }
    }

    // With no stroke dropped (record mode was off), Record armed in the
    // middle of a compression records from there on, as it always has.
    void recordArmedMidCompressionAfterATargetPageRecords()
    {
        current_valve = 4;
        feedSamples(QVector<double>(40, 500.0));
        widget<QPushButton>("target_seat_pressure_button")->click();
        clickRecord();
        feedStroke(*window, plainStroke(100, 520.0));
        QCOMPARE(valve_loads[1].value(0), 520.0);
    }

    // The operator's choice of valve during the pause stands: neither the
    // advance nor the end of the run follows it, and the next stroke is
    // stored for the valve chosen.
    void valveChosenDuringThePauseStands_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("label");
        QTest::newRow("step up") << QStringLiteral("up_button") << 2 << QStringLiteral("#1 Exhaust");
        QTest::newRow("target page") << QStringLiteral("target_installed_height_button") << 1
                                     << QStringLiteral("#1 Intake");
        QTest::newRow("new session") << QStringLiteral("new_session_button") << 1
                                     << QStringLiteral("#1 Intake");
    }
    void valveChosenDuringThePauseStands()
    {
        QFETCH(QString, button);
        QFETCH(int, chosen);
        QFETCH(QString, label);
        BoxAnswerer answerer;
        clickRecord();
        QVERIFY(duringThePauseAfterAStroke([&] { widget<QPushButton>(qPrintable(button))->click(); }));
        QCOMPARE(current_valve, chosen);
        QCOMPARE(widget<QLabel>("cyl_label")->text(), label);

        if (!ready_to_record)
            clickRecord();
        feedStroke(*window, plainStroke(100, 300.0));
        QCOMPARE(valve_loads[chosen].first(), 300.0);
        QCOMPARE(current_valve, chosen + 1);
    }

    // What is left of a compression that timed out is no stroke: 640
    // readings from 2.000 in store nothing, and only a reading of an
    // unloaded spring lets the next stroke begin.
    void timedOutCompressionRecordsNothingUntilLetGo()
    {
        storeValveOneCurve();
        clickRecord();
        BoxAnswerer answerer;
        for (int n = 1; n <= 640; ++n)
            feedReading(*window, 100.0 + n, 2.0 - n * 0.0015);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().text, QStringLiteral("To Slow - Test Timed Out!"));
        QCOMPARE(sample_count, 0);

        feedReading(*window, 10.0, 2.0);
        QCOMPARE(valve_heights[1], someCurve(1.8));
        QCOMPARE(current_valve, 1);
        QCOMPARE(answerer.seen.size(), 1);
        feedReading(*window, 50.0, 1.95);
        QCOMPARE(sample_count, 1);
        QCOMPARE(stroke_loads[1], 50.0);
    }
};

KESTRIX_TEST_MAIN(tst_recording)
#include "tst_recording.moc"
