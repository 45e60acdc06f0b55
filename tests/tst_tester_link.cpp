// The tester link and the reading pipeline, driven through a real
// pseudo-terminal that stands in for the tester. Whatever arrives on the
// line, the window neither crashes nor stalls.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"
#include "test_main.h"
#include "tester_port.h"

#include <QEventLoop>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>

#include <qwt_dial.h>
#include <qwt_dial_needle.h>
#include <qwt_thermo.h>

#include <atomic>
#include <thread>

namespace {

const QString not_found = QStringLiteral("Kestrix Tester Not Found");

tester_port::Description port(const char *name, bool hasVendor, quint16 vendor,
                              bool hasProduct, quint16 product)
{
    tester_port::Description d;
    d.portName = QString::fromLatin1(name);
    d.hasVendorIdentifier = hasVendor;
    d.vendorIdentifier = vendor;
    d.hasProductIdentifier = hasProduct;
    d.productIdentifier = product;
    return d;
}

void expectMatchDiagnostics(const char *name)
{
    QTest::ignoreMessage(QtDebugMsg, "29987");
    QTest::ignoreMessage(QtDebugMsg, "6790");
    QTest::ignoreMessage(QtDebugMsg, name);
    QTest::ignoreMessage(QtDebugMsg, "true");
}

} // namespace

Q_DECLARE_METATYPE(QList<tester_port::Description>)

