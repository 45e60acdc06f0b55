// New, open and save of sessions, and the command-line open.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"

void MainWindow::on_new_session_button_clicked() {}
void MainWindow::on_open_save_session_button_clicked() {}
void MainWindow::on_save_session_button_clicked() {}
void MainWindow::on_save_session_as_button_clicked() {}
void MainWindow::open_command_line_session() {}
