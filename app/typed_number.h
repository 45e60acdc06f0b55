// Numbers that the operator types and numbers read back from the settings
// file. No quantity of the tester is infinite or undefined, so a text that
// gives infinity or NaN ("inf", "nan", "1e999") counts as a text that is not
// a number at all; such a value then never reaches the gauges, the settings
// file or a session file.
#ifndef KESTRIX_TYPED_NUMBER_H
#define KESTRIX_TYPED_NUMBER_H

#include <QString>

#include <cmath>

class QSettings;

// value, or fallback when value is infinite or NaN.
inline double finite_or(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// A C-locale number with blanks around it allowed; 0.0 for anything else.
double typed_double(const QString &text);

// A decimal whole number without a minus sign, blanks around it allowed; 0
// for anything else.
int typed_whole_number(const QString &text);

// The setting under key converted to a double, or fallback when the key is
// missing or holds no finite value. A text that is no number at all gives
// 0.0, as the conversion always did.
double stored_double(const QSettings &store, const QString &key, double fallback);

#endif // KESTRIX_TYPED_NUMBER_H
