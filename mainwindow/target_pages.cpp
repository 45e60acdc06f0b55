// The three target pages: the side buttons that open them, the fields that
// take the per-side targets and the refreshes that show the results of the
// selected valve's curve. Every number here comes from the analysis module.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "analysis.h"
#include "globals.h"
#include "typed_number.h"

#include <QMessageBox>

#include <cmath>
#include <optional>

namespace {

const QString missing_target_style = QStringLiteral("color: rgb(252, 0, 0)");
const QString clearance_alarm_style = QStringLiteral("background-color: rgb(252, 0, 0)");
const QString open_page_button_style =
    QStringLiteral("font-size: 11px;background-color: rgb(0, 100, 0)");
const QString target_button_style = QStringLiteral("font-size: 11px;");
const QString record_button_style = QStringLiteral("font-size: 12px;");
// Shown where the curve gives no value, so that a short window or a zero
// effective lift never reaches the screen as "inf", "nan" or a stale number.
const QString no_value = QStringLiteral("---");

// An exhaust target within this of the top of the recorded stroke is taken
// for a typing error rather than analysed.
constexpr double range_check_margin = 0.1;

// Odd positions are intake springs, even ones exhaust springs.
double side_value(double intake, double exhaust)
{
    return current_valve % 2 != 0 ? intake : exhaust;
}

double side_effective_lift()
{
    return analysis::effective_lift(side_value(in_valve_lift, ex_valve_lift),
                                    side_value(in_valve_lash, ex_valve_lash),
                                    side_value(in_deflection, ex_deflection));
}

QString shown(std::optional<double> value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return no_value;
    return QString::number(*value, 'f', decimals);
}

QString shown(std::optional<qint32> value)
{
    if (!value)
        return no_value;
    return QString::number(*value);
}

void take_target(double &target, const QLineEdit *field, MainWindow *window,
                 void (MainWindow::*refresh)(), QLabel *message)
{
    // A text that is not a finite number stores 0: the target not entered.
    target = typed_double(field->text());
    (window->*refresh)();
    // The refresh may just have prompted for the other side; a value entered
    // here is taken as the operator being on it.
    if (target > 0.0)
        message->setText(QString());
}

// The labels of one page. The value that the operator enters on a page has no
// label there (null).
struct TargetPage
{
    QLabel *message;
    QString intake_prompt;
    QString exhaust_prompt;
    QLabel *lift, *lash, *deflection;
    QLabel *installed_height, *seat_load, *open_height, *open_load, *spring_rate;
    QLabel *bind_height, *bind_clearance;

    QList<QLabel *> value_labels() const
    {
        QList<QLabel *> labels;
        for (QLabel *label : {lift, lash, deflection, installed_height, seat_load, open_height,
                              open_load, spring_rate, bind_height, bind_clearance})
            if (label)
                labels << label;
        return labels;
    }
};

TargetPage installed_height_page(const Ui::MainWindow *ui)
{
    return {ui->target_installed_height_message,
            QStringLiteral("Please enter intake installed height"),
            QStringLiteral("Please enter exhaust installed height"),
            ui->label_11, ui->label_54, ui->label_58,
            nullptr, ui->label_12, ui->label_63, ui->label_13, ui->label_16,
            ui->label_14, ui->label_15};
}

TargetPage seat_load_page(const Ui::MainWindow *ui)
{
    return {ui->target_seat_pressure_message,
            QStringLiteral("Please enter target intake seat load"),
            QStringLiteral("Please enter target exhaust seat load"),
            ui->label_22, ui->label_66, ui->label_65,
            ui->label_33, nullptr, ui->label_73, ui->label_26, ui->label_32,
            ui->label_21, ui->label_28};
}

TargetPage bind_clearance_page(const Ui::MainWindow *ui)
{
    return {ui->target_bind_clearance_message,
            QStringLiteral("Please enter intake target bind clearance"),
            QStringLiteral("Please enter exhaust target bind clearance"),
            ui->label_45, ui->label_76, ui->label_77,
            ui->label_41, ui->label_37, ui->label_79, ui->label_47, ui->label_38,
            ui->label_49, nullptr};
}

// The steps every refresh starts with. Gives the speed-compensated copy of
// the working curve, or nothing when a target is missing or there is no curve.
std::optional<QVector<double>> begin_refresh(const TargetPage &page, double intake_target,
                                             double exhaust_target)
{
    if (intake_target == 0.0 || exhaust_target == 0.0) {
        page.message->setStyleSheet(missing_target_style);
        page.message->setText(intake_target == 0.0 ? page.intake_prompt : page.exhaust_prompt);
        return std::nullopt;
    }
    if (active_heights.isEmpty()) {
        for (QLabel *label : page.value_labels())
            label->clear();
        return std::nullopt;
    }
    // Compensating a copy keeps repeated refreshes from adding up the correction.
    QVector<double> compensated = active_heights;
    bind_height = analysis::speed_compensate(compensated);
    return compensated;
}

// Shows the clearance and keeps it for the rest of the program; a clearance
// that cannot be computed leaves the last one in place and raises no alarm.
void show_bind_clearance(QLabel *label, std::optional<double> clearance)
{
    label->setText(shown(clearance, 3));
    const bool computed = clearance && std::isfinite(*clearance);
    if (computed)
        bind_clearance = *clearance;
    label->setStyleSheet(computed && bind_clearance_alarm > *clearance ? clearance_alarm_style
                                                                       : QString());
}

void show_results(const TargetPage &page, const analysis::Results &results, QLabel *point_count)
{
    page.lift->setText(shown(side_value(in_valve_lift, ex_valve_lift), 3));
    page.lash->setText(shown(side_value(in_valve_lash, ex_valve_lash), 3));
    page.deflection->setText(shown(side_value(in_deflection, ex_deflection), 3));
    if (page.installed_height)
        page.installed_height->setText(shown(results.installed_height, 3));
    if (page.seat_load)
        page.seat_load->setText(shown(results.seat_load, 0));
    page.open_height->setText(shown(results.open_height, 3));
    page.open_load->setText(shown(results.open_load));
    page.spring_rate->setText(shown(results.spring_rate, 0));
    // Where the clearance is the operator's target it is neither stored nor
    // checked against the alarm.
    if (page.bind_clearance)
        show_bind_clearance(page.bind_clearance, results.bind_clearance);
    point_count->setText(QString::number(active_heights.size()));
    page.bind_height->setText(shown(bind_height, 3));
}

} // namespace

