#include "pty_tester.h"

#include <cerrno>
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

void PtyTester::offer(const QByteArray &bytes)
{
    if (masterFd < 0)
        return;
    // A short write or EAGAIN is the line being full: what is left is lost.
    const ssize_t taken = ::write(masterFd, bytes.constData(), static_cast<size_t>(bytes.size()));
    Q_UNUSED(taken);
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
