// A pseudo-terminal that stands in for the tester: the application opens the
// slave side as its serial port, the test writes readings into the master.
#ifndef KESTRIX_PTY_TESTER_H
#define KESTRIX_PTY_TESTER_H

#include <QByteArray>
#include <QString>

class PtyTester
{
public:
    PtyTester();
    ~PtyTester();
    PtyTester(const PtyTester &) = delete;
    PtyTester &operator=(const PtyTester &) = delete;

    // Opens a new pty pair in raw mode; false when the system has none.
    bool open();
    bool isOpen() const { return masterFd >= 0; }
    // Device path of the slave side, e.g. /dev/pts/7: what tester_port_name is set to.
    QString slavePath() const { return slaveName; }
    // Writes all bytes to the master side (the application reads them).
    bool write(const QByteArray &bytes);
    // Writes what the line takes at once and drops the rest, as a real
    // adapter does when the computer leaves its data unread.
    void offer(const QByteArray &bytes);
    // Closes both sides, as an unplugged tester would.
    void close();

private:
    int masterFd = -1;
    int slaveFd = -1;
    QString slaveName;
};

// One reading as the tester sends it: "<load>|<height>\r\n".
QByteArray testerReading(double load, double height, int loadDecimals = 1, int heightDecimals = 3);

#endif // KESTRIX_PTY_TESTER_H