// ---- Page buttons ---------------------------------------------------------------

void MainWindow::open_target_page(int report, int mode, QWidget *pressed_button)
{
    start_again_at_valve_one();
    init_active_vector();
    report_type = report;
    ready_to_record = false;
    ui->record_button->setStyleSheet(record_button_style);
    test_mode = mode;
    for (QWidget *button : {static_cast<QWidget *>(ui->target_installed_height_button),
                            static_cast<QWidget *>(ui->target_seat_pressure_button),
                            static_cast<QWidget *>(ui->target_bind_clearance_button)})
        button->setStyleSheet(button == pressed_button ? open_page_button_style
                                                       : target_button_style);
    // Each target page sits at the stack index of its mode.
    ui->form_stack->setCurrentIndex(mode);
    valve_no_label_update();
}

void MainWindow::on_target_installed_height_button_clicked()
{
    open_target_page(1, 2, ui->target_installed_height_button);
    target_installed_height_refresh();
}

void MainWindow::on_target_seat_pressure_button_clicked()
{
    open_target_page(2, 3, ui->target_seat_pressure_button);
    target_seat_pressure_refresh();
}

void MainWindow::on_target_bind_clearance_button_clicked()
{
    open_target_page(3, 4, ui->target_bind_clearance_button);
    target_bind_clearance_refresh();
}

// ---- Target fields -------------------------------------------------------------

void MainWindow::on_lineEdit_in_inst_height_editingFinished()
{
    take_target(in_inst_height, ui->lineEdit_in_inst_height, this,
                &MainWindow::target_installed_height_refresh, ui->target_installed_height_message);
}

void MainWindow::on_lineEdit_ex_inst_height_editingFinished()
{
    take_target(ex_inst_height, ui->lineEdit_ex_inst_height, this,
                &MainWindow::target_installed_height_refresh, ui->target_installed_height_message);
}

void MainWindow::on_lineEdit_in_targ_seat_press_editingFinished()
{
    take_target(in_targ_seat_press, ui->lineEdit_in_targ_seat_press, this,
                &MainWindow::target_seat_pressure_refresh, ui->target_seat_pressure_message);
}

void MainWindow::on_lineEdit_ex_targ_seat_press_editingFinished()
{
    take_target(ex_targ_seat_press, ui->lineEdit_ex_targ_seat_press, this,
                &MainWindow::target_seat_pressure_refresh, ui->target_seat_pressure_message);
}

void MainWindow::on_lineEdit_in_targ_bind_clear_editingFinished()
{
    take_target(in_targ_bind_clear, ui->lineEdit_in_targ_bind_clear, this,
                &MainWindow::target_bind_clearance_refresh, ui->target_bind_clearance_message);
}

void MainWindow::on_lineEdit_ex_targ_bind_clear_editingFinished()
{
    take_target(ex_targ_bind_clear, ui->lineEdit_ex_targ_bind_clear, this,
                &MainWindow::target_bind_clearance_refresh, ui->target_bind_clearance_message);
}

// ---- Refreshes -------------------------------------------------------------------

void MainWindow::target_installed_height_refresh()
{
    const TargetPage page = installed_height_page(ui);
    const std::optional<QVector<double>> compensated =
        begin_refresh(page, in_inst_height, ex_inst_height);
    if (!compensated)
        return;

    // A single-sample curve has no second height to check against.
    if (compensated->size() > 1 && ex_inst_height > compensated->at(1) - range_check_margin) {
        // Focus leaving the field while the box is up finishes the edit once
        // more; one box per entry is enough.
        if (range_box_open)
            return;
        range_box_open = true;
        QMessageBox::information(this, tr("Warning"),
                                 tr("Exhaust Intalled Height Out of Range!\nPlease enter correct data"),
                                 QMessageBox::Ok);
        range_box_open = false;
        return;
    }

    show_results(page,
                 analysis::results_for_installed_height(*compensated, active_loads, bind_height,
                                                        side_value(in_inst_height, ex_inst_height),
                                                        side_effective_lift()),
                 ui->label_20);
}

void MainWindow::target_seat_pressure_refresh()
{
    const TargetPage page = seat_load_page(ui);
    const std::optional<QVector<double>> compensated =
        begin_refresh(page, in_targ_seat_press, ex_targ_seat_press);
    if (!compensated)
        return;
    show_results(page,
                 analysis::results_for_seat_load(*compensated, active_loads, bind_height,
                                                 side_value(in_targ_seat_press, ex_targ_seat_press),
                                                 side_effective_lift()),
                 ui->label_20);
}

void MainWindow::target_bind_clearance_refresh()
{
    const TargetPage page = bind_clearance_page(ui);
    const std::optional<QVector<double>> compensated =
        begin_refresh(page, in_targ_bind_clear, ex_targ_bind_clear);
    if (!compensated)
        return;
    show_results(page,
                 analysis::results_for_bind_clearance(*compensated, active_loads, bind_height,
                                                      side_value(in_targ_bind_clear, ex_targ_bind_clear),
                                                      side_effective_lift()),
                 ui->label_20);
}
