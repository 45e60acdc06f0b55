#include "tester_port.h"

#include <QDebug>
#include <QSerialPortInfo>

namespace tester_port {

Description describe(const QSerialPortInfo &info)
{
    Description port;
    port.portName = info.portName();
    port.hasVendorIdentifier = info.hasVendorIdentifier();
    port.vendorIdentifier = info.vendorIdentifier();
    port.hasProductIdentifier = info.hasProductIdentifier();
    port.productIdentifier = info.productIdentifier();
    return port;
}

bool matches(const Description &port)
{
    return port.hasProductIdentifier && port.hasVendorIdentifier
        && port.productIdentifier == product_id && port.vendorIdentifier == vendor_id;
}

QString choose(const QList<Description> &ports, const QString &previous)
{
    QString chosen = previous;
    // No early exit: with two bridges plugged in, the one listed last is used.
    for (const Description &port : ports) {
        if (!matches(port))
            continue;
        chosen = port.portName;
        qDebug() << port.productIdentifier;
        qDebug() << port.vendorIdentifier;
        qDebug().noquote() << port.portName;
        qDebug() << true;
    }
    return chosen;
}

} // namespace tester_port
