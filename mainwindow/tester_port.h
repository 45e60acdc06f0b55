// Which serial port is the tester. The tester sits behind a CH340-family
// USB-serial bridge; the rule is kept apart from QSerialPortInfo so that it
// can be checked with made-up port lists where no such bridge is attached.
#ifndef KESTRIX_TESTER_PORT_H
#define KESTRIX_TESTER_PORT_H

#include <QList>
#include <QString>
#include <QtGlobal>

class QSerialPortInfo;

namespace tester_port {

constexpr quint16 vendor_id = 0x1A86;
constexpr quint16 product_id = 0x7523;

// What the operating system tells about one serial port.
struct Description
{
    QString portName;
    bool hasVendorIdentifier = false;
    quint16 vendorIdentifier = 0;
    bool hasProductIdentifier = false;
    quint16 productIdentifier = 0;
};

Description describe(const QSerialPortInfo &info);

// Both identifiers must be reported and both must be the bridge's.
bool matches(const Description &port);

// The name of the last matching port in the list, or `previous` when none
// matches. Writes four diagnostic lines for every match.
QString choose(const QList<Description> &ports, const QString &previous);

} // namespace tester_port

#endif // KESTRIX_TESTER_PORT_H
