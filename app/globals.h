// Program-wide state. The whole working state of the application lives in
// these variables; the main window, the dialogs and the report read and
// write them directly. Definitions are in globals.cpp, in one translation
// unit so that their construction order is fixed (the settings store last).
#ifndef KESTRIX_GLOBALS_H
#define KESTRIX_GLOBALS_H

#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include "constants.h"

class QSerialPort;
class Updater;

// ---- Settings values (mirrored in the settings store) -----------------------
extern double standard_data_float;
extern double snapheight;
extern int dialrange;
extern bool plot_all_data;
extern double bind_clearance_alarm;
extern bool show_retainer_warning;
extern QString company_name;
extern QString company_address;
extern QString company_city;
extern QString company_state;
extern QString company_zip;
extern QString company_phone;
extern QString company_web;
extern QString company_email;
extern QString company_operator;
extern QString last_dir;
extern bool check_updates;
extern double last_version_ran;

// ---- Session record ----------------------------------------------------------
extern QString session_file_name;
extern QString session_date;
extern QString customer_name;
extern QString spring_part_no;
extern QString engine_description;
extern QString session_notes;
extern int no_of_cyl;
extern double in_valve_lift;
extern double ex_valve_lift;
extern double in_valve_lash;
extern double ex_valve_lash;
extern double in_retainer_thickness;
extern double ex_retainer_thickness;
extern double in_deflection;
extern double ex_deflection;
extern double in_inst_height;
extern double ex_inst_height;
extern double in_targ_seat_press;
extern double ex_targ_seat_press;
extern double in_targ_bind_clear;
extern double ex_targ_bind_clear;

// Per-valve curves, indexed by valve position 1..16 (entry 0 unused).
extern QVector<double> valve_heights[17];
extern QVector<double> valve_loads[17];

// ---- Test state ------------------------------------------------------------------
extern int current_valve;
extern int valve_count;
extern QVector<double> active_heights;
extern QVector<double> active_loads;
extern double bind_height;
extern double bind_clearance;
extern int test_mode;
extern int report_type;
extern bool ready_to_record;

// ---- Latest reading and tester link --------------------------------------------
extern QSerialPort *serial_port;
extern QString tester_port_name;
extern QString rx_text;
extern QString load_text;
extern QString height_text;
extern double live_load;
extern double raw_height;
extern double prev_raw_height;
extern double uncomp_height;
extern double comp_height;

// ---- Stroke recording ------------------------------------------------------------
constexpr int stroke_capacity = 500;
extern double stroke_heights[stroke_capacity];
extern double stroke_loads[stroke_capacity];
extern int sample_count;
extern int overload_state;

// ---- Deflection calculator ------------------------------------------------------
extern double in_theoretical_lift;
extern double ex_theoretical_lift;
extern double in_measured_lift;
extern double ex_measured_lift;

// ---- Settings dialog -----------------------------------------------------------------
extern QString bind_alarm_text;

// ---- Report work state ----------------------------------------------------------------
extern QVector<double> report_heights;
extern QVector<double> report_loads;
extern QVector<double> window_heights;
extern QVector<double> window_loads;
extern double report_inst_height;
extern double report_seat_load_target;
extern double report_bind_clear_target;
extern double report_open_height;
extern double report_valve_lift;
extern double report_valve_lash;
extern double report_deflection;
extern double report_bind_height;
extern qint32 report_seat_load;
extern qint32 report_open_load;
extern double report_height_at_load;
extern double report_rate;
extern double report_open_height_in;
extern double report_open_height_ex;
// A double result that the curve cannot give (too few window samples, a flat
// load, no effective lift) is NaN; the two whole-pound loads carry a flag.
extern bool report_seat_load_known;
extern bool report_open_load_known;
// Values of the routine's last estimate: the steps are zeroed when the routine
// ends, the means and the ratio keep their last values.
extern double report_height_steps[6];
extern double report_load_steps[6];
extern double report_mean_height_step;
extern double report_mean_load_step;
extern double report_mean_height;
extern double report_mean_load;
extern double report_ratio;
// [quantity][side: 0 intake, 1 exhaust][cylinder - 1], quantities in the
// order of the report's columns; NaN where there is no value.
extern double spring_results[7][2][8];

// ---- Update checker -----------------------------------------------------------------------
extern QStringList registeredUrls;
extern QList<Updater *> registeredUpdaters;
extern const QString partialSuffix;

// ---- Infrastructure ---------------------------------------------------------------------------
extern QString update_url;
extern QSettings settings;
// The store's key of a setting: its stem followed by "/config/key".
QString settings_key(const char *stem);

#endif // KESTRIX_GLOBALS_H
