// The three target pages.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "analysis.h"
#include "globals.h"

void MainWindow::on_target_installed_height_button_clicked() {}
void MainWindow::on_target_seat_pressure_button_clicked() {}
void MainWindow::on_target_bind_clearance_button_clicked() {}
void MainWindow::on_lineEdit_in_inst_height_editingFinished() {}
void MainWindow::on_lineEdit_ex_inst_height_editingFinished() {}
void MainWindow::on_lineEdit_in_targ_seat_press_editingFinished() {}
void MainWindow::on_lineEdit_ex_targ_seat_press_editingFinished() {}
void MainWindow::on_lineEdit_in_targ_bind_clear_editingFinished() {}
void MainWindow::on_lineEdit_ex_targ_bind_clear_editingFinished() {}
void MainWindow::target_installed_height_refresh() {}
void MainWindow::target_seat_pressure_refresh() {}
void MainWindow::target_bind_clearance_refresh() {}
