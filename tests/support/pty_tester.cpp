#include "pty_tester.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyTester::PtyTester() = default;

PtyTester::~PtyTester()
{
    close();
}

bool PtyTester::open()
{
    close();
    char name[256] = {};
    struct termios raw = {};
    cfmakeraw(&raw);
    if (openpty(&masterFd, &slaveFd, name, &raw, nullptr) != 0) {
        masterFd = slaveFd = -1;
        return false;
    }
    slaveName = QString::fromLocal8Bit(name);
    // A full line must not stall the test that feeds it.
    fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    return true;
}

bool PtyTester::write(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(masterFd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

void PtyTester::stream(int perSecond, int ms, const std::function<QByteArray(int)> &reading)
{
    QElapsedTimer clock;
    clock.start();
    int written = 0;
    QEventLoop running;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 due = qMin<qint64>(clock.elapsed(), ms);
        for (; written < due * perSecond / 1000; ++written) {
            const QByteArray text = reading(written);
            const ssize_t taken = ::write(masterFd, text.constData(), static_cast<size_t>(text.size()));
            Q_UNUSED(taken);
        }
        if (due == ms)
            running.quit();
    });
    tick.start(1);
    running.exec();
}

bool PtyTester::trickle(const QList<QByteArray> &readings, int perSecond, int largestPiece,
                        const std::function<bool(int)> &taken)
{
    using namespace std::chrono;
    // 115200 baud, ten bits a byte.
    constexpr microseconds byte_time(87);
    constexpr seconds longest_wait(3);
    const microseconds period(1000000 / perSecond);
    std::atomic<int> written{-1};
    std::atomic<int> takenUpTo{-1};
    std::atomic<bool> stalled{false};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        // A fixed seed, so that a failing run can be repeated.
        QRandomGenerator random{quint32(largestPiece)};
        steady_clock::time_point due = steady_clock::now();
        for (int n = 0; n < readings.size() && !stalled; ++n) {
            if (taken && n > 0) {
                const steady_clock::time_point giveUp = steady_clock::now() + longest_wait;
                while (takenUpTo < n - 1 && !stalled) {
                    stalled = steady_clock::now() > giveUp;
                    std::this_thread::sleep_for(microseconds(100));
                }
                if (stalled)
                    break;
                due = qMax(due, steady_clock::now());
            }
            std::this_thread::sleep_until(due);
            const QByteArray &text = readings.at(n);
            steady_clock::time_point byteDue = steady_clock::now();
            for (int from = 0; from < text.size();) {
                const int size = qMin(int(random.bounded(1, largestPiece + 1)), text.size() - from);
                byteDue += size * byte_time;
                std::this_thread::sleep_until(byteDue);
                write(text.mid(from, size));
                from += size;
            }
            written = n;
            due += period;
        }
        done = true;
    });
    QEventLoop running;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const int last = written;
        if (taken && last > takenUpTo && taken(last))
            takenUpTo = last;
        if (done)
            running.quit();
    });
    poll.start(1);
    running.exec();
    writer.join();
    return !stalled;
}

void PtyTester::close()
{
    if (slaveFd >= 0)
        ::close(slaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
    masterFd = slaveFd = -1;
}

QByteArray testerReading(double load, double height, int loadDecimals, int heightDecimals)
{
    return QByteArray::number(load, 'f', loadDecimals) + '|'
        + QByteArray::number(height, 'f', heightDecimals) + "\r\n";
}
