// Start-up time to the first shown window: the Kestrix main window against an
// empty QMainWindow in the same executable (so with the same libraries
// loaded). Each start is a fresh process; the figure is the median wall time
// from launching it until it reports its window shown. Without a display the
// starts use the offscreen platform; run it under xvfb-run to include the cost
// of a real X connection, as on a desktop.
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <memory>

// Outside any namespace: the macro declares the resource initialiser where it stands.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const int runs = 25;

int child(int argc, char *argv[], bool kestrix)
{
    initResources();
    start_up_before_application();
    QApplication app(argc, argv);
    start_up_application();

    std::unique_ptr<QMainWindow> window;
    if (kestrix)
        window.reset(new MainWindow);
    else
        window.reset(new QMainWindow);
    window->show();
    // The first turn of the event loop delivers the window's first paint.
    QTimer::singleShot(0, &app, [&app] {
        QTextStream(stdout) << "shown" << Qt::endl;
        app.quit();
    });
    return app.exec();
}

double startOnce(const QString &program, const QString &which, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("--child"), which});
    while (!process.readAllStandardOutput().contains("shown")) {
        if (!process.waitForReadyRead(30000))
            return -1;
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    process.waitForFinished(30000);
    return ms;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv, qstrcmp(argv[2], "kestrix") == 0);

    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir config;
    // A start-up as after a normal earlier run: no changelog, no update check,
    // and the user's own settings left alone.
    {
        QSettings store(config.path() + QStringLiteral("/Tarvell Engineering/Kestrix.ini"),
                        QSettings::IniFormat);
        store.setValue(QStringLiteral("last_version_ran/config/key"), 1.12);
        store.setValue(QStringLiteral("check_updates/config/key"), false);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    const QString self = QCoreApplication::applicationFilePath();
    // Warm the disk cache so that neither side pays for the first load.
    startOnce(self, QStringLiteral("empty"), env);
    startOnce(self, QStringLiteral("kestrix"), env);

    QVector<double> empty, kestrix;
    for (int i = 0; i < runs; ++i) {
        empty << startOnce(self, QStringLiteral("empty"), env);
        kestrix << startOnce(self, QStringLiteral("kestrix"), env);
    }
    if (empty.contains(-1) || kestrix.contains(-1)) {
        out << "a start did not report its window shown\n";
        return 1;
    }
    const double base = median(empty);
    const double ours = median(kestrix);
    const QString platform = env.contains(QStringLiteral("QT_QPA_PLATFORM"))
        ? env.value(QStringLiteral("QT_QPA_PLATFORM"))
        : QStringLiteral("default (DISPLAY=") + env.value(QStringLiteral("DISPLAY")) + ')';
    out << "start-up to first shown window, median of " << runs << " starts each, platform "
        << platform << "\n"
        << "  empty QMainWindow:  " << QString::number(base, 'f', 1) << " ms\n"
        << "  Kestrix MainWindow: " << QString::number(ours, 'f', 1) << " ms\n"
        << "  ratio: " << QString::number(ours / base, 'f', 2) << " (target at most 1.50)\n";
    return 0;
}
