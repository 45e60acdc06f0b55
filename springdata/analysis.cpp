#include "analysis.h"

#include "constants.h"

#include <cmath>
#include <limits>

namespace analysis {

namespace {
constexpr int window_reserve = 40;
constexpr int estimate_steps = 6;
constexpr double estimate_divisor = 6.0;
constexpr double load_window_fraction = 0.5;
constexpr double percent_base = 100.0;
} // namespace

double speed_compensate(QVector<double> &heights)
{
    const int n = heights.size();
    if (n == 0)
        return 0.0;
    const double bind = heights[n - 1];
    double offset = 0.0;
    if (n - 1 < speed_comp_points)
        offset = speed_comp_max + (n - 2) * (0 - speed_comp_max) / (speed_comp_points - 1);
    for (int i = 1; i < n; ++i)
        heights[i] += offset;
    return bind;
}

double effective_lift(double lift, double lash, double deflection)
{
    return (lift - lash) * ((percent_base - deflection) / percent_base);
}

Window height_window(const QVector<double> &heights, const QVector<double> &loads,
                     double lower, double upper)
{
    Window window;
    window.heights.reserve(window_reserve);
    window.loads.reserve(window_reserve);
    const int n = qMin(heights.size(), loads.size());
    for (int i = 0; i < n; ++i) {
        if (lower < heights[i] && heights[i] < upper) {
            window.heights.append(heights[i]);
            window.loads.append(loads[i]);
        }
    }
    return window;
}

Window load_window(const QVector<double> &heights, const QVector<double> &loads,
                   double target_load)
{
    Window window;
    window.heights.reserve(window_reserve);
    window.loads.reserve(window_reserve);
    const double lower = target_load - std::trunc(target_load * load_window_fraction);
    const int n = qMin(heights.size(), loads.size());
    for (int i = 0; i < n; ++i) {
        if (lower < loads[i] && loads[i] < target_load) {
            window.heights.append(heights[i]);
            window.loads.append(loads[i]);
        }
    }
    return window;
}

std::optional<Estimate> estimate(const Window &window)
{
    const int size = qMin(window.heights.size(), window.loads.size());
    if (size < estimate_steps + 1)
        return std::nullopt;
    const int k = size - 1;
    const QVector<double> &wh = window.heights;
    const QVector<double> &wl = window.loads;

    Estimate e;
    double height_sum = 0.0;
    double load_sum = 0.0;
    double mean_height_sum = 0.0;
    double mean_load_sum = 0.0;
    for (int i = 0; i < estimate_steps; ++i) {
        e.height_steps[i] = wh[k - i - 1] - wh[k - i];
        e.load_steps[i] = wl[k - i] - wl[k - i - 1];
        height_sum += e.height_steps[i];
        load_sum += e.load_steps[i];
        mean_height_sum += wh[k - i];
        mean_load_sum += wl[k - i];
    }
    e.mean_height_step = height_sum / estimate_divisor;
    e.mean_load_step = load_sum / estimate_divisor;
    e.mean_height = mean_height_sum / estimate_divisor;
    e.mean_load = mean_load_sum / estimate_divisor;
    if (e.mean_load_step == 0.0)
        return std::nullopt;
    e.ratio = e.mean_height_step / e.mean_load_step;
    return e;
}

std::optional<qint32> load_at_height(const Window &window, double height)
{
    const std::optional<Estimate> e = estimate(window);
    if (!e)
        return std::nullopt;
    const double load = std::trunc(e->mean_load + (e->mean_height - height) / e->ratio);
    if (!std::isfinite(load) || load < std::numeric_limits<qint32>::min()
        || load > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(load);
}

std::optional<double> height_at_load(const Window &window, double load)
{
    const std::optional<Estimate> e = estimate(window);
    if (!e)
        return std::nullopt;
    const double height = e->mean_height - e->ratio * (load - e->mean_load);
    if (!std::isfinite(height))
        return std::nullopt;
    return height;
}

double open_height_at(double installed_height, double effective_lift)
{
    return installed_height - effective_lift;
}

double installed_height_for_clearance(double bind_height, double target_clearance,
                                      double effective_lift)
{
    return (bind_height + target_clearance) + effective_lift;
}

std::optional<qint32> seat_load_at(const QVector<double> &compensated_heights,
                                   const QVector<double> &loads, double installed_height)
{
    return load_at_height(height_window(compensated_heights, loads,
                                        installed_height - seat_window_half_width,
                                        installed_height + seat_window_half_width),
                          installed_height);
}

std::optional<qint32> open_load_at(const QVector<double> &compensated_heights,
                                   const QVector<double> &loads, double open_height)
{
    return load_at_height(height_window(compensated_heights, loads, open_height,
                                        open_height + open_window_width),
                          open_height);
}

std::optional<double> installed_height_for_load(const QVector<double> &compensated_heights,
                                                const QVector<double> &loads, double target_load)
{
    return height_at_load(load_window(compensated_heights, loads, target_load), target_load);
}

std::optional<double> spring_rate(double open_load, double seat_load, double effective_lift)
{
    if (effective_lift == 0.0)
        return std::nullopt;
    const double rate = (open_load - seat_load) / effective_lift;
    if (!std::isfinite(rate))
        return std::nullopt;
    return rate;
}

namespace {

std::optional<double> as_double(std::optional<qint32> value)
{
    if (!value)
        return std::nullopt;
    return static_cast<double>(*value);
}

// Open height, open load, rate and clearance once the installed height and
// the seat load are known: the tail that every target mode shares.
void complete_from_installed_height(Results &results, const QVector<double> &compensated_heights,
                                    const QVector<double> &loads, double effective_lift)
{
    if (!results.installed_height)
        return;
    const double open_height = open_height_at(*results.installed_height, effective_lift);
    results.open_height = open_height;
    results.open_load = open_load_at(compensated_heights, loads, open_height);
    if (results.open_load && results.seat_load)
        results.spring_rate = spring_rate(*results.open_load, *results.seat_load, effective_lift);
    results.bind_clearance = open_height - results.bind_height;
}

} // namespace

Results results_for_installed_height(const QVector<double> &compensated_heights,
                                     const QVector<double> &loads, double bind_height,
                                     double installed_height, double effective_lift)
{
    Results results;
    results.bind_height = bind_height;
    results.installed_height = installed_height;
    results.seat_load = as_double(seat_load_at(compensated_heights, loads, installed_height));
    complete_from_installed_height(results, compensated_heights, loads, effective_lift);
    return results;
}

Results results_for_seat_load(const QVector<double> &compensated_heights,
                              const QVector<double> &loads, double bind_height,
                              double target_seat_load, double effective_lift)
{
    Results results;
    results.bind_height = bind_height;
    results.seat_load = target_seat_load;
    results.installed_height =
        installed_height_for_load(compensated_heights, loads, target_seat_load);
    complete_from_installed_height(results, compensated_heights, loads, effective_lift);
    return results;
}

Results results_for_bind_clearance(const QVector<double> &compensated_heights,
                                   const QVector<double> &loads, double bind_height,
                                   double target_clearance, double effective_lift)
{
    // Once the clearance fixes the installed height, the rest is the
    // installed-height analysis.
    return results_for_installed_height(
        compensated_heights, loads, bind_height,
        installed_height_for_clearance(bind_height, target_clearance, effective_lift),
        effective_lift);
}

} // namespace analysis
