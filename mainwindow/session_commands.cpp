// New, open and save of sessions, and the command-line open.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"
#include "session_file.h"
#include "session_setup.h"

#include <QCoreApplication>
#include <QDate>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTime>

namespace {

const QString last_dir_key = settings_key("last_dir");

// Another program (or another copy of this one) may have moved the folder on.
void reload_last_dir()
{
    last_dir = settings.value(last_dir_key).toString();
}

void remember_folder_of(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    last_dir = absolute.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/');
    settings.setValue(last_dir_key, last_dir);
}

void stamp_session_date()
{
    session_date = QDate::currentDate().toString(Qt::TextDate) + QStringLiteral(" / ")
                   + QTime::currentTime().toString(QStringLiteral("h:mm ap"));
}

// QFileInfo cuts at the platform's separators, so the name and the folder
// put back together always give the file that was read or written.
QString file_name_of(const QString &path)
{
    return QFileInfo(path).fileName();
}

const QString save_filter = QStringLiteral("Tarvell Engineering Data File(*.tvq)");

// The Windows file dialog adds the filter's extension to a name typed without
// one; Qt's own dialog, used on other desktops, does not, and a session saved
// as "engine" would then never show in Open's list of session files.
QString ask_save_path(QWidget *parent, const QString &caption, const QString &start)
{
    QFileDialog dialog(parent, caption, start, save_filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("tvq"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

void MainWindow::reset_session_view(bool clear_all_targets)
{
    start_again_at_valve_one();
    active_heights.clear();
    active_loads.clear();
    valve_no_label_update();

    ready_to_record = false;
    test_mode = 0;
    in_measured_lift = 0.0;
    ex_measured_lift = 0.0;

    ui->form_stack->setCurrentIndex(0);
    show_plain_mode_buttons();

    ui->lineEdit_in_inst_height->clear();
    ui->lineEdit_ex_inst_height->clear();
    if (clear_all_targets) {
        ui->lineEdit_in_targ_seat_press->clear();
        ui->lineEdit_ex_targ_seat_press->clear();
        ui->lineEdit_in_targ_bind_clear->clear();
        ui->lineEdit_ex_targ_bind_clear->clear();
    }

    const QList<QLabel *> results = {
        ui->label_11, ui->label_12, ui->label_13, ui->label_14, ui->label_15, ui->label_16,
        ui->label_54, ui->label_58, ui->label_63, ui->label_21, ui->label_22, ui->label_26,
        ui->label_28, ui->label_32, ui->label_33, ui->label_65, ui->label_66, ui->label_73,
        ui->label_37, ui->label_38, ui->label_41, ui->label_45, ui->label_47, ui->label_49,
        ui->label_76, ui->label_77, ui->label_79};
    for (QLabel *label : results)
        label->clear();
    ui->label_15->setStyleSheet(QString());
    ui->label_28->setStyleSheet(QString());
    ui->target_installed_height_message->setText(QString());
    ui->target_seat_pressure_message->setText(QString());
    ui->target_bind_clearance_message->setText(QString());
}

void MainWindow::show_session_targets()
{
    ui->lineEdit_in_inst_height->setText(QString::number(in_inst_height, 'f', 3));
    ui->lineEdit_ex_inst_height->setText(QString::number(ex_inst_height, 'f', 3));
    QString text;
    ui->lineEdit_in_targ_seat_press->setText(text.setNum(in_targ_seat_press, 'g', 6));
    ui->lineEdit_ex_targ_seat_press->setText(text.setNum(ex_targ_seat_press, 'g', 6));
    ui->lineEdit_in_targ_bind_clear->setText(text.setNum(in_targ_bind_clear, 'g', 6));
    ui->lineEdit_ex_targ_bind_clear->setText(text.setNum(ex_targ_bind_clear, 'g', 6));
    ui->file_date->setText(session_date);
    init_active_vector();
}

bool MainWindow::read_session_file(const QString &path)
{
    QString error;
    switch (session_file::load(path, &error)) {
    case session_file::LoadResult::Loaded:
        curves_unsaved = false;
        return true;
    case session_file::LoadResult::CannotOpen:
        QMessageBox::warning(this, tr("Warning"),
                             tr("Could not open %1:\n%2")
                                 .arg(QDir::toNativeSeparators(path), error));
        return false;
    case session_file::LoadResult::NotASession:
        QMessageBox::warning(this, tr("Warning"),
                             tr("%1 is not a valid session file.\nThe session was not changed.")
                                 .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return false;
}

bool MainWindow::write_session_file(const QString &path)
{
    QString error;
    if (session_file::save(path, &error)) {
        curves_unsaved = false;
        return true;
    }
    QMessageBox::warning(this, tr("Warning"),
                         tr("Could not save %1:\n%2").arg(QDir::toNativeSeparators(path), error));
    return false;
}

bool MainWindow::confirm_clearing_data()
{
    const auto answer = QMessageBox::question(
        this, tr("Warning"),
        tr("Are You Sure?\nThis will clear all data.\nIf you have not saved this sesion\n"
           " you may wish to do so now."),
        QMessageBox::Yes | QMessageBox::No);
    return answer == QMessageBox::Yes;
}

// An engine's recorded springs exist nowhere else until they are saved;
// closing the window or opening another session would throw them away.
bool MainWindow::unsaved_curves_may_go()
{
    if (!curves_unsaved || !session_file::holds_recorded_curves())
        return true;
    return confirm_clearing_data();
}

void MainWindow::on_new_session_button_clicked()
{
    // Asked whenever springs are recorded: an unnamed session's curves exist
    // nowhere else, and the valve on screen may be one without a curve.
    if (session_file::holds_recorded_curves() && !confirm_clearing_data())
        return;

    session_file::make_current(session_file::Record());
    curves_unsaved = false;
    session_file_name = QString();
    bind_height = 0.0;
    bind_clearance = 0.0;

    reset_session_view(true);
    ui->customPlot->xAxis->setRange(2.0, 1.0);
    ui->customPlot->yAxis->setRange(0.0, 5.0);
    ui->filename_label->setText(QStringLiteral("New File"));
    ui->file_date->setText(QStringLiteral("Not Saved"));
    ui->customPlot->clearItems();
    ui->customPlot->clearGraphs();
    ui->customPlot->replot(QCustomPlot::rpRefreshHint);
    ui->Thermo_2->setValue(0);
    ui->label_20->setText(QStringLiteral("0"));

    session_setup dialog;
    dialog.setModal(false);
    dialog.exec();
}

void MainWindow::on_open_save_session_button_clicked()
{
    if (!unsaved_curves_may_go())
        return;
    reload_last_dir();
    reset_session_view(false);
    ui->file_date->clear();

    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open Saved Session"), last_dir,
        QStringLiteral("Tarvell Engineering Data File  (*.tvq)"));
    // The folder is taken only with the file: were it taken for a file that
    // was refused, a later Save of the still-named session would write into
    // that other folder.
    if (!path.isEmpty() && read_session_file(path)) {
        remember_folder_of(path);
        session_file_name = file_name_of(path);
        ui->filename_label->setText(session_file_name);
    }
    show_session_targets();
}

void MainWindow::on_save_session_button_clicked()
{
    reload_last_dir();
    stamp_session_date();

    if (!session_file_name.isEmpty()) {
        if (!write_session_file(last_dir + session_file_name))
            return;
        ui->filename_label->setText(session_file_name);
        ui->file_date->setText(session_date);
        return;
    }

    const QString path = ask_save_path(this, QStringLiteral("Save Session"),
                                       last_dir + QStringLiteral("untitled.tvq"));
    if (path.isEmpty() || !write_session_file(path))
        return;
    remember_folder_of(path);
    session_file_name = file_name_of(path);
    ui->filename_label->setText(session_file_name);
    ui->file_date->setText(session_date);
}

void MainWindow::on_save_session_as_button_clicked()
{
    reload_last_dir();
    stamp_session_date();

    const QString path = ask_save_path(this, QStringLiteral("Save Session As"),
                                       last_dir + session_file_name);
    if (path.isEmpty() || !write_session_file(path))
        return;
    session_file_name = file_name_of(path);
    ui->filename_label->setText(session_file_name);
    remember_folder_of(path);
    ui->file_date->setText(session_date);
}

void MainWindow::open_command_line_session()
{
    const QStringList arguments = QCoreApplication::arguments();
    qDebug() << arguments;
    if (arguments.size() <= 1)
        return;
    const QString path = arguments.last();
    if (!QFile::exists(path))
        return;
    if (!read_session_file(path))
        return;

    // The folder is remembered so that Save writes back to the opened file.
    session_file_name = file_name_of(path);
    ui->filename_label->setText(session_file_name);
    remember_folder_of(path);
    show_session_targets();
}
