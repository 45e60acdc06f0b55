// A pseudo-terminal that stands in for the tester: the application opens the
// slave side as its serial port, the test writes readings into the master.
#ifndef KESTRIX_PTY_TESTER_H
#define KESTRIX_PTY_TESTER_H

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

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
    // Runs the event loop for `ms` while writing `perSecond` readings a
    // second, reading(n) being the n-th, each a write of its own; what the
    // line cannot take at once is dropped, as by a real adapter.
    void stream(int perSecond, int ms, const std::function<QByteArray(int)> &reading);
    // Runs the event loop while a second thread writes `readings`, each
    // handed over in pieces of 1 to `largestPiece` bytes at the line's pace
    // of 87 us a byte, as the tester's USB adapter passes bytes on as they
    // come off the line; a reading starts 1/perSecond after the one before.
    // With `taken`, a reading also waits until taken(n) holds for the one
    // before, checked in the event loop, so that a slow machine cannot make
    // readings arrive together; false when that does not come within 3 s.
    bool trickle(const QList<QByteArray> &readings, int perSecond, int largestPiece,
                 const std::function<bool(int)> &taken = {});
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
