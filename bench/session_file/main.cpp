// Time to save and to open a full session: 16 curves of 499 points each.
#include "globals.h"
#include "session_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

void fill_full_session()
{
    session_date = QStringLiteral("Mon Dec 7 2026 / 9:30 am");
    customer_name = QStringLiteral("Benchmark Customer");
    session_notes = QStringLiteral("Notes\nover two lines");
    no_of_cyl = 8;
    for (int v = 1; v <= 16; ++v) {
        valve_heights[v].clear();
        valve_loads[v].clear();
        for (int i = 0; i < 499; ++i) {
            valve_heights[v].append(2.1 - i * 0.0015);
            valve_loads[v].append(40.0 + i * 0.9 + v);
        }
    }
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.tvq"));
    fill_full_session();

    constexpr int runs = 200;
    QVector<double> save_ms, open_ms;
    QString error;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!session_file::save(path, &error)) {
            out << "save failed: " << error << '\n';
            return 1;
        }
        save_ms.append(timer.nsecsElapsed() / 1e6);

        timer.restart();
        if (session_file::load(path, &error) != session_file::LoadResult::Loaded) {
            out << "open failed\n";
            return 1;
        }
        open_ms.append(timer.nsecsElapsed() / 1e6);
    }
    out << "session file of " << QFileInfo(path).size() << " bytes (16 curves x 499 points), "
        << runs << " runs\n";
    out << "save: median " << QString::number(median(save_ms), 'f', 3) << " ms, max "
        << QString::number(*std::max_element(save_ms.begin(), save_ms.end()), 'f', 3) << " ms\n";
    out << "open: median " << QString::number(median(open_ms), 'f', 3) << " ms, max "
        << QString::number(*std::max_element(open_ms.begin(), open_ms.end()), 'f', 3) << " ms\n";
    return 0;
}
