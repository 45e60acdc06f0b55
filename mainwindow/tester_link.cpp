// Tester port discovery, the serial link and the reading pipeline.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"

void MainWindow::find_tester_port() {}
void MainWindow::serialConnect() {}
void MainWindow::on_connect_button_clicked() {}
void MainWindow::serialReceived() {}
void MainWindow::parse_tester_line() {}
void MainWindow::update_gauges() {}
void MainWindow::on_horizontalSlider_valueChanged(int value)
{
    Q_UNUSED(value);
}
