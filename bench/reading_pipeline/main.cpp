// How fast the window takes readings from the tester's line: every reading is
// written into a pseudo-terminal, read by the window's serial port, parsed and
// shown on the gauges, painting included, before the next one is written, so
// each is a chunk of its own. The time per reading therefore also holds the
// write and the pseudo-terminal's hand-over. The line itself carries at most
// about 730 readings per second.
// Then the same line as the tester's USB adapter hands it over, a few bytes
// at a time as they come off the line: how many readings the gauges show a
// second, and how many of those are not a reading the tester sent.
// Then how the heap grows while a refused stroke's box holds the readings
// back and the tester streams at 700 readings a second, how soon after OK
// the gauges follow the tester again, and how old the reading they show is.
#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"
#include "stroke_generator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QSet>
#include <QSlider>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <qwt_dial.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include <malloc.h>

namespace {

constexpr int warm_up_readings = 500;
constexpr int measured_readings = 20000;
constexpr int measured_rounds = 3;
constexpr double line_max_readings_per_second = 730.0;
constexpr int trickled_readings_per_second = 700;
// The pairs of load and height below repeat only after this many readings.
constexpr int trickled_readings = 7000;
constexpr int largest_piece = 4;
constexpr int held_readings_per_second = 700;
constexpr int held_seconds = 30;
constexpr int settle_ms = 300;

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The window keeps its settings in the user's configuration; the run gets a
// throw-away one, which must be chosen before the program starts.
int runInScratchHome(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("KESTRIX_BENCH_SCRATCH"), QStringLiteral("1"));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
    run.waitForFinished(-1);
    return run.exitCode();
}

