// Valve selection and the load-over-height plot.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"

void MainWindow::valve_no_label_update() {}
void MainWindow::init_active_vector() {}
void MainWindow::plot_all() {}
void MainWindow::on_plot_all_radio_button_clicked() {}
void MainWindow::on_up_button_clicked() {}
void MainWindow::on_down_button_clicked() {}
