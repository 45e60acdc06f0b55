// Whatever arrives on the tester's line, the window neither crashes nor
// stalls, and what it shows always matches the reading it holds.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"
#include "test_main.h"

#include <QLabel>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSlider>
#include <QTimer>

#include <qwt_dial.h>
#include <qwt_thermo.h>

#include <atomic>
#include <thread>

class tst_tester_link_garbage : public QObject
{
    Q_OBJECT

private:
    MainWindow *window = nullptr;
    BoxAnswerer *answerer = nullptr;
    PtyTester tester;
    int sentinel = 0;

    QLabel *label(const char *name) const { return window->findChild<QLabel *>(QLatin1String(name)); }

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

    // A clean reading is still shown after the garbage. The first one may be
    // read together with a short remainder of the garbage.
    void checkStillReading()
    {
        bool shown = false;
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            const QString load = QString::number(++sentinel) + QStringLiteral(".5");
            QVERIFY(tester.write(load.toLatin1() + "|1.250\r\n"));
            shown = QTest::qWaitFor([&] { return label("load_val_2")->text() == load; }, 1000);
        }
        QVERIFY(shown);
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.250"));
    }

private slots:
    void initTestCase()
    {
        settings.setValue(QStringLiteral("last_version_ran/config/key"), 1.12);
        settings.setValue(QStringLiteral("check_updates/config/key"), false);
    }

    void init()
    {
        answerer = new BoxAnswerer;
        tester_port_name.clear();
        window = new MainWindow;
        window->show();
        snapheight = 0.0;
        standard_data_float = 0.0;
        in_retainer_thickness = 0.0;
        ex_retainer_thickness = 0.0;
        current_valve = 1;
        prev_raw_height = 0.0;
        ready_to_record = false;
        test_mode = 0;
        QVERIFY(tester.open());
        tester_port_name = tester.slavePath();
        window->serialConnect();
        QVERIFY(serial_port->isOpen());
        checkStillReading();
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        delete answerer;
        tester.close();
    }

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
        checkStillReading();
    }

    void randomBytes()
    {
        QRandomGenerator random(20261207);
        for (int burst = 0; burst < 40; ++burst) {
            QByteArray bytes(int(random.bounded(1, 8192)), Qt::Uninitialized);
            for (char &byte : bytes)
                byte = char(random.bounded(256));
            QVERIFY(send(bytes));
            checkShownMatchesHeld();
        }
        checkStillReading();
    }

    void readingShapedNoise()
    {
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
        checkStillReading();
    }

    void nulBytes()
    {
        QVERIFY(send(QByteArray(4096, '\0')));
        checkStillReading();
        // Text after a NUL is not part of the reading.
        QVERIFY(send(QByteArray("65.0|1.100\0" "99.0|1.900\r\n", 22)));
        checkShownMatchesHeld();
        QCOMPARE(live_load, 65.0);
        QCOMPARE(label("height_val")->text(), QStringLiteral("1.100"));
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
        QFETCH(QByteArray, bytes);
        QVERIFY(send(bytes));
        checkShownMatchesHeld();
        checkStillReading();
    }
};

KESTRIX_TEST_MAIN(tst_tester_link_garbage)
#include "tst_tester_link_garbage.moc"
