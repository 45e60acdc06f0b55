// Stroke recording and validation.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"

void MainWindow::on_record_button_clicked() {}
void MainWindow::record_to_array() {}
void MainWindow::raw_dat_to_vector() {}
