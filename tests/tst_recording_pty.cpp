// Whole strokes sent by a stand-in tester over a pseudo-terminal: what the
// operator sees and what is stored, reading by reading as in the shop.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"
#include "stroke_generator.h"
#include "test_main.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <qcustomplot.h>

#include <functional>
#include <memory>

#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// The address sanitizer's own count; GCC ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {
const char *const success_text = "<font color='Green'>Successful Test</font>";

// Bytes the program holds on the heap now. The address sanitizer keeps its
// own heap, which malloc's statistics do not see.
qint64 heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}
} // namespace

class tst_recording_pty : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<BoxAnswerer> answerer;
    PtyTester tester;

    int boxesSeen() const { return answerer->seen.size(); }

    QLabel *label(const char *name) { return window->findChild<QLabel *>(QLatin1String(name)); }
    QPushButton *recordButton()
    {
        return window->findChild<QPushButton *>(QStringLiteral("record_button"));
    }
    bool paused() { return label("message")->text() == QLatin1String(success_text); }

    // Runs `action` inside the one-second pause after a stored stroke, from
    // the pause's own event loop, as soon as "Successful Test" shows. Until
    // the pause is over the stored valve stays the current one.
    void whilePaused(const std::function<void()> &action)
    {
        // Owned by the window, so that a test that fails before the pause
        // leaves no watch behind for the next one.
        auto *watch = new QTimer(window.get());
        connect(watch, &QTimer::timeout, this, [this, watch, action] {
            if (!paused())
                return;
            watch->stop();
            watch->deleteLater();
            action();
        });
        watch->start(1);
    }

    // A stroke up to the reading that ends it; the reading is sent without
    // waiting, since it is shown only once its stroke is stored.
    bool sendStrokeUpToItsEnd(QVector<StrokeSample> samples)
    {
        while (samples.last().load < 10.0)
            samples.removeLast();
        return sendStroke(samples) && tester.write(testerReading(0.0, samples.last().height + 0.1));
    }

    // Sends one reading and waits until the window has shown it, so that
    // every reading is read as a chunk of its own, as from the real tester.
    bool send(const StrokeSample &sample)
    {
        const QByteArray text = testerReading(sample.load, sample.height);
        const QString load = QString::fromLatin1(text.left(text.indexOf('|')));
        return tester.write(text) && shownSoon([&] {
                   const double shown = sample.height - MainWindow::retainer_thickness_of(current_valve);
                   return label("load_val_2")->text() == load
                          && label("height_val")->text() == QString::number(shown, 'f', 3);
               });
    }

    // QTest::qWaitFor sleeps between its looks, far longer than a reading
    // takes; this looks again as soon as anything has happened.
    static bool shownSoon(const std::function<bool()> &shown, int ms = 3000)
    {
        QTimer wakeUp;
        wakeUp.start(10);
        QElapsedTimer waited;
        waited.start();
        while (!shown()) {
            if (waited.hasExpired(ms))
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    bool sendStroke(const QVector<StrokeSample> &stroke)
    {
        for (const StrokeSample &sample : stroke) {
            if (!send(sample))
                return false;
        }
        return true;
    }

    // After a failure box: the next stroke is stored whole for valve 1,
    // with no second box.
    bool nextStrokeIsStoredWholeForValveOne(double startLoad)
    {
        return sendStroke(stroke(startLoad, 400.0, 1.150))
               && QTest::qWaitFor([&] { return current_valve == 2 && !paused(); }, 5000)
               && boxesSeen() == 1 && valve_loads[1].size() == StrokeShape().compressedSamples - 3
               && valve_loads[1].first() == startLoad;
    }

    static QVector<StrokeSample> stroke(double startLoad, double rate, double bottom)
    {
        StrokeShape shape;
        shape.startLoad = startLoad;
        shape.rate = rate;
        shape.bottomHeight = bottom;
        return compressionStroke(shape);
    }

private slots:
    void initTestCase()
    {
        storeQuietStart();
        settings.setValue(QStringLiteral("retainer_warning/config/key"), false);
    }

    void init()
    {
        clearRecordingState();
        snapheight = 0.0;
        standard_data_float = 0.0;
        in_retainer_thickness = 0.0;
        ex_retainer_thickness = 0.0;
        prev_raw_height = 0.0;
        show_retainer_warning = false;
        plot_all_data = false;
        answerer = std::make_unique<BoxAnswerer>();
        // The last test's terminal is gone and its number may already serve
        // another test program; a new window would open it and lock it.
        tester_port_name.clear();
        window = std::make_unique<MainWindow>();
        window->resize(1280, 800);
        window->show();
        QVERIFY(tester.open());
        tester_port_name = tester.slavePath();
        window->serialConnect();
        QVERIFY(serial_port && serial_port->isOpen());
    }

    void cleanup()
    {
        window.reset();
        answerer.reset();
        tester.close();
    }

    void strokesFromTheTesterFillTheValvesInTurn()
    {
        recordButton()->click();
        QVERIFY(sendStroke(stroke(80.0, 400.0, 1.150)));
        QVERIFY(sendStroke(stroke(95.0, 430.0, 1.120)));
        QVERIFY(sendStroke(stroke(70.0, 380.0, 1.180)));
        QCOMPARE(boxesSeen(), 0);

        QCOMPARE(current_valve, 4);
        QCOMPARE(label("cyl_label")->text(), QStringLiteral("#2 Exhaust"));
        const int points = StrokeShape().compressedSamples - 3;
        for (int valve = 1; valve <= 3; ++valve) {
            QCOMPARE(valve_heights[valve].size(), points);
            QCOMPARE(valve_loads[valve].size(), points);
            // The tester's texts carry 3 decimals; the curve holds them as sent.
            QCOMPARE(valve_heights[valve].first(), 2.000);
            for (int i = 1; i < points; ++i)
                QVERIFY(valve_loads[valve][i] > valve_loads[valve][i - 1]);
        }
        QCOMPARE(valve_loads[2].first(), 95.0);
        QCOMPARE(label("label_20")->text(), QString::number(points));
        QCOMPARE(label("message")->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));

        // The look an engine builder gets: the last spring in blue with the
        // others in grey behind it, the gauges at rest.
        auto *plotAll = window->findChild<QRadioButton *>(QStringLiteral("plot_all_radio_button"));
        plotAll->setAutoExclusive(false);
        plotAll->setChecked(false);
        plotAll->click();
        QVERIFY(plot_all_data);
        window->findChild<QPushButton *>(QStringLiteral("down_button"))->click();
        QCOMPARE(label("cyl_label")->text(), QStringLiteral("#2 Intake"));
        QCOMPARE(window->findChild<QCustomPlot *>(QStringLiteral("customPlot"))->graphCount(), 3);
    }

    // The tester's adapter passes its bytes on a few at a time, as they come
    // off the line: each reading is still read whole, and the stroke is one.
    void strokeHandedOverInPiecesIsOneCurve()
    {
        recordButton()->click();
        StrokeShape shape;
        shape.compressedSamples = 300;
        const QList<QByteArray> readings = strokeReadings(compressionStroke(shape));
        // Each reading waits until the one before is shown as it was sent.
        QVERIFY(tester.trickle(readings, 80, 4, [&](int n) {
            const QByteArray &text = readings.at(n);
            const int bar = text.indexOf('|');
            return label("load_val_2")->text() == QLatin1String(text.left(bar))
                   && label("height_val")->text() == QLatin1String(text.mid(bar + 1).trimmed());
        }));
        QVERIFY(QTest::qWaitFor([&] { return current_valve == 2 && !paused(); }, 5000));
        QCOMPARE(boxesSeen(), 0);
        for (int valve = 2; valve <= 16; ++valve)
            QVERIFY(valve_loads[valve].isEmpty());

        // The curve is the readings as they were sent, up to the release.
        QVector<double> heights;
        QVector<double> loads;
        for (int n = 0; n < shape.compressedSamples - 3; ++n) {
            const QList<QByteArray> fields = readings.at(n).trimmed().split('|');
            loads.append(fields.at(0).toDouble());
            heights.append(fields.at(1).toDouble());
        }
        QCOMPARE(valve_loads[1], loads);
        QCOMPARE(valve_heights[1], heights);
    }

    // ---- The waits after a stroke: readings go on ----

    void readingsDuringThePauseAreShownAndRecorded()
    {
        recordButton()->click();
        bool shownInPause = false;
        whilePaused([&] { shownInPause = send({55.5, 1.900}) && current_valve == 1; });
        QVERIFY(sendStrokeUpToItsEnd(stroke(80.0, 400.0, 1.150)));
        QVERIFY(QTest::qWaitFor([&] { return current_valve == 2 && !paused(); }, 5000));
        QVERIFY(shownInPause);
        // The reading taken in the pause is the next stroke's first sample.
        QCOMPARE(sample_count, 1);
        QCOMPARE(stroke_loads[1], 55.5);
        QCOMPARE(stroke_heights[1], 1.900);
        QCOMPARE(valve_loads[1].first(), 80.0);
    }

    void strokeDuringThePauseIsStoredForTheNextValve()
    {
        recordButton()->click();
        bool begunInPause = false;
        bool endedInPause = false;
        whilePaused([&] {
            QVector<StrokeSample> second = stroke(150.0, 420.0, 1.100);
            begunInPause = send(second.first()) && current_valve == 1;
            endedInPause = sendStroke(second.mid(1)) && current_valve == 1;
        });
        QVERIFY(sendStrokeUpToItsEnd(stroke(80.0, 400.0, 1.150)));
        QVERIFY(QTest::qWaitFor([&] { return current_valve == 3; }, 10000));
        QVERIFY(begunInPause);
        QVERIFY(endedInPause);

        QCOMPARE(valve_loads[1].first(), 80.0);
        QCOMPARE(valve_loads[2].first(), 150.0);
        QCOMPARE(valve_heights[2].size(), valve_loads[2].size());
        QVERIFY(valve_heights[3].isEmpty());
        QCOMPARE(boxesSeen(), 0);
    }

    // A stroke read in the pause after an intake valve is stored for the
    // exhaust valve that follows: as if it had been read for that valve.
    void strokeEndingInThePauseCarriesTheNextValvesThickness()
    {
        in_retainer_thickness = 0.100;
        ex_retainer_thickness = 0.200;
        recordButton()->click();
        QString heightShown;
        QString thicknessShown;
        bool endedInPause = false;
        whilePaused([&] {
            if (!send({150.0, 1.700}) || !send({160.0, 1.690}) || !send({170.0, 1.680}))
                return;
            // While valve 1 is current its thickness is shown and used.
            heightShown = label("height_val")->text();
            thicknessShown = label("label_5")->text();
            // Off in the middle of the stroke, so its three samples are kept.
            recordButton()->click();
            endedInPause = send({0.0, 1.800}) && current_valve == 1;
        });
        QVERIFY(sendStrokeUpToItsEnd(stroke(80.0, 400.0, 1.150)));
        QVERIFY(QTest::qWaitFor([&] { return current_valve == 3; }, 5000));
        QVERIFY(endedInPause);
        QCOMPARE(heightShown, QStringLiteral("1.580"));
        QCOMPARE(thicknessShown, QStringLiteral("0.100"));

        const QVector<double> expected{1.700 - 0.200, 1.690 - 0.200, 1.680 - 0.200};
        QCOMPARE(valve_heights[2], expected);
        QCOMPARE(valve_loads[2], (QVector<double>{150.0, 160.0, 170.0}));
        // Valve 1 keeps its own thickness.
        QCOMPARE(valve_heights[1].first(), 2.000 - 0.100);
    }

    void readingsMoveTheGaugesBehindTheEndOfTheRun()
    {
        no_of_cyl = 1;
        recordButton()->click();
        bool shownBehindBox = false;
        answerer->queue([&](QWidget *box) {
            shownBehindBox = send({42.5, 1.800});
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        QVERIFY(sendStroke(stroke(80.0, 400.0, 1.150)));
        QVERIFY(sendStrokeUpToItsEnd(stroke(90.0, 410.0, 1.150)));
        QVERIFY(QTest::qWaitFor([&] { return boxesSeen() == 1 && !ready_to_record; }, 5000));
        QCOMPARE(answerer->seen.last().text, QStringLiteral(" Testing complete"));
        QVERIFY(shownBehindBox);
        QVERIFY(!ready_to_record);
        QCOMPARE(current_valve, 1);
    }

    void readingsMoveTheGaugesBehindTheTimeOut()
    {
        recordButton()->click();
        bool shownBehindBox = false;
        answerer->queue([&](QWidget *box) {
            shownBehindBox = send({33.5, 1.700});
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        // Readings 1 to 499 are samples; the 500th abandons the stroke.
        for (int n = 1; n < stroke_capacity; ++n)
            QVERIFY(send({20.0 + n, 1.900 - 0.002 * (n % 300)}));
        QVERIFY(tester.write(testerReading(520.0, 1.500)));
        QVERIFY(QTest::qWaitFor([&] { return boxesSeen() == 1 && answerer->pending() == 0; }, 5000));
        QTRY_COMPARE(label("message")->text(), QStringLiteral("<font color='Blue'>Ready to Record</font>"));
        QCOMPARE(answerer->seen.last().text, QStringLiteral("To Slow - Test Timed Out!"));
        // Taken while the box was open, with the spring not yet let go, it
        // moves the gauges and adds no sample.
        QVERIFY(shownBehindBox);
        QCOMPARE(sample_count, 0);
    }

    // ---- While a finished stroke is checked, readings wait ----

    // Behind the box the operator puts the next spring in and is pressing
    // it when OK is clicked: what waited is read then, and the rest of that
    // compression is no curve, so it records nothing; the one after the
    // release is stored whole for the same valve.
    void readingsHeldWhileAStrokeIsCheckedAreReadWhenTheHoldEnds()
    {
        recordButton()->click();
        StrokeShape shape;
        shape.compressedSamples = 20;
        const QVector<StrokeSample> pressed = stroke(95.0, 430.0, 1.120);
        const int begun = 30;
        const QString begunLoad = QString::number(pressed.at(begun - 1).load, 'f', 1);
        bool heldWhileOpen = false;
        answerer->queue([&](QWidget *box) {
            QByteArray behind;
            for (int n = 0; n < 5; ++n)
                behind += testerReading(0.5, 2.100);
            for (int n = 0; n < begun; ++n)
                behind += testerReading(pressed.at(n).load, pressed.at(n).height);
            heldWhileOpen = tester.write(behind) && !QTest::qWaitFor([&] {
                return label("load_val_2")->text() == begunLoad;
            }, 200);
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        QVERIFY(sendStrokeUpToItsEnd(compressionStroke(shape)));
        QVERIFY(QTest::qWaitFor([&] { return boxesSeen() == 1 && answerer->pending() == 0; }, 3000));
        QCOMPARE(answerer->seen.last().text, QStringLiteral(" Insufficient Data - Slow Down!"));
        QVERIFY(heldWhileOpen);
        // Read once the box is closed, with nothing more sent.
        QTRY_COMPARE(label("load_val_2")->text(), begunLoad);
        QCOMPARE(sample_count, 0);
        for (int n = begun; n < pressed.size(); ++n) {
            QVERIFY(send(pressed.at(n)));
            QCOMPARE(sample_count, 0);
        }
        QCOMPARE(current_valve, 1);
        QVERIFY(valve_loads[1].isEmpty());

        QVERIFY(nextStrokeIsStoredWholeForValveOne(80.0));
    }

    // Behind the box the operator presses a spring and lets it go: once the
    // box is closed the tester is read as it is now, at rest, and none of
    // that compression is shown or becomes a sample of the next stroke.
    void compressionBehindAFailureBoxIsOverWhenItIsClosed()
    {
        recordButton()->click();
        StrokeShape shape;
        shape.compressedSamples = 20;
        QString lastLoad;
        bool lastWaitedInThePort = false;
        answerer->queue([&](QWidget *box) {
            StrokeShape pressed;
            pressed.compressedSamples = 300;
            const QVector<StrokeSample> rest(20, {0.5, 2.100});
            const QVector<StrokeSample> behind = rest + compressionStroke(pressed) + rest;
            tester.stream(700, behind.size() * 1000 / 700, [&](int n) {
                return testerReading(behind.at(n).load, behind.at(n).height);
            });
            QTest::qWait(200);
            // The last reading still waits in the port, not yet taken by the
            // hold's watch, when OK comes; the watch may be quicker.
            for (int attempt = 0; attempt < 10 && !lastWaitedInThePort; ++attempt) {
                lastLoad = QString::number(3.0 + 0.1 * attempt, 'f', 1);
                lastWaitedInThePort = tester.write(testerReading(lastLoad.toDouble(), 2.150))
                                      && shownSoon([] { return serial_port->bytesAvailable() > 0; }, 200);
            }
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        QVERIFY(sendStrokeUpToItsEnd(compressionStroke(shape)));
        QVERIFY(QTest::qWaitFor([&] { return boxesSeen() == 1 && answerer->pending() == 0; }, 10000));
        QVERIFY(lastWaitedInThePort);
        QTRY_COMPARE(label("load_val_2")->text(), lastLoad);
        QCOMPARE(label("height_val")->text(), QStringLiteral("2.150"));
        QCOMPARE(sample_count, 0);

        QVERIFY(nextStrokeIsStoredWholeForValveOne(90.0));
    }

    // The box of a refused stroke may wait through a break while the tester
    // streams at the line's full rate: what arrives meanwhile is kept only
    // up to a small bound, and the gauges follow the tester again as soon
    // as the box is closed.
    void heapStaysFlatWhileAFailureBoxWaits()
    {
        recordButton()->click();
        StrokeShape shape;
        shape.compressedSamples = 20;
        qint64 grown = -1;
        answerer->queue([&](QWidget *box) {
            // Measured once the box has been painted, and again once the
            // last arrivals have been taken: what the hold keeps, not the
            // box's own images or the readings of the moment.
            QTest::qWait(300);
            const qint64 before = heapInUse();
            // Unloaded, so that nothing is recorded once the box is closed.
            tester.stream(700, 4000, [](int n) { return testerReading(5.0, 1.500 + 0.001 * (n % 100)); });
            QTest::qWait(300);
            grown = heapInUse() - before;
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        QVERIFY(sendStrokeUpToItsEnd(compressionStroke(shape)));
        QVERIFY(QTest::qWaitFor([&] { return boxesSeen() == 1 && answerer->pending() == 0; }, 10000));
        QCOMPARE(answerer->seen.last().text, QStringLiteral(" Insufficient Data - Slow Down!"));
        QVERIFY2(grown < 4 * 1024 * 1024, qPrintable(QStringLiteral("heap grew by %1 bytes").arg(grown)));
        // What was kept is read as one chunk, then the tester is followed.
        QTRY_COMPARE(label("load_val_2")->text(), QStringLiteral("5.0"));
        QVERIFY(send({62.5, 1.650}));
        QCOMPARE(sample_count, 1);
    }

    // The tester's readings are held back while a refused stroke's box is
    // open; a tester unplugged meanwhile must still end the link at once, not
    // spin in its error reports until the box is closed.
    void testerUnpluggedBehindAFailureBox()
    {
        recordButton()->click();
        StrokeShape shape;
        shape.compressedSamples = 20;
        shape.unloadedReadings = 1;
        QVector<StrokeSample> shortStroke = compressionStroke(shape);
        const StrokeSample end = shortStroke.takeLast();
        QVERIFY(sendStroke(shortStroke));
        QSerialPort *port = serial_port;
        bool blocked = false;
        QString statusWhileOpen;
        bool openWhileBoxUp = true;
        answerer->queue([&](QWidget *box) {
            blocked = port->signalsBlocked();
            tester.close();
            // Once the port is closed its error reports stop: no spinning
            // until the box is closed.
            (void)QTest::qWaitFor([&] { return !port->isOpen(); }, 2000);
            openWhileBoxUp = port->isOpen();
            statusWhileOpen = label("con_status")->text();
            BoxAnswerer::click(QMessageBox::Ok)(box);
        });
        QVERIFY(tester.write(testerReading(end.load, end.height)));
        QVERIFY(QTest::qWaitFor([&] { return boxesSeen() == 1; }, 3000));
        QCOMPARE(answerer->seen.last().text, QStringLiteral(" Insufficient Data - Slow Down!"));
        QVERIFY(blocked);
        QCOMPARE(statusWhileOpen, QStringLiteral("Kestrix Tester Not Found"));
        QVERIFY(!openWhileBoxUp);
        QVERIFY(!port->isOpen());
        QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("connect_button"))->isHidden());
    }
};

KESTRIX_TEST_MAIN(tst_recording_pty)
#include "tst_recording_pty.moc"
