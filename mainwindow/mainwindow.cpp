// Start-up, shut-down and the dialog launchers of the main window.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "about_dialog.h"
#include "changelog.h"
#include "frame_pacer.h"
#include "globals.h"
#include "height_cal.h"
#include "preprint_dialog.h"
#include "session_setup.h"
#include "settings_dialog.h"
#include "updatefacade.h"

#include <QCloseEvent>
#include <QDebug>
#include <QSerialPort>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    new FramePacer(this, gauge_boxes());
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("Tarvell Engineering - Kestrix Software - V ")
                   + QString::number(program_version, 'f', 2));

    ui->record_button->setStyleSheet(QStringLiteral("font-size: 12px"));
    ui->target_installed_height_button->setStyleSheet(QStringLiteral("font-size: 11px"));
    ui->target_seat_pressure_button->setStyleSheet(QStringLiteral("font-size: 11px"));
    ui->target_bind_clearance_button->setStyleSheet(QStringLiteral("font-size: 11px"));

    read_settings();

    // The slider clamps the stored range to its own bounds and, when that
    // changes the value, its slot stores the clamped value back.
    ui->Dial->setUpperBound(static_cast<double>(dialrange));
    ui->horizontalSlider->setValue(dialrange);

    find_tester_port();
    valve_no_label_update();
    ui->form_stack->setCurrentIndex(0);

    if (plot_all_data)
        ui->plot_all_radio_button->setChecked(true);

    ui->customPlot->addGraph();
    ui->customPlot->xAxis->setRange(2.0, 1.0);
    ui->customPlot->xAxis->setLabel(QStringLiteral("Height"));
    ui->customPlot->yAxis->setLabel(QStringLiteral("Load"));
    ui->customPlot->xAxis->setRangeReversed(true);
    ui->customPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    qDebug() << "Plot initialized!";

    if (program_version > last_version_ran) {
        show();
        changelog notes;
        notes.setModal(true);
        notes.exec();
    }

    if (check_updates) {
        updater = UpdateFacade::getInstance();
        check_for_updates();
    }

    open_command_line_session();
    serialConnect();
}

MainWindow::~MainWindow()
{
    delete ui;
    ui = nullptr;
    last_version_ran = program_version;
    write_settings();
    if (serial_port) {
        serial_port->close();
        // The port is our child and goes with the window; leave no dangling pointer behind.
        serial_port = nullptr;
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (unsaved_curves_may_go())
        event->accept();
    else
        event->ignore();
}

void MainWindow::check_for_updates()
{
    updater->setModuleVersion(update_url, QString::number(program_version, 'f', 2));
    updater->setNotifyOnFinish(update_url, false);
    updater->setNotifyOnUpdate(update_url, true);
    updater->setUseCustomAppcast(update_url, false);
    updater->setDownloaderEnabled(update_url, true);
    updater->setMandatoryUpdate(update_url, false);
    updater->checkForUpdates(update_url);
}

void MainWindow::on_pushButton_clicked()
{
    settings_dialog dialog;
    dialog.setModal(false);
    dialog.exec();
}

void MainWindow::on_pushButton_2_clicked()
{
    height_cal dialog;
    dialog.setModal(false);
    dialog.exec();
}

void MainWindow::on_pushButton_4_clicked()
{
    preprint_dialog dialog;
    dialog.setModal(false);
    dialog.exec();
}

void MainWindow::on_pushButton_3_clicked()
{
    about_dialog dialog;
    dialog.setModal(false);
    dialog.exec();
}

void MainWindow::on_session_setup_button_clicked()
{
    ui->customPlot->clearItems();
    ui->customPlot->clearGraphs();
    ui->customPlot->replot(QCustomPlot::rpRefreshHint);

    session_setup dialog;
    dialog.setModal(false);
    dialog.exec();

    ready_to_record = false;
    ui->form_stack->setCurrentIndex(0);
    show_plain_mode_buttons();
}

void MainWindow::show_plain_mode_buttons()
{
    ui->record_button->setStyleSheet(QStringLiteral("font-size: 12px;"));
    show_plain_target_buttons();
}

void MainWindow::show_plain_target_buttons()
{
    const QString plain = QStringLiteral("font-size: 11px;");
    ui->target_installed_height_button->setStyleSheet(plain);
    ui->target_seat_pressure_button->setStyleSheet(plain);
    ui->target_bind_clearance_button->setStyleSheet(plain);
}
