// The one main window of the application. Its work is split by concern over
// several source files in this folder (lifecycle, settings, tester link and
// readings, recording, valve selection and plot, target pages, session files);
// the sections below follow the same split.
#ifndef KESTRIX_MAINWINDOW_H
#define KESTRIX_MAINWINDOW_H

#include <QByteArray>
#include <QMainWindow>

namespace Ui {
class MainWindow;
}
class UpdateFacade;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Settings store (settings.cpp)
    void read_settings();
    void write_settings();

    // Tester link and readings (tester_link.cpp)
    void find_tester_port();
    void parse_tester_line();
    void update_gauges();
    // The thickness subtracted from the heights read for a valve: its side's.
    static double retainer_thickness_of(int valve);

    // Update check (mainwindow.cpp)
    void check_for_updates();

public slots:
    void serialReceived();
    void serialConnect();
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_connect_button_clicked();
    void on_horizontalSlider_valueChanged(int value);
    void record_to_array();
    void raw_dat_to_vector();
    void on_session_setup_button_clicked();
    void on_open_save_session_button_clicked();
    void valve_no_label_update();
    void on_up_button_clicked();
    void on_down_button_clicked();
    void on_save_session_button_clicked();
    void init_active_vector();
    void on_new_session_button_clicked();
    void on_record_button_clicked();
    void on_target_installed_height_button_clicked();
    void on_target_seat_pressure_button_clicked();
    void on_target_bind_clearance_button_clicked();
    void on_lineEdit_in_inst_height_editingFinished();
    void on_lineEdit_ex_inst_height_editingFinished();
    void plot_all();
    void target_installed_height_refresh();
    void on_plot_all_radio_button_clicked();
    void target_seat_pressure_refresh();
    void on_lineEdit_in_targ_seat_press_editingFinished();
    void on_lineEdit_ex_targ_seat_press_editingFinished();
    void target_bind_clearance_refresh();
    void on_lineEdit_in_targ_bind_clear_editingFinished();
    void on_lineEdit_ex_targ_bind_clear_editingFinished();
    void on_pushButton_4_clicked();
    void on_save_session_as_button_clicked();
    void on_pushButton_3_clicked();

protected:
    // Recorded springs not yet saved are not closed away unasked.
    void closeEvent(QCloseEvent *event) override;

private:
    Ui::MainWindow *ui = nullptr;
    UpdateFacade *updater = nullptr;

    // ---- Lifecycle (mainwindow.cpp) ----
    // The side buttons' resting look, used wherever a mode is left.
    void show_plain_mode_buttons();
    void show_plain_target_buttons();

    // ---- Tester link and readings (tester_link.cpp) ----
    // The open port reported that the tester is gone.
    void end_lost_link();
    // Blocks or unblocks the port's signals, watching the link meanwhile.
    void hold_port_signals(bool held);
    // On the watch's timer while held: the link's state, and the port drained.
    void watch_held_link();
    class QTimer *lost_link_watch = nullptr;
    // The reading still under way, and the newest whole reading that
    // arrived while the port's signals were held.
    QByteArray held_readings;
    // The widgets whose layouts hold the gauges.
    QList<QWidget *> gauge_boxes() const;

    // ---- Recording (recording.cpp) ----
    void add_sample();
    void time_out_stroke();
    void show_overload_warnings(double load);
    // `recorded`: record mode was on when the stroke ended.
    void end_stroke(bool recorded);
    void reject_stroke(const QString &text, bool clearPlot);
    void store_stroke(int keptEnd);
    void finish_stored_stroke();
    void end_test_run();
    void show_ready_to_record();
    void set_stroke_port_blocked(bool blocked);
    // A stroke is being stored and the valve advanced; a stroke that ends
    // meanwhile (in the pause or the end-of-run box) waits for it.
    bool advancing_valve = false;
    bool stroke_end_waiting = false;
    bool waiting_stroke_recorded = false;
    // The operator selected a valve (a step button, a target page, Open or
    // New Session). Cleared before the pause after a stored stroke; found set
    // after it, the operator's choice stands instead of the advance.
    bool operator_chose_valve = false;
    // A stroke timed out, was rejected, or was dropped with the spring still
    // pressed: what is read of a compression under way then is no stroke,
    // so nothing is recorded until the spring is let go.
    bool awaiting_release = false;
    // The target pages, Open and New Session select valve 1 afresh: the
    // stroke under way is dropped, as it would end over valve 1's curve, and
    // the choice stands over the advance after a pause.
    void start_again_at_valve_one();

    // ---- Valve selection and plot (valve_plot.cpp) ----
    // What both step buttons do once the position is chosen.
    void show_selected_valve();

    // ---- Target pages (target_pages.cpp) ----
    // Selects valve 1, leaves record mode and shows the page of the given mode.
    void open_target_page(int report, int mode, QWidget *pressed_button);
    bool range_box_open = false;

    // ---- Session files (session_commands.cpp) ----
    // Constructor step: a session file named as the last command-line argument.
    void open_command_line_session();
    void reset_session_view(bool clear_all_targets);
    void show_session_targets();
    bool read_session_file(const QString &path);
    bool write_session_file(const QString &path);
    // New Session's question before recorded springs are cleared: true on Yes.
    bool confirm_clearing_data();
    // True when nothing recorded since the session was last saved, opened or
    // cleared would be lost, or the operator agrees to lose it.
    bool unsaved_curves_may_go();
    // A stroke has been stored since the session was last saved, opened or
    // cleared.
    bool curves_unsaved = false;
};

#endif // KESTRIX_MAINWINDOW_H
