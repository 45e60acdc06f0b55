// Stroke recording and validation.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"
#include "retainer_warning.h"

#include <QEventLoop>
#include <QMessageBox>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

// Above this load a reading is a sample; below it a stroke has ended.
constexpr double sample_load = 10.0;
// The release point is found by looking this many samples ahead.
constexpr int release_look_ahead = 3;
// Heights below this are no part of a spring curve (a misread or an
// unset calibration), nor loads below this.
constexpr double lowest_height = 0.1;
constexpr double lowest_load = 1.0;
// A curve needs this many points for the analysis to fit its windows.
constexpr int fewest_points = 100;
// The load cell's rating: the stroke must not end above it.
constexpr double load_cell_limit = 2100.0;
constexpr double approaching_limit = 1650.0;
constexpr double near_limit = 1850.0;
constexpr int success_pause_ms = 1000;

const char *const ready_text = "<font color='Blue'>Ready to Record</font>";
const char *const recording_text = "<font color='Red'>Recording Data</font>";
const char *const success_text = "<font color='Green'>Successful Test</font>";
const char *const approaching_text = "<font color='Black'>Approaching Load Cell Overload</font>";
const char *const overload_text = "<font color='Black'>--- Load Cell Overload ---</font>";
const char *const orange_style = "QLabel { background-color :rgb(255, 170, 0); }";
const char *const red_style = "QLabel { background-color : red; }";
const char *const record_on_style = "font-size: 12px;background-color: rgb(255, 0, 0)";
const char *const record_off_style = "font-size: 12px;";

// What each sample of the running stroke was read with, beside its height
// in the stroke buffers.
double sample_uncomp_heights[stroke_capacity] = {};
double sample_thicknesses[stroke_capacity] = {};

void clear_stroke_buffers()
{
    std::fill(std::begin(stroke_heights), std::end(stroke_heights), 0.0);
    std::fill(std::begin(stroke_loads), std::end(stroke_loads), 0.0);
    sample_count = 0;
}

// The first sample from which the spring extends again a few samples later
// while still loaded: the operator let go there, and what follows is the
// spring coming back up, not its curve. -1 when the stroke only fell.
int release_point()
{
    for (int i = 0; i + release_look_ahead < stroke_capacity; ++i) {
        if (stroke_heights[i + release_look_ahead] > stroke_heights[i]
            && stroke_loads[i] > sample_load)
            return i;
    }
    return -1;
}

// A stroke is stored for the valve that is current when it ends. Read
// partly during the pause after the valve before, or with another thickness
// entered meanwhile, its heights are made those it would have had if every
// reading had been taken for that valve.
void carry_retainer_thickness(double thickness)
{
    for (int n = 1; n <= sample_count; ++n) {
        if (sample_thicknesses[n] != thickness) {
            stroke_heights[n] = sample_uncomp_heights[n] - thickness;
            sample_thicknesses[n] = thickness;
        }
    }
}

// Written as ">=" so that a reading that is not a number is never kept.
bool is_curve_height(double height)
{
    return height >= lowest_height;
}

bool is_curve_load(double load)
{
    return load >= lowest_load;
}

void show_warning_box(const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("Warning"), text, QMessageBox::Ok);
    box.exec();
}

void clear_plot(QCustomPlot *plot)
{
    plot->clearItems();
    plot->clearGraphs();
    plot->replot(QCustomPlot::rpRefreshHint);
}

} // namespace

void MainWindow::on_record_button_clicked()
{
    if (ready_to_record) {
        ready_to_record = false;
        ui->record_button->setStyleSheet(QString::fromLatin1(record_off_style));
        ui->form_stack->setCurrentIndex(0);
        return;
    }

    if (show_retainer_warning) {
        retainer_warning reminder;
        reminder.setModal(false);
        reminder.exec();
    }
    ready_to_record = true;
    ui->record_button->setStyleSheet(QString::fromLatin1(record_on_style));
    test_mode = 1;
    show_plain_target_buttons();
    ui->form_stack->setCurrentIndex(1);
    ui->warn_message->hide();
    overload_state = 0;
    ui->message->setText(QString::fromLatin1(ready_text));
}

void MainWindow::record_to_array()
{
    valve_no_label_update();
    if (live_load <= sample_load)
        awaiting_release = false;
    // A stroke that has ended but waits to be stored is complete: nothing
    // may be appended to it.
    if (live_load > sample_load && ready_to_record && !stroke_end_waiting && !awaiting_release) {
        if (sample_count + 1 >= stroke_capacity) {
            time_out_stroke();
            return;
        }
        add_sample();
    }
    raw_dat_to_vector();
}

void MainWindow::add_sample()
{
    const int n = ++sample_count;
    stroke_loads[n] = live_load;
    stroke_heights[n] = comp_height;
    sample_uncomp_heights[n] = uncomp_height;
    sample_thicknesses[n] = retainer_thickness_of(current_valve);
    ui->Thermo_2->setValue(n);
    // The height standing still means the operator is pressing too slowly.
    if (stroke_heights[n] == stroke_heights[n - 1])
        ui->Thermo_2->setAlarmLevel(n - 10);
    ui->message->setText(QString::fromLatin1(recording_text));
    show_overload_warnings(live_load);
}

void MainWindow::show_overload_warnings(double load)
{
    if (load > approaching_limit && load < near_limit && overload_state == 0) {
        ui->warn_message->show();
        ui->warn_message->setStyleSheet(QString::fromLatin1(orange_style));
        ui->warn_message->setText(QString::fromLatin1(approaching_text));
        overload_state = 1;
    }
    if (load > near_limit && overload_state == 1) {
        ui->warn_message->show();
        ui->warn_message->setStyleSheet(QString::fromLatin1(red_style));
        ui->warn_message->setText(QString::fromLatin1(approaching_text));
        overload_state = 2;
    }
    if (load > load_cell_limit) {
        ui->warn_message->show();
        ui->warn_message->setStyleSheet(QString::fromLatin1(red_style));
        ui->warn_message->setText(QString::fromLatin1(overload_text));
    }
}

