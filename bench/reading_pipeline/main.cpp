// How fast the window takes readings from the tester's line: every reading is
// written into a pseudo-terminal, read by the window's serial port, parsed and
// shown on the gauges, painting included, before the next one is written, so
// each is a chunk of its own. The time per reading therefore also holds the
// write and the pseudo-terminal's hand-over. The line itself carries at most
// about 730 readings per second.
#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>

namespace {

constexpr int warm_up_readings = 500;
constexpr int measured_readings = 20000;
constexpr int measured_rounds = 3;
constexpr double line_max_readings_per_second = 730.0;

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

// Writes one reading and runs the event loop until the window has taken it.
bool drive(PtyTester &tester, int index)
{
    const double load = 100.0 + index % 1400;
    const double height = 1.0 + (index % 500) * 0.002;
    if (!tester.write(testerReading(load, height)))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (live_load != load) {
        if (waited.elapsed() > 2000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    // Let the window lay out and paint before the next reading comes.
    QCoreApplication::processEvents();
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
    return 0;
}
