#include "globals.h"

// Objects are constructed in the order written here and destroyed in reverse;
// the settings store comes last so that it is destroyed first and writes
// what the main window's destructor stored into it.

QString update_url = QStringLiteral("http://www.tarvell.example/downloads/updates.json");

double standard_data_float = 0.0;
double snapheight = 0.0;
int dialrange = 0;
bool plot_all_data = false;
double bind_clearance_alarm = 0.0;
bool show_retainer_warning = false;
QString company_name;
QString company_address;
QString company_city;
QString company_state;
QString company_zip;
QString company_phone;
QString company_web;
QString company_email;
QString company_operator;
QString last_dir;
bool check_updates = false;
double last_version_ran = 0.0;

QString session_file_name;
QString session_date;
QString customer_name;
QString spring_part_no;
QString engine_description;
QString session_notes;
int no_of_cyl = 0;
double in_valve_lift = 0.0;
double ex_valve_lift = 0.0;
double in_valve_lash = 0.0;
double ex_valve_lash = 0.0;
double in_retainer_thickness = 0.0;
double ex_retainer_thickness = 0.0;
double in_deflection = 0.0;
double ex_deflection = 0.0;
double in_inst_height = 0.0;
double ex_inst_height = 0.0;
double in_targ_seat_press = 0.0;
double ex_targ_seat_press = 0.0;
double in_targ_bind_clear = 0.0;
double ex_targ_bind_clear = 0.0;

QVector<double> valve_heights[17];
QVector<double> valve_loads[17];

int current_valve = 1;
int valve_count = 0;
QVector<double> active_heights;
QVector<double> active_loads;
double bind_height = 0.0;
double bind_clearance = 0.0;
int test_mode = 0;
int report_type = 0;
bool ready_to_record = false;

QSerialPort *serial_port = nullptr;
QString tester_port_name;
QString rx_text;
QString load_text;
QString height_text;
double live_load = 0.0;
double raw_height = 0.0;
double prev_raw_height = 0.0;
double uncomp_height = 0.0;
double comp_height = 0.0;

double stroke_heights[stroke_capacity] = {};
double stroke_loads[stroke_capacity] = {};
int sample_count = 0;
int overload_state = 0;

double in_theoretical_lift = 0.0;
double ex_theoretical_lift = 0.0;
double in_measured_lift = 0.0;
double ex_measured_lift = 0.0;

QString bind_alarm_text;

QVector<double> report_heights;
QVector<double> report_loads;
QVector<double> window_heights;
QVector<double> window_loads;
double report_inst_height = 0.0;
double report_seat_load_target = 0.0;
double report_bind_clear_target = 0.0;
double report_open_height = 0.0;
double report_valve_lift = 0.0;
double report_valve_lash = 0.0;
double report_deflection = 0.0;
double report_bind_height = 0.0;
qint32 report_seat_load = 0;
qint32 report_open_load = 0;
double report_height_at_load = 0.0;
double report_rate = 0.0;
double report_open_height_in = 0.0;
double report_open_height_ex = 0.0;
bool report_seat_load_known = false;
bool report_open_load_known = false;
double report_height_steps[6] = {};
double report_load_steps[6] = {};
double report_mean_height_step = 0.0;
double report_mean_load_step = 0.0;
double report_mean_height = 0.0;
double report_mean_load = 0.0;
double report_ratio = 0.0;
double spring_results[7][2][8] = {};

QStringList registeredUrls;
QList<Updater *> registeredUpdaters;
const QString partialSuffix = QStringLiteral(".part");

QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                   QStringLiteral("Tarvell Engineering"), QStringLiteral("Kestrix"));

QString settings_key(const char *stem)
{
    return QLatin1String(stem) + QStringLiteral("/config/key");
}