void MainWindow::time_out_stroke()
{
    clear_stroke_buffers();
    awaiting_release = true;
    active_heights.clear();
    active_loads.clear();
    show_warning_box(tr("To Slow - Test Timed Out!"));
    clear_plot(ui->customPlot);
    show_ready_to_record();
}

void MainWindow::raw_dat_to_vector()
{
    if (!(live_load < sample_load) || sample_count < 1)
        return;
    // One loaded reading alone is no compression: the platen brushed, a
    // spike of the load cell. Kept, it would become the first point of the
    // next stroke, or cut that stroke short at its height.
    if (sample_count == 1) {
        clear_stroke_buffers();
        show_ready_to_record();
        return;
    }
    // Handled now, this stroke would be stored over the curve of the valve
    // that is still being advanced from.
    if (advancing_valve) {
        // Its length is judged by the record mode it ended in, not by the
        // one the advance leaves behind (the end of the run switches it off).
        if (!stroke_end_waiting) {
            stroke_end_waiting = true;
            waiting_stroke_recorded = ready_to_record;
        }
        return;
    }
    end_stroke(ready_to_record);
    while (stroke_end_waiting) {
        stroke_end_waiting = false;
        if (sample_count >= 2)
            end_stroke(waiting_stroke_recorded);
    }
}

void MainWindow::end_stroke(bool recorded)
{
    overload_state = 0;
    set_stroke_port_blocked(true);
    carry_retainer_thickness(retainer_thickness_of(current_valve));

    const int release = release_point();
    const int kept_end = release < 0 ? stroke_capacity : release;
    int kept = 0;
    double last_kept_load = 0.0;
    for (int i = 0; i < kept_end; ++i) {
        if (is_curve_height(stroke_heights[i])) {
            ++kept;
            last_kept_load = stroke_loads[i];
        }
    }

    if (kept < fewest_points && recorded) {
        reject_stroke(tr(" Insufficient Data - Slow Down!"), true);
        return;
    }
    if (last_kept_load > load_cell_limit) {
        reject_stroke(tr("Exceeded Stack Height Load of 2100 Lbs.\n System Overload - Test Failed!"),
                      false);
        return;
    }
    store_stroke(kept_end);
    finish_stored_stroke();
}

void MainWindow::reject_stroke(const QString &text, bool clearPlot)
{
    clear_stroke_buffers();
    // The operator may put the next spring in and press it before closing
    // the box: what is read of that compression after OK is no whole curve.
    awaiting_release = true;
    active_heights.clear();
    active_loads.clear();
    show_warning_box(text);
    set_stroke_port_blocked(false);
    if (clearPlot)
        clear_plot(ui->customPlot);
    show_ready_to_record();
}

// Heights and loads are filtered together so that entry i of both stays one
// sample.
void MainWindow::store_stroke(int keptEnd)
{
    if (current_valve < 1 || current_valve > 16)
        return;
    QVector<double> &heights = valve_heights[current_valve];
    QVector<double> &loads = valve_loads[current_valve];
    heights.clear();
    loads.clear();
    heights.reserve(stroke_capacity);
    loads.reserve(stroke_capacity);
    for (int i = 0; i < keptEnd; ++i) {
        if (is_curve_height(stroke_heights[i]) && is_curve_load(stroke_loads[i])) {
            heights.append(stroke_heights[i]);
            loads.append(stroke_loads[i]);
        }
    }
    ui->label_20->setText(QString::number(heights.size()));
    curves_unsaved = true;
}

void MainWindow::finish_stored_stroke()
{
    clear_stroke_buffers();
    set_stroke_port_blocked(false);
    advancing_valve = true;
    operator_chose_valve = false;
    init_active_vector();
    if (active_heights.size() > fewest_points) {
        ui->message->setText(QString::fromLatin1(success_text));
        QEventLoop pause;
        QTimer::singleShot(success_pause_ms, &pause, &QEventLoop::quit);
        pause.exec();
    }
    // A valve the operator chose during the pause is the one to go on with.
    if (!operator_chose_valve && current_valve == valve_count) {
        end_test_run();
    } else {
        if (!operator_chose_valve && current_valve < valve_count)
            ++current_valve;
        valve_no_label_update();
        show_ready_to_record();
    }
    advancing_valve = false;
}

void MainWindow::start_again_at_valve_one()
{
    // The rest of a compression whose stroke is dropped here would be
    // recorded, once record mode is on again, as a stroke of its own.
    if (sample_count > 0 && live_load > sample_load)
        awaiting_release = true;
    clear_stroke_buffers();
    stroke_end_waiting = false;
    current_valve = 1;
    operator_chose_valve = true;
}

void MainWindow::end_test_run()
{
    QMessageBox::information(this, tr("Warning"), tr(" Testing complete"), QMessageBox::Ok);
    ready_to_record = false;
    ui->record_button->setStyleSheet(QString::fromLatin1(record_off_style));
    ui->message->setText(QString::fromLatin1(ready_text));
    ui->warn_message->hide();
    overload_state = 0;
    ui->form_stack->setCurrentIndex(0);
    ui->Thermo_2->setValue(0);
    current_valve = 1;
}

void MainWindow::show_ready_to_record()
{
    ui->message->setText(QString::fromLatin1(ready_text));
    ui->Thermo_2->setValue(0);
    ui->warn_message->hide();
    overload_state = 0;
}

void MainWindow::set_stroke_port_blocked(bool blocked)
{
    hold_port_signals(blocked);
}
