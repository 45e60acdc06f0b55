// Valve selection and the load-over-height plot.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"

namespace {

bool is_valve_position(int valve)
{
    return valve >= 1 && valve <= 16;
}

// "#1 Intake" for position 1, "#1 Exhaust" for 2, ... "#8 Exhaust" for 16.
QString valve_label_text(int valve)
{
    const int cylinder = (valve + 1) / 2;
    return QStringLiteral("#%1 %2").arg(cylinder).arg(valve % 2 ? QStringLiteral("Intake")
                                                                : QStringLiteral("Exhaust"));
}

// A cylinder count outside 0..8 cannot come from the session dialog; the
// count in use is then kept rather than guessed.
int valve_count_for(int cylinders, int previous)
{
    if (cylinders == 0)
        return 16;
    if (cylinders >= 1 && cylinders <= 8)
        return 2 * cylinders;
    return previous;
}

QPen curve_pen(Qt::GlobalColor colour, double width)
{
    return QPen(QBrush(colour, Qt::SolidPattern), width, Qt::SolidLine, Qt::SquareCap,
                Qt::BevelJoin);
}

} // namespace

void MainWindow::valve_no_label_update()
{
    valve_count = valve_count_for(no_of_cyl, valve_count);
    if (is_valve_position(current_valve))
        ui->cyl_label->setText(valve_label_text(current_valve));
}

void MainWindow::init_active_vector()
{
    active_heights.clear();
    active_loads.clear();
    if (is_valve_position(current_valve)) {
        active_heights = valve_heights[current_valve];
        active_loads = valve_loads[current_valve];
        ui->Thermo->setAlarmLevel(current_valve % 2 ? in_inst_height : ex_inst_height);
    }

    QCustomPlot *plot = ui->customPlot;
    plot->clearGraphs();
    QCPGraph *selected = plot->addGraph();
    selected->setData(active_heights, active_loads);
    // Only enlarging keeps every curve looked at since the axes were last set
    // in view, so stepping through the valves compares them on one scale.
    selected->rescaleValueAxis(true, false);
    selected->rescaleAxes(true);
    selected->setPen(curve_pen(Qt::blue, 2.0));
    plot->replot(QCustomPlot::rpRefreshHint);

    plot_all();
}

void MainWindow::plot_all()
{
    if (!plot_all_data)
        return;
    QCustomPlot *plot = ui->customPlot;
    for (int valve = 1; valve <= 16; ++valve) {
        if (valve == current_valve || valve_heights[valve].isEmpty())
            continue;
        QCPGraph *other = plot->addGraph();
        other->setPen(curve_pen(Qt::gray, 1.0));
        other->setData(valve_heights[valve], valve_loads[valve]);
    }
    plot->replot(QCustomPlot::rpRefreshHint);
}

void MainWindow::on_plot_all_radio_button_clicked()
{
    plot_all_data = ui->plot_all_radio_button->isChecked();
    init_active_vector();
}

void MainWindow::on_down_button_clicked()
{
    if (current_valve >= 2 && current_valve <= 16)
        --current_valve;
    show_selected_valve();
}

void MainWindow::on_up_button_clicked()
{
    valve_count = valve_count_for(no_of_cyl, valve_count);
    if (current_valve < valve_count)
        ++current_valve;
    show_selected_valve();
}

void MainWindow::show_selected_valve()
{
    operator_chose_valve = true;
    init_active_vector();
    valve_no_label_update();
    switch (test_mode) {
    case 2:
        target_installed_height_refresh();
        break;
    case 3:
        target_seat_pressure_refresh();
        break;
    case 4:
        target_bind_clearance_refresh();
        break;
    default:
        break;
    }
    const int points = active_heights.size();
    ui->label_20->setText(QString::number(points));
    ui->Thermo_2->setAlarmLevel(0.0);
    ui->Thermo_2->setValue(points);
}
