// Per-spring results of the printed report. Each recorded spring is analysed
// again on a detached copy of its curve, so printing never changes a stored
// curve nor what the main window shows. The routines work on the report's
// program-wide work state (globals.h, "Report work state").
#ifndef KESTRIX_REPORT_RESULTS_H
#define KESTRIX_REPORT_RESULTS_H

// Column order of a report row after its caption; also the first index of
// spring_results.
enum report_quantity {
    rq_installed_height,
    rq_seat_load,
    rq_open_height,
    rq_open_load,
    rq_bind_height,
    rq_bind_clearance,
    rq_rate,
    report_quantity_count
};

// The first three each start one spring's analysis (one per report type) and
// apply the speed compensation; calc_open_load_and_rate then works on the
// already compensated copy.
void calc_seat_load_at_height();
void calc_height_at_seat_load();
void calc_height_for_bind_clearance();
void calc_open_load_and_rate();

// Once per report, before the first spring: clears spring_results and sets the
// open heights that every spring of a side shares in an installed-height report.
void prepare_report();

// Analyses valve position 1..16 for report_type into spring_results. False
// when the position has no recorded curve (its row stays blank) or the type
// is not a report type.
bool analyse_report_spring(int valve);

// A spring's result from spring_results; NaN where there is none.
double report_result(int valve, report_quantity quantity);

#endif // KESTRIX_REPORT_RESULTS_H
