// How long the target pages and a whole-engine analysis take on full-length
// curves. A refresh runs on the GUI thread after every valve step, so it has
// to stay well inside one screen frame (16 ms).
#include "analysis.h"
#include "globals.h"
#include "mainwindow.h"
#include "test_main.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int samples = 499; // the longest stroke the recorder keeps
constexpr int rounds = 2000;

void recordSprings()
{
    for (int v = 1; v <= 16; ++v) {
        valve_heights[v].clear();
        valve_loads[v].clear();
        const double rate = 240.0 + 3.0 * v;
        for (int i = 0; i < samples; ++i) {
            valve_heights[v].append(2.25 - 0.003 * i);
            valve_loads[v].append(rate * (2.3 - valve_heights[v].last()));
        }
    }
}

void report(const char *what, const std::function<void()> &work)
{
    work(); // warm up
    QElapsedTimer timer;
    qint64 slowest = 0;
    qint64 total = 0;
    for (int i = 0; i < rounds; ++i) {
        timer.start();
        work();
        const qint64 ns = timer.nsecsElapsed();
        total += ns;
        slowest = qMax(slowest, ns);
    }
    std::printf("%-44s mean %8.1f us   max %8.1f us\n", what, total / 1000.0 / rounds,
                slowest / 1000.0);
}

// One pass over all sixteen springs in one target mode, as the printed
// report makes it: a copy of each curve, compensated once, then the results.
void analyseEngine(int mode)
{
    for (int v = 1; v <= 16; ++v) {
        QVector<double> heights = valve_heights[v];
        const double bind = analysis::speed_compensate(heights);
        const bool intake = v % 2 != 0;
        const double lift = analysis::effective_lift(intake ? in_valve_lift : ex_valve_lift,
                                                     intake ? in_valve_lash : ex_valve_lash,
                                                     intake ? in_deflection : ex_deflection);
        analysis::Results r;
        if (mode == 1)
            r = analysis::results_for_installed_height(heights, valve_loads[v], bind,
                                                       intake ? in_inst_height : ex_inst_height, lift);
        else if (mode == 2)
            r = analysis::results_for_seat_load(heights, valve_loads[v], bind,
                                                intake ? in_targ_seat_press : ex_targ_seat_press, lift);
        else
            r = analysis::results_for_bind_clearance(heights, valve_loads[v], bind,
                                                     intake ? in_targ_bind_clear : ex_targ_bind_clear, lift);
        if (!r.spring_rate)
            std::printf("valve %d: no rate\n", v);
    }
}

int runBenchmark(int argc, char *argv[])
{
    kestrixInitResources();
    QApplication app(argc, argv);
    settings.setValue(QStringLiteral("last_version_ran/config/key"), program_version);
    settings.setValue(QStringLiteral("check_updates/config/key"), false);
    MainWindow window;

    recordSprings();
    in_valve_lift = 0.55;
    in_valve_lash = 0.02;
    in_deflection = 4.0;
    ex_valve_lift = 0.5;
    ex_valve_lash = 0.03;
    ex_deflection = 0.0;
    in_inst_height = 1.8;
    ex_inst_height = 1.75;
    in_targ_seat_press = ex_targ_seat_press = 120.0;
    in_targ_bind_clear = ex_targ_bind_clear = 0.1;
    current_valve = 1;

    // Alternating between two valves makes every refresh rewrite its labels.
    auto nextValve = [] {
        current_valve = current_valve == 1 ? 2 : 1;
        active_heights = valve_heights[current_valve];
        active_loads = valve_loads[current_valve];
    };
    std::printf("%d-sample curves, %d rounds each\n", samples, rounds);
    report("installed-height page refresh", [&] {
        nextValve();
        window.target_installed_height_refresh();
    });
    report("seat-load page refresh", [&] {
        nextValve();
        window.target_seat_pressure_refresh();
    });
    report("bind-clearance page refresh", [&] {
        nextValve();
        window.target_bind_clearance_refresh();
    });
    report("16 springs, installed height", [] { analyseEngine(1); });
    report("16 springs, seat load", [] { analyseEngine(2); });
    report("16 springs, bind clearance", [] { analyseEngine(3); });
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The main window reads and writes the settings file: run in a scratch
    // configuration folder so that the user's own settings stay untouched.
    if (qEnvironmentVariableIsEmpty("KESTRIX_BENCH_CHILD")) {
        QTemporaryDir config;
        qputenv("KESTRIX_BENCH_CHILD", "1");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QString::fromLocal8Bit(argv[0]), QStringList());
        child.waitForFinished(-1);
        return child.exitCode();
    }
    return runBenchmark(argc, argv);
}
