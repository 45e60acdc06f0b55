#include "report_results.h"

#include "analysis.h"
#include "globals.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr int window_reserve = 40;
constexpr int valve_positions = 16;

double no_value()
{
    return std::numeric_limits<double>::quiet_NaN();
}

bool is_intake(int valve)
{
    return valve % 2 == 1;
}

double side_effective_lift()
{
    return analysis::effective_lift(report_valve_lift, report_valve_lash, report_deflection);
}

void begin_routine()
{
    window_heights.clear();
    window_loads.clear();
    window_heights.reserve(window_reserve);
    window_loads.reserve(window_reserve);
}

void end_routine()
{
    window_heights.clear();
    window_loads.clear();
    std::fill(std::begin(report_height_steps), std::end(report_height_steps), 0.0);
    std::fill(std::begin(report_load_steps), std::end(report_load_steps), 0.0);
}

void compensate()
{
    report_bind_height = analysis::speed_compensate(report_heights);
}

// Makes the window the current one of the work state and keeps the values of
// its estimate there.
const analysis::Window &enter_window(const analysis::Window &window)
{
    window_heights = window.heights;
    window_loads = window.loads;
    if (const std::optional<analysis::Estimate> e = analysis::estimate(window)) {
        std::copy(std::begin(e->height_steps), std::end(e->height_steps), report_height_steps);
        std::copy(std::begin(e->load_steps), std::end(e->load_steps), report_load_steps);
        report_mean_height_step = e->mean_height_step;
        report_mean_load_step = e->mean_load_step;
        report_mean_height = e->mean_height;
        report_mean_load = e->mean_load;
        report_ratio = e->ratio;
    }
    return window;
}

void seat_load_at_installed_height()
{
    const analysis::Window window = analysis::height_window(
        report_heights, report_loads, report_inst_height - analysis::seat_window_half_width,
        report_inst_height + analysis::seat_window_half_width);
    const std::optional<qint32> load =
        analysis::load_at_height(enter_window(window), report_inst_height);
    report_seat_load_known = load.has_value();
    report_seat_load = load.value_or(0);
}

double &result(int valve, report_quantity quantity)
{
    return spring_results[quantity][is_intake(valve) ? 0 : 1][(valve - 1) / 2];
}

} // namespace

void calc_seat_load_at_height()
{
    begin_routine();
    compensate();
    seat_load_at_installed_height();
    end_routine();
}

void calc_height_at_seat_load()
{
    begin_routine();
    compensate();
    const analysis::Window window =
        analysis::load_window(report_heights, report_loads, report_seat_load_target);
    report_height_at_load = analysis::height_at_load(enter_window(window), report_seat_load_target)
                                .value_or(no_value());
    end_routine();
}

void calc_height_for_bind_clearance()
{
    begin_routine();
    compensate();
    report_inst_height = analysis::installed_height_for_clearance(
        report_bind_height, report_bind_clear_target, side_effective_lift());
    seat_load_at_installed_height();
    end_routine();
}

void calc_open_load_and_rate()
{
    begin_routine();
    const analysis::Window window =
        analysis::height_window(report_heights, report_loads, report_open_height,
                                report_open_height + analysis::open_window_width);
    const std::optional<qint32> load =
        analysis::load_at_height(enter_window(window), report_open_height);
    report_open_load_known = load.has_value();
    report_open_load = load.value_or(0);

    // Whole-pound loads subtract exactly in double, and cannot overflow there.
    std::optional<double> rate;
    if (report_type == 1 || report_type == 3) {
        if (report_open_load_known && report_seat_load_known)
            rate = analysis::spring_rate(report_open_load, report_seat_load, side_effective_lift());
        report_rate = rate.value_or(no_value());
    } else if (report_type == 2) {
        if (report_open_load_known)
            rate = analysis::spring_rate(report_open_load, report_seat_load_target,
                                         side_effective_lift());
        report_rate = rate.value_or(no_value());
    }
    end_routine();
}

void prepare_report()
{
    std::fill(&spring_results[0][0][0], &spring_results[0][0][0] + 7 * 2 * 8, no_value());
    report_open_height_in = analysis::open_height_at(
        in_inst_height, analysis::effective_lift(in_valve_lift, in_valve_lash, in_deflection));
    report_open_height_ex = analysis::open_height_at(
        ex_inst_height, analysis::effective_lift(ex_valve_lift, ex_valve_lash, ex_deflection));
}

bool analyse_report_spring(int valve)
{
    if (valve < 1 || valve > valve_positions || valve_heights[valve].isEmpty()
        || report_type < 1 || report_type > 3)
        return false;
    const bool intake = is_intake(valve);
    // Shared copies: the compensation's first write detaches report_heights.
    report_heights = valve_heights[valve];
    report_loads = valve_loads[valve];
    report_valve_lift = intake ? in_valve_lift : ex_valve_lift;
    report_valve_lash = intake ? in_valve_lash : ex_valve_lash;
    report_deflection = intake ? in_deflection : ex_deflection;

    double installed = no_value();
    double seat = no_value();
    switch (report_type) {
    case 1:
        report_inst_height = intake ? in_inst_height : ex_inst_height;
        report_open_height = intake ? report_open_height_in : report_open_height_ex;
        calc_seat_load_at_height();
        installed = report_inst_height;
        if (report_seat_load_known)
            seat = report_seat_load;
        break;
    case 2:
        report_seat_load_target = intake ? in_targ_seat_press : ex_targ_seat_press;
        calc_height_at_seat_load();
        installed = report_height_at_load;
        seat = report_seat_load_target;
        report_open_height = analysis::open_height_at(installed, side_effective_lift());
        break;
    default:
        report_bind_clear_target = intake ? in_targ_bind_clear : ex_targ_bind_clear;
        calc_height_for_bind_clearance();
        installed = report_inst_height;
        if (report_seat_load_known)
            seat = report_seat_load;
        report_open_height = analysis::open_height_at(installed, side_effective_lift());
        break;
    }
    calc_open_load_and_rate();

    result(valve, rq_installed_height) = installed;
    result(valve, rq_seat_load) = seat;
    result(valve, rq_open_height) = report_open_height;
    result(valve, rq_open_load) = report_open_load_known ? report_open_load : no_value();
    result(valve, rq_bind_height) = report_bind_height;
    result(valve, rq_bind_clearance) = report_open_height - report_bind_height;
    result(valve, rq_rate) = report_rate;

    report_heights.clear();
    report_loads.clear();
    return true;
}

double report_result(int valve, report_quantity quantity)
{
    if (valve < 1 || valve > valve_positions)
        return no_value();
    return result(valve, quantity);
}