class tst_tester_link : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;
    BoxAnswerer *answerer = nullptr;
    PtyTester tester;
    int sentinel = 0;

    QLabel *label(const char *name) const { return window->findChild<QLabel *>(QLatin1String(name)); }
    QwtDial *dial() const { return window->findChild<QwtDial *>(QStringLiteral("Dial")); }
    QwtThermo *thermo() const { return window->findChild<QwtThermo *>(QStringLiteral("Thermo")); }
    QPushButton *connectButton() const
    {
        return window->findChild<QPushButton *>(QStringLiteral("connect_button"));
    }
    QSlider *slider() const { return window->findChild<QSlider *>(QStringLiteral("horizontalSlider")); }
    QString status() const { return label("con_status")->text(); }

    bool connectTester()
    {
        if (!tester.open())
            return false;
        tester_port_name = tester.slavePath();
        window->serialConnect();
        return serial_port && serial_port->isOpen();
    }
    // Writes bytes and waits until the load label shows `load`.
    bool shows(const QByteArray &bytes, const QString &load)
    {
        return tester.write(bytes)
            && QTest::qWaitFor([&] { return label("load_val_2")->text() == load; }, 2000);
    }
    // Writes bytes that must not be shown; gives the window time to read them.
    bool consumedWithoutShowing(const QByteArray &bytes)
    {
        const QwtDialNeedle *needle = dial()->needle();
        const QString load = label("load_val_2")->text();
        if (!tester.write(bytes))
            return false;
        QTest::qWait(200);
        return serial_port->bytesAvailable() == 0 && dial()->needle() == needle
            && label("load_val_2")->text() == load;
    }

    // Large writes block until the window has read the pty, so they come
    // from a second thread while this one runs the event loop.
    bool send(const QByteArray &bytes)
    {
        std::atomic<bool> done{false};
        bool written = false;
        std::thread writer([&] {
            written = tester.write(bytes);
            done = true;
        });
        // QTest::qWaitFor sleeps between its polls, which would let only one
        // pty buffer through per pause.
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done)
                loop.quit();
        });
        poll.start(1);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        const bool finished = done;
        writer.join();
        // Let the window read what is still queued.
        QTest::qWait(50);
        return finished && written;
    }

    void checkShownMatchesHeld()
    {
        QVERIFY(qIsFinite(live_load));
        QVERIFY(qIsFinite(raw_height));
        QVERIFY(qIsFinite(comp_height));
        QVERIFY(rx_text.isEmpty());
        QCOMPARE(label("load_val_2")->text(), load_text);
        QVERIFY(live_load <= 1525.0 || load_text == QLatin1String("1525"));
        QCOMPARE(label("height_val")->text(), QString::number(comp_height, 'f', 3));
        QCOMPARE(label("label_67")->text(), QString::number(uncomp_height, 'f', 3));
        QVERIFY(serial_port->isOpen());
        QVERIFY(label("con_status")->text().startsWith(QLatin1String("<font color='green'>")));
    }

    // A clean reading is still shown after garbage. The first one may be read
    // together with a short remainder of the garbage, so up to three are sent.
    bool stillReading()
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            const QString load = QString::number(++sentinel) + QStringLiteral(".5");
            if (!tester.write(load.toLatin1() + "|1.250\r\n"))
                return false;
            if (QTest::qWaitFor([&] { return label("load_val_2")->text() == load; }, 1000))
                return label("height_val")->text() == QLatin1String("1.250");
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QSerialPort::SerialPortError>();
        storeQuietStart();
    }

    void init()
    {
        answerer = new BoxAnswerer;
        tester_port_name.clear();
        window = new MainWindow;
        window->show();
        slider()->setValue(800);
        snapheight = 0.0;
        standard_data_float = 0.0;
        in_retainer_thickness = 0.0;
        ex_retainer_thickness = 0.0;
        current_valve = 1;
        prev_raw_height = 0.0;
        ready_to_record = false;
        test_mode = 0;
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        delete answerer;
        tester.close();
    }

    // ---- Finding the tester's port ----

    void portRule_data()
    {
        QTest::addColumn<QList<tester_port::Description>>("ports");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QStringList>("matched");

        QTest::newRow("none")
            << QList<tester_port::Description>{} << "previous" << QStringList{};
        QTest::newRow("the bridge")
            << QList<tester_port::Description>{port("ttyS0", false, 0, false, 0),
                                               port("ttyUSB0", true, 0x1A86, true, 0x7523)}
            << "ttyUSB0" << QStringList{"ttyUSB0"};
        QTest::newRow("right vendor, no product id")
            << QList<tester_port::Description>{port("ttyUSB0", true, 0x1A86, false, 0x7523)}
            << "previous" << QStringList{};
        QTest::newRow("right product, no vendor id")
            << QList<tester_port::Description>{port("ttyUSB0", false, 0x1A86, true, 0x7523)}
            << "previous" << QStringList{};
        QTest::newRow("other bridge of the vendor")
            << QList<tester_port::Description>{port("ttyUSB0", true, 0x1A86, true, 0x5523)}
            << "previous" << QStringList{};
        QTest::newRow("same product id, other vendor")
            << QList<tester_port::Description>{port("ttyUSB0", true, 0x0403, true, 0x7523)}
            << "previous" << QStringList{};
        QTest::newRow("two bridges: the later wins")
            << QList<tester_port::Description>{port("ttyUSB0", true, 0x1A86, true, 0x7523),
                                               port("ttyACM0", true, 0x2341, true, 0x0043),
                                               port("ttyUSB1", true, 0x1A86, true, 0x7523)}
            << "ttyUSB1" << QStringList{"ttyUSB0", "ttyUSB1"};
    }

    void portRule()
    {
        QFETCH(QList<tester_port::Description>, ports);
        QFETCH(QString, chosen);
        QFETCH(QStringList, matched);
        for (const QString &name : matched)
            expectMatchDiagnostics(name.toLatin1().constData());
        QCOMPARE(tester_port::choose(ports, QStringLiteral("previous")), chosen);
    }

    void noBridgeKeepsTheEarlierName()
    {
        // No CH340 is attached where the tests run.
        tester_port_name = QStringLiteral("/dev/ttyUSB7");
        window->find_tester_port();
        QCOMPARE(tester_port_name, QStringLiteral("/dev/ttyUSB7"));
    }

    // ---- The serial link ----

    void startsNotConnected()
    {
        QCOMPARE(status(), not_found);
        QVERIFY(!connectButton()->isHidden());
        QVERIFY(!serial_port->isOpen());
    }

    void connectOpensReadOnlyWithTheLineSettings()
    {
        QTest::ignoreMessage(QtDebugMsg, "SERIAL PORT - OPENED");
        QVERIFY(connectTester());
        QCOMPARE(status(), "<font color='green'>Kestrix connected on port " + tester.slavePath());
        QVERIFY(connectButton()->isHidden());
        QCOMPARE(serial_port->parent(), static_cast<QObject *>(window));
        // Read only: nothing can ever be sent to the tester.
        QCOMPARE(serial_port->openMode(), QIODevice::OpenMode(QIODevice::ReadOnly));
        QCOMPARE(serial_port->baudRate(QSerialPort::Input), 115200);
        QCOMPARE(serial_port->baudRate(QSerialPort::Output), 115200);
        QCOMPARE(serial_port->dataBits(), QSerialPort::Data8);
        QCOMPARE(serial_port->parity(), QSerialPort::NoParity);
        QCOMPARE(serial_port->stopBits(), QSerialPort::OneAndHalfStop);
        QCOMPARE(serial_port->flowControl(), QSerialPort::NoFlowControl);
        QVERIFY(shows(testerReading(250, 1.5), QStringLiteral("250.0")));
    }

    void failedOpenChangesNothing()
    {
        tester_port_name = QStringLiteral("/dev/kestrix-no-such-tty");
        // The button searches again (finding no bridge) and tries again, each time.
        for (int press = 0; press < 2; ++press) {
            QTest::ignoreMessage(QtDebugMsg, "SERIAL PORT - NOT OPENED");
            QTest::ignoreMessage(QtDebugMsg, "error code = DeviceNotFoundError");
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^error string = .+"));
            connectButton()->click();
            QCOMPARE(status(), not_found);
            QVERIFY(!connectButton()->isHidden());
            QVERIFY(!serial_port->isOpen());
        }
        // Pressing Connect once the tester is there opens it.
        QVERIFY(tester.open());
        tester_port_name = tester.slavePath();
        connectButton()->click();
        QVERIFY(serial_port->isOpen());
        QVERIFY(connectButton()->isHidden());
        QVERIFY(shows(testerReading(42, 1.5), QStringLiteral("42.0")));
    }

    void lostDeviceEndsTheLink()
    {
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(120, 1.5), QStringLiteral("120.0")));
        QSerialPort *lost = serial_port;
        QSignalSpy errors(lost, &QSerialPort::errorOccurred);
        QVERIFY(errors.isValid());

        tester.close();
        QTRY_COMPARE_WITH_TIMEOUT(status(), not_found, 1000);
        QVERIFY(!connectButton()->isHidden());
        QVERIFY(!lost->isOpen());
        // Left unhandled, the gone device is reported in a busy loop.
        QTest::qWait(300);
        QVERIFY2(errors.count() <= 3, qPrintable(QString::number(errors.count())));

        // Connect reopens the link on a new device.
        QVERIFY(tester.open());
        tester_port_name = tester.slavePath();
        connectButton()->click();
        QVERIFY(status().endsWith(tester.slavePath()));
        QVERIFY(connectButton()->isHidden());
        QVERIFY(shows(testerReading(130, 1.4), QStringLiteral("130.0")));
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.400"));
    }

    // ---- Readings ----

    void readingIsShown()
    {
        QVERIFY(connectTester());
        QVERIFY(shows("250|1.5\r\n", QStringLiteral("250")));
        QCOMPARE(live_load, 250.0);
        QCOMPARE(comp_height, 1.5);
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.500"));
        QCOMPARE(label("label_67")->text(), QStringLiteral("1.500"));
        QCOMPARE(label("label_5")->text(), QStringLiteral("0.000"));
        QCOMPARE(thermo()->value(), 1.5);
        QCOMPARE(dial()->value(), 250.0);
        QVERIFY(rx_text.isEmpty());
    }

    void shortChunkWaitsForTheRest()
    {
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(10, 1.2), QStringLiteral("10.0")));
        QVERIFY(tester.write("250.0|1"));
        QTest::qWait(200);
        QCOMPARE(label("load_val_2")->text(), QStringLiteral("10.0"));
        QCOMPARE(serial_port->bytesAvailable(), qint64(7));
        // Read as one chunk of 14 bytes, so the height is whole.
        QVERIFY(shows(".5000\r\n", QStringLiteral("250.0")));
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.500"));
    }

    void loadTextIsCappedAbove1525_data()
    {
        QTest::addColumn<QByteArray>("load");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::newRow("1600") << QByteArray("1600") << "1525" << 1600.0;
        QTest::newRow("exactly 1525") << QByteArray("1525.0") << "1525.0" << 1525.0;
        QTest::newRow("just above") << QByteArray("1525.01") << "1525" << 1525.01;
    }

    void loadTextIsCappedAbove1525()
    {
        QFETCH(QByteArray, load);
        QFETCH(QString, shown);
        QFETCH(double, value);
        slider()->setValue(1500);
        QVERIFY(connectTester());
        QVERIFY(shows(load + "|1.000\r\n", shown));
        QCOMPARE(live_load, value);
        QCOMPARE(dial()->value(), 1500.0); // held at full scale
    }

    void oneReadingPerChunk()
    {
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(100, 1.5) + testerReading(120, 1.48), QStringLiteral("100.0")));
        QCOMPARE(comp_height, 1.5);
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.500"));
    }

    void tailOfAnEarlierReadingIsNotALoad_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::newRow("digits and line end") << QByteArray("9\r\n251.0|1.5\r\n");
        QTest::newRow("line end only") << QByteArray("\r\n251.0|1.5\r\n");
        QTest::newRow("bare newline") << QByteArray("0.123\n251.0|1.5\r\n");
    }

    void tailOfAnEarlierReadingIsNotALoad()
    {
        QFETCH(QByteArray, chunk);
        QVERIFY(connectTester());
        QVERIFY(shows(chunk, QStringLiteral("251.0")));
        QCOMPARE(live_load, 251.0);
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.500"));
    }

    // The tester's adapter hands its bytes over as they come off the line,
    // so a read may end anywhere in a reading: what follows the last line
    // end waits for the rest of its reading.
    void readingCutByTheAdapterIsReadWhole_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QString>("firstLoad"); // empty: not a whole reading yet
        QTest::addColumn<QByteArray>("rest");
        QTest::addColumn<QString>("load");
        QTest::addColumn<QString>("height");
        QTest::newRow("height cut short")
            << QByteArray("251.0|1.8") << "" << QByteArray("49\r\n") << "251.0" << "1.849";
        QTest::newRow("next load begun") << QByteArray("240.0|1.900\r\n25") << "240.0"
                                         << QByteArray("1.0|1.848\r\n") << "251.0" << "1.848";
        QTest::newRow("CR and LF apart") << QByteArray("230.0|1.700\r") << "230.0"
                                         << QByteArray("\n231.0|1.650\r\n") << "231.0" << "1.650";
    }

    void readingCutByTheAdapterIsReadWhole()
    {
        QFETCH(QByteArray, first);
        QFETCH(QString, firstLoad);
        QFETCH(QByteArray, rest);
        QFETCH(QString, load);
        QFETCH(QString, height);
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(10, 1.2), QStringLiteral("10.0")));
        if (firstLoad.isEmpty())
            QVERIFY(consumedWithoutShowing(first));
        else
            QVERIFY(shows(first, firstLoad));
        QVERIFY(shows(rest, load));
        QCOMPARE(live_load, load.toDouble());
        QCOMPARE(label("height_val")->text(), height);
        QVERIFY(stillReading());
    }

    void chunkWithoutBarIsSkipped()
    {
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(77, 1.25), QStringLiteral("77.0")));
        QVERIFY(consumedWithoutShowing("1234567890\r\n"));
        QCOMPARE(live_load, 77.0);
        QCOMPARE(prev_raw_height, 1.25);
        QVERIFY(rx_text.isEmpty());
    }

    void nulFirstChunkIsDropped()
    {
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(77, 1.25), QStringLiteral("77.0")));
        QVERIFY(consumedWithoutShowing(QByteArray("\0" "88.0|1.3\r\n", 11)));
    }

    void deadBandHoldsFromTheHeldValue()
    {
        QVERIFY(connectTester());
        struct Step { const char *height; double held; };
        const Step steps[] = {
            {"1.5000", 1.5},   {"1.5005", 1.5},   {"1.5020", 1.502}, // a jump is taken
            {"1.5025", 1.502}, {"1.5030", 1.502}, {"1.5035", 1.5035}, // a drift in steps
            {"1.5025", 1.5035}, {"1.5024", 1.5024},                    // downward alike
            {"1.500", 1.5},   {"1.501", 1.5},   {"1.502", 1.502},      // three-decimal readings:
            {"1.503", 1.502}, {"1.501", 1.502}, {"1.500", 1.5},        // both edges hold
        };
        int load = 300;
        for (const Step &step : steps) {
            const QString text = QString::number(++load);
            QVERIFY2(shows(text.toLatin1() + '|' + step.height + "\r\n", text), step.height);
            QVERIFY2(qFuzzyCompare(raw_height, step.held), step.height);
            QCOMPARE(prev_raw_height, raw_height);
        }
    }

    void calibrationAndRetainerBySide_data()
    {
        QTest::addColumn<int>("valve");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("thickness");
        QTest::newRow("#2 Intake") << 3 << "1.500" << "0.050";
        QTest::newRow("#2 Exhaust") << 4 << "1.490" << "0.060";
        QTest::newRow("#8 Exhaust") << 16 << "1.490" << "0.060";
    }

    void calibrationAndRetainerBySide()
    {
        QFETCH(int, valve);
        QFETCH(QString, height);
        QFETCH(QString, thickness);
        current_valve = valve;
        snapheight = 1.2;
        standard_data_float = 1.25;
        in_retainer_thickness = 0.05;
        ex_retainer_thickness = 0.06;
        QVERIFY(connectTester());
        QVERIFY(shows("180|1.5\r\n", QStringLiteral("180")));
        QCOMPARE(label("label_67")->text(), QStringLiteral("1.550"));
        QCOMPARE(label("height_val")->text(), height);
        QCOMPARE(height_text, height);
        QCOMPARE(label("label_5")->text(), thickness);
        QVERIFY(qFuzzyCompare(thermo()->value(), height.toDouble()));
    }

    void sliderSetsTheDialsFullScale()
    {
        slider()->setValue(400);
        QCOMPARE(dialrange, 400);
        QCOMPARE(dial()->upperBound(), 400.0);
        QVERIFY(connectTester());
        QVERIFY(shows("650|1.5\r\n", QStringLiteral("650")));
        QCOMPARE(dial()->value(), 400.0);
    }

    void aNewNeedleForEveryReading()
    {
        QVERIFY(!dial()->needle());
        QVERIFY(connectTester());
        QVERIFY(shows(testerReading(50, 1.5), QStringLiteral("50.0")));
        const QwtDialNeedle *first = dial()->needle();
        QVERIFY(dynamic_cast<const QwtDialSimpleNeedle *>(first));
        QCOMPARE(first->palette().color(QPalette::Mid), QColor(Qt::red));
        QCOMPARE(first->palette().color(QPalette::Base), QColor(Qt::black).darker(200));
        QVERIFY(shows(testerReading(60, 1.5), QStringLiteral("60.0")));
        QVERIFY(dial()->needle() != first);
    }

    // Readings come faster than the screen can show them, so the window is
    // drawn at most once a frame; but whatever draws it, inside a frame or at
    // its end, draws every gauge with the latest reading: never blank, never
    // behind.
    // What the window shows of each gauge, in a picture of the whole window.
    QList<QImage> gaugesIn(const QImage &picture) const
    {
        QList<QImage> parts;
        for (const char *name : {"Dial", "Thermo", "load_val_2", "height_val", "label_67", "label_5"}) {
            const QWidget *gauge = window->findChild<QWidget *>(QLatin1String(name));
            const QRect area(gauge->mapTo(window, QPoint()), gauge->size());
            parts.append(picture.copy(area).convertToFormat(QImage::Format_RGB32));
        }
        return parts;
    }

    void readingsWithinAFrameAreDrawnWhole()
    {
        rx_text = QStringLiteral("100.0|1.500\r\n");
        window->parse_tester_line();
        QTest::qWait(100);
        // Drawing this reading opens a frame; the next comes within it.
        rx_text = QStringLiteral("200.0|1.400\r\n");
        window->parse_tester_line();
        QCoreApplication::processEvents();
        rx_text = QStringLiteral("712.5|1.250\r\n");
        window->parse_tester_line();
        QCoreApplication::processEvents();
        // Every widget holds the latest reading at once...
        QCOMPARE(label("load_val_2")->text(), QStringLiteral("712.5"));
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.250"));
        QCOMPARE(thermo()->value(), 1.25);
        QCOMPARE(dial()->value(), 712.5);
        // ...a drawing of the window within the frame shows it...
        const QList<QImage> inFrame = gaugesIn(window->grab().toImage());
        QTest::qWait(100);
        const QList<QImage> settled = gaugesIn(window->grab().toImage());
        QCOMPARE(inFrame, settled);
        // ...and once the frame is over the screen shows it too.
        QCOMPARE(gaugesIn(window->screen()->grabWindow(window->winId()).toImage()), settled);
    }

    // ---- Garbage on the line: never a crash, a stall or a window that
    // shows something else than the reading it holds ----

    void nonNumericFieldsReadAsZero_data()
    {
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("load");
        QTest::addColumn<double>("height");
        QTest::newRow("letters") << QByteArray("abc|xyz\r\n") << "abc" << 0.0 << 0.0;
        QTest::newRow("not a number") << QByteArray("nan|nan\r\n") << "nan" << 0.0 << 0.0;
        QTest::newRow("infinite") << QByteArray("inf|-inf\r\n") << "inf" << 0.0 << 0.0;
        QTest::newRow("out of range") << QByteArray("1e999|1e999\r\n") << "1e999" << 0.0 << 0.0;
        QTest::newRow("empty fields") << QByteArray("||||||||\r\n") << "" << 0.0 << 0.0;
        QTest::newRow("number then junk") << QByteArray("12abc|1.5xyz\r\n") << "12abc" << 12.0 << 1.5;
        QTest::newRow("blanks kept in the text") << QByteArray("  250 |\t1.5\r\n") << "  250 " << 250.0 << 1.5;
        QTest::newRow("third field ignored") << QByteArray("40|1.5|2.5\r\n") << "40" << 40.0 << 1.5;
    }

    void nonNumericFieldsReadAsZero()
    {
        QVERIFY(connectTester());
        QVERIFY(stillReading());
        QFETCH(QByteArray, chunk);
        QFETCH(QString, shown);
        QFETCH(double, load);
        QFETCH(double, height);
        QVERIFY(send("1.0|0.7\r\n"));
        QVERIFY(send(chunk));
        QCOMPARE(label("load_val_2")->text(), shown);
        QCOMPARE(live_load, load);
        QCOMPARE(raw_height, height);
        checkShownMatchesHeld();
        QVERIFY(stillReading());
    }

    void randomBytes()
    {
        QVERIFY(connectTester());
        QVERIFY(stillReading());
        QRandomGenerator random(20261207);
        for (int burst = 0; burst < 40; ++burst) {
            QByteArray bytes(int(random.bounded(1, 8192)), Qt::Uninitialized);
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            QVERIFY(send(bytes));
            checkShownMatchesHeld();
        }
        QVERIFY(stillReading());
    }

    void readingShapedNoise()
    {
        QVERIFY(connectTester());
        QVERIFY(stillReading());
        // Digits, signs, dots, bars and line ends in random order look most
        // like readings and reach the number reading most often.
        const QByteArray alphabet("0123456789.-+eE|\r\n \t");
        QRandomGenerator random(7);
        for (int burst = 0; burst < 40; ++burst) {
            QByteArray bytes(int(random.bounded(8, 2048)), Qt::Uninitialized);
            for (char &byte : bytes)
                byte = alphabet.at(int(random.bounded(alphabet.size())));
            QVERIFY(send(bytes));
            checkShownMatchesHeld();
        }
        QVERIFY(stillReading());
    }

    void nulBytes()
    {
        QVERIFY(connectTester());
        QVERIFY(stillReading());
        QVERIFY(send(QByteArray(4096, '\0')));
        QVERIFY(stillReading());
        // Text after a NUL is not part of the reading.
        QVERIFY(send(QByteArray("65.0|1.100\0" "99.0|1.900\r\n", 22)));
        checkShownMatchesHeld();
        QCOMPARE(live_load, 65.0);
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.100"));
    }

    // What waits for its line end is kept only up to the newest 4 KB, so a
    // line that never ends costs no more; the reading it ends in holds no
    // more either.
    void unendingLineIsKeptOnlyUpToItsBound()
    {
        QVERIFY(connectTester());
        QVERIFY(stillReading());
        // Not digits, so that the load is not shown capped.
        QVERIFY(send(QByteArray(1 << 20, 'x')));
        QVERIFY(send("|1.5\r\n"));
        checkShownMatchesHeld();
        QVERIFY2(load_text.size() <= 4096, qPrintable(QString::number(load_text.size())));
        QVERIFY(stillReading());
    }

    void megabyteChunks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const int megabyte = 1 << 20;
        QTest::newRow("digits") << QByteArray(megabyte, '9');
        QTest::newRow("digits then a height") << QByteArray(megabyte, '9') + "|1.5\r\n";
        QTest::newRow("bars") << QByteArray(megabyte, '|');
        QTest::newRow("blanks then a reading") << QByteArray(megabyte, ' ') + "12|1.5\r\n";
        QTest::newRow("readings") << testerReading(500.0, 1.2).repeated(megabyte / 13);
        QByteArray noise(megabyte, Qt::Uninitialized);
        QRandomGenerator random(99);
        for (char &byte : noise)
            byte = char(random.bounded(1, 256));
        QTest::newRow("noise") << noise;
    }

    void megabyteChunks()
    {
        QVERIFY(connectTester());
        QVERIFY(stillReading());
        QFETCH(QByteArray, bytes);
        QVERIFY(send(bytes));
        checkShownMatchesHeld();
        QVERIFY(stillReading());
    }
};

KESTRIX_TEST_MAIN(tst_tester_link)
#include "tst_tester_link.moc"
