// Spring-curve analysis: the speed compensation, the analysis windows and the
// estimate from the last seven samples of a window. Pure functions on plain
// vectors; the target pages and the printed report both use them, so a rule
// changed here changes both.
#ifndef KESTRIX_ANALYSIS_H
#define KESTRIX_ANALYSIS_H

#include <QVector>
#include <QtGlobal>

#include <optional>

namespace analysis {

// Half-width of the window around an installed height, inches.
constexpr double seat_window_half_width = 0.125;
// Width of the window above an open height, inches.
constexpr double open_window_width = 0.25;

// The (height, load) samples of a curve that meet a window's condition, in curve order.
struct Window
{
    QVector<double> heights;
    QVector<double> loads;
};

// The intermediate values of one estimate, from the last seven window samples.
struct Estimate
{
    double height_steps[6] = {};
    double load_steps[6] = {};
    double mean_height_step = 0.0; // S
    double mean_load_step = 0.0;   // D
    double mean_height = 0.0;      // MH, of the last six samples
    double mean_load = 0.0;        // ML, of the last six samples
    double ratio = 0.0;            // R = S / D, inches per pound
};

// Adds the speed correction to entries 1..n-1 of a working copy of a curve's
// heights and returns the bind height (the last height, taken before the
// correction; 0.0 for an empty curve).
double speed_compensate(QVector<double> &heights);

// (lift - lash) x ((100 - deflection) / 100), inches.
double effective_lift(double lift, double lash, double deflection);

// Samples with lower < height < upper (both strict).
Window height_window(const QVector<double> &heights, const QVector<double> &loads,
                     double lower, double upper);

// Samples with T - trunc(T x 0.5) < load < T (both strict).
Window load_window(const QVector<double> &heights, const QVector<double> &loads,
                   double target_load);

// The estimate's values; empty when the window holds fewer than seven samples
// or its mean load step is 0 (no finite ratio).
std::optional<Estimate> estimate(const Window &window);

// Load at height t in whole pounds, truncated toward zero; empty when there is
// no estimate or the result is not a finite 32-bit value.
std::optional<qint32> load_at_height(const Window &window, double height);

// Height at load T in inches; empty when there is no estimate or the result is
// not finite.
std::optional<double> height_at_load(const Window &window, double load);

// Open height at installed height h: h - E.
double open_height_at(double installed_height, double effective_lift);

// Installed height that leaves bind clearance C: (bind height + C) + E.
double installed_height_for_clearance(double bind_height, double target_clearance,
                                      double effective_lift);

// Convenience compositions used by the target pages and the report.
// Seat load at installed height h: estimate over the window h +- 0.125.
std::optional<qint32> seat_load_at(const QVector<double> &compensated_heights,
                                   const QVector<double> &loads, double installed_height);
// Open load at open height o: estimate over the window (o, o + 0.25).
std::optional<qint32> open_load_at(const QVector<double> &compensated_heights,
                                   const QVector<double> &loads, double open_height);
// Installed height that gives target seat load T: estimate over T's load window.
std::optional<double> installed_height_for_load(const QVector<double> &compensated_heights,
                                                const QVector<double> &loads, double target_load);
// (open load - seat load) / effective lift, pounds per inch; empty when the
// effective lift is 0 or the result is not finite.
std::optional<double> spring_rate(double open_load, double seat_load, double effective_lift);

// The results of one target mode for one spring. A value that rests on a
// missing estimate (a window of fewer than seven samples, a flat load step)
// or on a zero effective lift is empty, so that no caller ever shows a
// division by zero as a number.
struct Results
{
    std::optional<double> installed_height;
    std::optional<double> seat_load; // whole pounds, or the operator's target seat load
    std::optional<double> open_height;
    std::optional<qint32> open_load;
    std::optional<double> spring_rate;
    double bind_height = 0.0;
    std::optional<double> bind_clearance; // open height - bind height
};

// Each takes the speed-compensated heights of a curve, its loads, the bind
// height that speed_compensate gave and the side's effective lift.
// Target installed height h: seat load at h, open height h - E.
Results results_for_installed_height(const QVector<double> &compensated_heights,
                                     const QVector<double> &loads, double bind_height,
                                     double installed_height, double effective_lift);
// Target seat load T: the installed height that gives T; the rate uses T itself.
Results results_for_seat_load(const QVector<double> &compensated_heights,
                              const QVector<double> &loads, double bind_height,
                              double target_seat_load, double effective_lift);
// Target bind clearance C: installed height (bind height + C) + E.
Results results_for_bind_clearance(const QVector<double> &compensated_heights,
                                   const QVector<double> &loads, double bind_height,
                                   double target_clearance, double effective_lift);

} // namespace analysis

#endif // KESTRIX_ANALYSIS_H
