// Whole strokes sent by a stand-in tester over a pseudo-terminal: what the
// operator sees and what is stored, reading by reading as in the shop.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"
#include "stroke_generator.h"
#include "test_main.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <qcustomplot.h>

#include <memory>

class tst_recording_pty : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<BoxAnswerer> answerer;
    PtyTester tester;

    // The shown main window is window-modal itself, so the answerer sees it
    // too; only the boxes over it count.
    int boxesSeen() const
    {
        int boxes = 0;
        for (const BoxAnswerer::Seen &seen : answerer->seen)
            boxes += seen.className != QLatin1String("MainWindow");
        return boxes;
    }

    QLabel *label(const char *name) { return window->findChild<QLabel *>(QLatin1String(name)); }

    // Sends one reading and waits until the window has shown it, so that
    // every reading is read as a chunk of its own, as from the real tester.
    bool send(const StrokeSample &sample)
    {
        const QByteArray text = testerReading(sample.load, sample.height);
        const QString load = QString::fromLatin1(text.left(text.indexOf('|')));
        const QString height = QString::number(sample.height, 'f', 3);
        return tester.write(text) && QTest::qWaitFor([&] {
                   return label("load_val_2")->text() == load && label("height_val")->text() == height;
               }, 3000);
    }

    bool sendStroke(const QVector<StrokeSample> &stroke)
    {
        for (const StrokeSample &sample : stroke) {
            if (!send(sample))
                return false;
        }
        return true;
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
        window->findChild<QPushButton *>(QStringLiteral("record_button"))->click();
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
        QTest::qWait(50); // let the gauges' frame end so they are drawn
        window->grab().save(QStringLiteral("/tmp/kestrix_recording.png"));
    }

    void strokeDuringThePauseIsStoredForTheNextValve()
    {
        window->findChild<QPushButton *>(QStringLiteral("record_button"))->click();
        QVector<StrokeSample> first = stroke(80.0, 400.0, 1.150);
        const StrokeSample firstEnd = first.takeLast();
        QVERIFY(sendStroke(first));
        // The second spring is pressed while "Successful Test" still shows.
        bool secondSent = false;
        QTimer::singleShot(20, this, [&] { secondSent = sendStroke(stroke(150.0, 420.0, 1.100)); });
        // Its gauges are shown only after the pause, by then with the
        // second spring's readings, so nothing is waited for here.
        QVERIFY(tester.write(testerReading(firstEnd.load, firstEnd.height)));
        QVERIFY(QTest::qWaitFor([&] { return secondSent; }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return current_valve == 3; }, 3000));

        QCOMPARE(valve_loads[1].first(), 80.0);
        QCOMPARE(valve_loads[2].first(), 150.0);
        QCOMPARE(valve_heights[2].size(), valve_loads[2].size());
        QVERIFY(valve_heights[3].isEmpty());
        QCOMPARE(boxesSeen(), 0);
    }

    // The tester's readings are held back while a refused stroke's box is
    // open; a tester unplugged meanwhile must still end the link at once, not
    // spin in its error reports until the box is closed.
    void testerUnpluggedBehindAFailureBox()
    {
        window->findChild<QPushButton *>(QStringLiteral("record_button"))->click();
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
