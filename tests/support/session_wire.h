// How the session file reader takes the bytes of a file it accepts: as they
// stand, but for each of the fourteen session numbers that is not finite,
// which reads as 0.0. The fuzzer and the corpus replay check the reader
// against this.
#ifndef KESTRIX_SESSION_WIRE_H
#define KESTRIX_SESSION_WIRE_H

#include "session_file.h"

#include <QByteArray>
#include <QtEndian>

#include <cmath>
#include <cstring>

// `read` is what the reader took from `bytes`: its texts give the offsets of
// the two runs of session numbers.
inline QByteArray bytes_as_taken(QByteArray bytes, const session_file::Record &read)
{
    const auto text_bytes = [](const QString &text) { return text.isNull() ? 4 : 4 + 2 * text.size(); };
    const int first_run = text_bytes(read.session_date) + text_bytes(read.customer_name)
                          + text_bytes(read.spring_part_no) + text_bytes(read.engine_description) + 4;
    const int second_run = first_run + 8 * 8 + text_bytes(read.session_notes);
    const auto zero_if_not_finite = [&bytes](int at) {
        const quint64 bits = qFromBigEndian<quint64>(bytes.constData() + at);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value))
            bytes.replace(at, 8, QByteArray(8, '\0'));
    };
    for (int i = 0; i < 8; ++i)
        zero_if_not_finite(first_run + 8 * i);
    for (int i = 0; i < 6; ++i)
        zero_if_not_finite(second_run + 8 * i);
    return bytes;
}

#endif // KESTRIX_SESSION_WIRE_H