// Runs the event loop until `shown` holds; false after `ms` without it.
bool waitUntil(const std::function<bool()> &shown, int ms)
{
    QElapsedTimer waited;
    waited.start();
    while (!shown()) {
        if (waited.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

// Writes one reading and runs the event loop until the window has taken it.
bool drive(PtyTester &tester, double load, double height)
{
    if (!tester.write(testerReading(load, height)) || !waitUntil([load] { return live_load == load; }, 2000))
        return false;
    // Let the window lay out and paint before the next reading comes.
    QCoreApplication::processEvents();
    return true;
}

bool drive(PtyTester &tester, int index)
{
    return drive(tester, 100.0 + index % 1400, 1.0 + (index % 500) * 0.002);
}

// The heap in use, including the large blocks malloc maps on their own.
double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

bool measureTrickledReadings(PtyTester &tester, MainWindow &window)
{
    QList<QByteArray> readings;
    for (int n = 0; n < trickled_readings; ++n)
        readings.append(testerReading(100.0 + n % 1400, 1.0 + (n % 500) * 0.002));
    const QSet<QByteArray> sent(readings.cbegin(), readings.cend());
    // Every load within the dial's scale, so that the dial moves with each.
    window.findChild<QSlider *>(QStringLiteral("horizontalSlider"))->setValue(1500);

    int shown = 0;
    int wrong = 0;
    auto *dial = window.findChild<QwtDial *>(QStringLiteral("Dial"));
    const QMetaObject::Connection watch = QObject::connect(dial, &QwtDial::valueChanged, [&] {
        ++shown;
        if (!sent.contains(testerReading(live_load, raw_height)))
            ++wrong;
    });
    QElapsedTimer clock;
    clock.start();
    tester.trickle(readings, trickled_readings_per_second, largest_piece);
    const double seconds = clock.nsecsElapsed() / 1e9;
    QTest::qWait(settle_ms);
    QObject::disconnect(watch);
    std::printf("%d readings at %d readings/s in pieces of 1 to %d bytes: %.0f readings shown "
                "per second, %d of %d shown wrong\n",
                trickled_readings, trickled_readings_per_second, largest_piece, shown / seconds,
                wrong, shown);
    return shown > 0;
}

// A stroke too short for a curve raises its box; while it is open the tester
// streams unloaded readings, each a write of its own, and what the line
// cannot take is dropped as by a real adapter.
bool measureHeldBox(PtyTester &tester, MainWindow &window)
{
    show_retainer_warning = false;
    window.findChild<QPushButton *>(QStringLiteral("record_button"))->click();
    StrokeShape shape;
    shape.compressedSamples = 20;
    QVector<StrokeSample> stroke = compressionStroke(shape);
    stroke.removeLast();

    // Each reading held back tells its number by its load and height, to see
    // how old the first reading shown after OK is; they repeat only after
    // more readings than the box waits through.
    const auto heldReading = [](int n) {
        return testerReading(5.0 + (n % 40) * 0.1, 2.100 + (n / 40) * 0.0002, 1, 4);
    };
    const auto heldNumber = [] {
        return int(std::lround((live_load - 5.0) * 10.0)
                   + 40 * std::lround((raw_height - 2.100) / 0.0002));
    };
    int newestSent = -1;
    int firstShownAfterOk = -1;
    auto *dial = window.findChild<QwtDial *>(QStringLiteral("Dial"));

    double grownMegabytes = 0.0;
    QElapsedTimer sinceOk;
    QTimer boxWatch;
    QObject::connect(&boxWatch, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxWatch.stop();
        // Past the box's own painting, and once the last arrivals are taken.
        QTest::qWait(settle_ms);
        const double before = heapMegabytes();
        tester.stream(held_readings_per_second, held_seconds * 1000, [&](int n) {
            newestSent = n;
            return heldReading(n);
        });
        QTest::qWait(settle_ms);
        grownMegabytes = heapMegabytes() - before;
        // The reading that ended the stroke is shown first, once its box is closed.
        QObject::connect(dial, &QwtDial::valueChanged, &boxWatch, [&] {
            if (firstShownAfterOk < 0 && live_load >= 5.0)
                firstShownAfterOk = heldNumber();
        });
        sinceOk.start();
        box->button(QMessageBox::Ok)->click();
    });
    boxWatch.start(10);

    for (const StrokeSample &sample : stroke) {
        // The tester sends loads with one decimal.
        if (!drive(tester, std::round(sample.load * 10.0) / 10.0, sample.height))
            return false;
    }
    if (!sinceOk.isValid())
        return false;
    if (!waitUntil([] { return live_load >= 5.0 && live_load < 9.0; }, 120000))
        return false;
    const qint64 followedMs = sinceOk.elapsed();
    std::printf("box open %d s at %d readings/s: heap grew %.2f MB, %.2f MB per minute; "
                "the gauges followed the tester %lld ms after OK; "
                "shown after OK: %d readings behind the newest sent\n",
                held_seconds, held_readings_per_second, grownMegabytes,
                grownMegabytes * 60.0 / held_seconds, static_cast<long long>(followedMs),
                newestSent - firstShownAfterOk);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("KESTRIX_BENCH_SCRATCH"))
        return runInScratchHome(argc, argv);

    QApplication app(argc, argv);
    settings.setValue(QStringLiteral("last_version_ran/config/key"), program_version);
    settings.setValue(QStringLiteral("check_updates/config/key"), false);

    MainWindow window;
    window.show();
    ready_to_record = false;

    PtyTester tester;
    if (!tester.open()) {
        std::fprintf(stderr, "no pseudo-terminal available\n");
        return 1;
    }
    tester_port_name = tester.slavePath();
    window.serialConnect();
    if (!serial_port || !serial_port->isOpen()) {
        std::fprintf(stderr, "the window did not open %s\n", qPrintable(tester_port_name));
        return 1;
    }

    // Paints of the four widgets that change with every reading.
    PaintCounter counter;
    for (const char *name : {"Dial", "Thermo", "load_val_2", "height_val"})
        window.findChild<QWidget *>(QLatin1String(name))->installEventFilter(&counter);

    for (int i = 0; i < warm_up_readings; ++i) {
        if (!drive(tester, i)) {
            std::fprintf(stderr, "reading %d was not shown\n", i);
            return 1;
        }
    }
    // Three rounds, since other work on the machine shows in a single one.
    double slowest = 0.0;
    for (int round = 1; round <= measured_rounds; ++round) {
        counter.paints = 0;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < measured_readings; ++i) {
            if (!drive(tester, warm_up_readings + i)) {
                std::fprintf(stderr, "reading %d was not shown\n", i);
                return 1;
            }
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        slowest = qMax(slowest, seconds);
        std::printf("round %d: %d readings in %.3f s, %.0f readings/s, %.1f us each, "
                    "%.1fx the line; %d gauge paints\n",
                    round, measured_readings, seconds, measured_readings / seconds,
                    1e6 * seconds / measured_readings,
                    measured_readings / seconds / line_max_readings_per_second, counter.paints);
    }
    const double per_second = measured_readings / slowest;
    std::printf("slowest round: %.0f readings per second, %.1f microseconds per reading "
                "(write to shown), %.1fx the line maximum of 730 readings/s\n",
                per_second, 1e6 * slowest / measured_readings,
                per_second / line_max_readings_per_second);

    if (!measureTrickledReadings(tester, window)) {
        std::fprintf(stderr, "no reading handed over in pieces was shown\n");
        return 1;
    }
    if (!measureHeldBox(tester, window)) {
        std::fprintf(stderr, "the refused stroke's box did not come, or the gauges did not follow\n");
        return 1;
    }
    return 0;
}
