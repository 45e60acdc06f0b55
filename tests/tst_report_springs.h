// Straight-line test springs whose report values can be worked out by hand.
#ifndef KESTRIX_TST_REPORT_SPRINGS_H
#define KESTRIX_TST_REPORT_SPRINGS_H

#include "globals.h"

#include <QVector>

namespace test_springs {

inline QVector<double> falling_heights(int n, double top = 2.0, double step = 1 / 256.0)
{
    QVector<double> heights;
    for (int i = 0; i < n; ++i)
        heights.append(top - i * step);
    return heights;
}

inline QVector<double> rising_loads(int n, double bottom, double step)
{
    QVector<double> loads;
    for (int i = 0; i < n; ++i)
        loads.append(bottom + i * step);
    return loads;
}

// Spring A: 400 samples (too many for the speed correction), falling 1/256 in
// and rising 1 lb per sample from 2.000 in and 50 lb: load = 50 + 256 x (2 - h).
inline void store_a(int valve)
{
    valve_heights[valve] = falling_heights(400);
    valve_loads[valve] = rising_loads(400, 50.0, 1.0);
}

// Spring B: 200 samples, so its heights 1..199 are raised by
// 0.008 x 151 / 349 = 0.0034613 in; falling 1/128 in and rising 2 lb per
// sample from 1.900 in and 80 lb.
inline void store_b(int valve)
{
    valve_heights[valve] = falling_heights(200, 1.9, 1 / 128.0);
    valve_loads[valve] = rising_loads(200, 80.0, 2.0);
}

inline void clear_curves()
{
    for (int v = 1; v <= 16; ++v) {
        valve_heights[v].clear();
        valve_loads[v].clear();
    }
}

// Side values and targets the hand-worked values assume: effective lift 0.4 in
// on the intake side, 0.5 in on the exhaust side.
inline void set_session_values()
{
    in_valve_lift = 0.55;
    in_valve_lash = 0.05;
    in_deflection = 20.0;
    ex_valve_lift = 0.6;
    ex_valve_lash = 0.1;
    ex_deflection = 0.0;
    in_inst_height = 1.8;
    ex_inst_height = 1.7;
    in_targ_seat_press = 150.25;
    ex_targ_seat_press = 200.3;
    in_targ_bind_clear = 0.06;
    ex_targ_bind_clear = 0.04;
}

} // namespace test_springs

#endif // KESTRIX_TST_REPORT_SPRINGS_H
