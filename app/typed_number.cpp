#include "typed_number.h"

#include <QSettings>
#include <QVariant>

double typed_double(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    // An overflowing text such as "1e999" fails the conversion but still
    // comes back as infinity.
    return ok ? finite_or(value, 0.0) : 0.0;
}

int typed_whole_number(const QString &text)
{
    // A count beyond int's range wraps, as the file's 32-bit field does, and
    // is shown back as typed.
    return int(text.toUInt(nullptr, 10));
}

double stored_double(const QSettings &store, const QString &key, double fallback)
{
    return finite_or(store.value(key, fallback).toDouble(), fallback);
}
