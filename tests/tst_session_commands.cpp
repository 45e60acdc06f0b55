// New, Open, Save and Save As driven through the main window's buttons, with
// the file dialogs and message boxes answered from a timer; and the session
// file named on the command line, run in a child process.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "session_file.h"
#include "stroke_generator.h"
#include "test_main.h"

#include <QDate>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QThread>
#include <qcustomplot.h>
#include <qwt_thermo.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using session_file::Record;

namespace {

const QString last_dir_key = QStringLiteral("last_dir/config/key");
const QStringList target_fields = {
    QStringLiteral("lineEdit_in_inst_height"),     QStringLiteral("lineEdit_ex_inst_height"),
    QStringLiteral("lineEdit_in_targ_seat_press"), QStringLiteral("lineEdit_ex_targ_seat_press"),
    QStringLiteral("lineEdit_in_targ_bind_clear"), QStringLiteral("lineEdit_ex_targ_bind_clear")};
const QStringList result_labels = {
    QStringLiteral("label_11"), QStringLiteral("label_12"), QStringLiteral("label_13"),
    QStringLiteral("label_14"), QStringLiteral("label_15"), QStringLiteral("label_16"),
    QStringLiteral("label_54"), QStringLiteral("label_58"), QStringLiteral("label_63"),
    QStringLiteral("label_21"), QStringLiteral("label_22"), QStringLiteral("label_26"),
    QStringLiteral("label_28"), QStringLiteral("label_32"), QStringLiteral("label_33"),
    QStringLiteral("label_65"), QStringLiteral("label_66"), QStringLiteral("label_73"),
    QStringLiteral("label_37"), QStringLiteral("label_38"), QStringLiteral("label_41"),
    QStringLiteral("label_45"), QStringLiteral("label_47"), QStringLiteral("label_49"),
    QStringLiteral("label_76"), QStringLiteral("label_77"), QStringLiteral("label_79")};

Record sample_session()
{
    Record r;
    r.session_date = QStringLiteral("Fri Mar 6 2026 / 3:07 pm");
    r.customer_name = QStringLiteral("Smith Racing");
    r.no_of_cyl = 4;
    r.in_valve_lift = 0.56;
    r.in_inst_height = 1.85;
    r.ex_inst_height = 0.0;
    r.in_targ_seat_press = 120.0;
    r.ex_targ_seat_press = 0.0;
    r.in_targ_bind_clear = 0.06;
    r.ex_targ_bind_clear = 0.0625;
    r.heights[0] = {1.9, 1.8, 1.7};
    r.loads[0] = {80.0, 120.0, 160.0};
    return r;
}

QByteArray file_bytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// A file dialog answer that notes what the dialog proposed before choosing.
struct FileDialogSeen
{
    QString folder;
    QString file_name;
    QStringList filters;
};

BoxAnswerer::Handler choose_and_note(const QString &path, FileDialogSeen *seen)
{
    return [path, seen](QWidget *w) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        if (!dialog)
            return;
        seen->folder = dialog->directory().absolutePath();
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            seen->file_name = edit->text();
        seen->filters = dialog->nameFilters();
        if (path.isEmpty())
            dialog->reject();
        else
            BoxAnswerer::chooseFile(path)(w);
    };
}

} // namespace

class tst_session_commands : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    template<typename T>
    static T *child(MainWindow &w, const QString &name)
    {
        T *widget = w.findChild<T *>(name);
        if (!widget)
            qFatal("no widget %s", qPrintable(name));
        return widget;
    }
    static QString text_of(MainWindow &w, const QString &name)
    {
        if (auto *edit = w.findChild<QLineEdit *>(name))
            return edit->text();
        return child<QLabel>(w, name)->text();
    }
    static void click(MainWindow &w, const char *button)
    {
        child<QPushButton>(w, QLatin1String(button))->click();
    }
    static QString today_stamp_prefix()
    {
        return QDate::currentDate().toString(Qt::TextDate) + QStringLiteral(" / ");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("a"));
        QDir(dir.path()).mkpath(QStringLiteral("b"));
    }

    void init()
    {
        storeQuietStart();
        settings.setValue(QStringLiteral("retainer_warning/config/key"), false);
        settings.remove(last_dir_key);
        session_file::make_current(Record());
        session_file_name.clear();
        last_dir.clear();
        active_heights.clear();
        active_loads.clear();
        current_valve = 1;
        test_mode = 0;
        ready_to_record = false;
        in_measured_lift = ex_measured_lift = 0.0;
    }

    void newSessionAsksWhenSpringsAreRecorded_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("storedValve");
        QTest::addColumn<bool>("workingCopy");
        QTest::newRow("unnamed, stored curve only") << QString() << 5 << false;
        QTest::newRow("named, valve on screen empty") << QStringLiteral("e.tvq") << 16 << false;
        QTest::newRow("named, working copy") << QStringLiteral("e.tvq") << 0 << true;
    }
    void newSessionAsksWhenSpringsAreRecorded()
    {
        QFETCH(QString, name);
        QFETCH(int, storedValve);
        QFETCH(bool, workingCopy);
        MainWindow w;
        session_file_name = name;
        customer_name = QStringLiteral("Keep Me");
        if (storedValve) {
            valve_heights[storedValve] = {1.8};
            valve_loads[storedValve] = {100.0};
        }
        if (workingCopy) {
            active_heights = {1.8};
            active_loads = {100.0};
        }

        BoxAnswerer answerer;
        answerer.queue(BoxAnswerer::click(QMessageBox::No));
        click(w, "new_session_button");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen[0].text,
                 QStringLiteral("Are You Sure?\nThis will clear all data.\n"
                                "If you have not saved this sesion\n you may wish to do so now."));
        QCOMPARE(customer_name, QStringLiteral("Keep Me"));
        QCOMPARE(session_file_name, name);
        QVERIFY(session_file::holds_recorded_curves());

        answerer.queue(BoxAnswerer::click(QMessageBox::Yes));
        answerer.queue(BoxAnswerer::reject());
        click(w, "new_session_button");
        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen[2].className, QStringLiteral("session_setup"));
        QVERIFY(!session_file::holds_recorded_curves());
        QVERIFY(customer_name.isNull());
        QVERIFY(session_file_name.isEmpty());
    }

    void newSessionWithoutSpringsClearsAtOnce()
    {
        MainWindow w;
        session_file::make_current(sample_session());
        for (int v = 1; v <= 16; ++v) {
            valve_heights[v].clear();
            valve_loads[v].clear();
        }
        session_file_name = QStringLiteral("old.tvq");
        last_dir = QStringLiteral("/keep/");
        report_type = 2;
        bind_height = 1.1;
        bind_clearance = 0.05;
        test_mode = 3;
        ready_to_record = true;
        current_valve = 7;
        in_measured_lift = 0.5;
        ex_measured_lift = 0.4;
        for (const QString &field : target_fields)
            child<QLineEdit>(w, field)->setText(QStringLiteral("9"));
        for (const QString &label : result_labels)
            child<QLabel>(w, label)->setText(QStringLiteral("x"));
        child<QLabel>(w, QStringLiteral("label_15"))->setStyleSheet(QStringLiteral("color: red"));
        child<QLabel>(w, QStringLiteral("target_seat_pressure_message"))->setText(QStringLiteral("m"));
        child<QwtThermo>(w, QStringLiteral("Thermo_2"))->setValue(120);
        child<QLabel>(w, QStringLiteral("label_20"))->setText(QStringLiteral("120"));
        child<QStackedWidget>(w, QStringLiteral("form_stack"))->setCurrentIndex(3);
        auto *plot = child<QCustomPlot>(w, QStringLiteral("customPlot"));
        plot->yAxis->setRange(0, 900);

        BoxAnswerer answerer;
        click(w, "new_session_button");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].className, QStringLiteral("session_setup"));

        QCOMPARE(session_file::encode(session_file::current()), session_file::encode(Record()));
        QVERIFY(session_date.isNull() && session_notes.isNull() && session_file_name.isEmpty());
        QCOMPARE(bind_height, 0.0);
        QCOMPARE(bind_clearance, 0.0);
        QCOMPARE(current_valve, 1);
        QCOMPARE(test_mode, 0);
        QVERIFY(!ready_to_record);
        QCOMPARE(in_measured_lift, 0.0);
        QCOMPARE(ex_measured_lift, 0.0);
        QCOMPARE(last_dir, QStringLiteral("/keep/"));
        QCOMPARE(report_type, 2);

        for (const QString &field : target_fields)
            QVERIFY2(text_of(w, field).isEmpty(), qPrintable(field));
        for (const QString &label : result_labels)
            QVERIFY2(text_of(w, label).isEmpty(), qPrintable(label));
        QVERIFY(child<QLabel>(w, QStringLiteral("label_15"))->styleSheet().isEmpty());
        QVERIFY(text_of(w, QStringLiteral("target_seat_pressure_message")).isEmpty());
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("New File"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), QStringLiteral("Not Saved"));
        QCOMPARE(child<QwtThermo>(w, QStringLiteral("Thermo_2"))->value(), 0.0);
        QCOMPARE(text_of(w, QStringLiteral("label_20")), QStringLiteral("0"));
        QCOMPARE(child<QStackedWidget>(w, QStringLiteral("form_stack"))->currentIndex(), 0);
        QCOMPARE(child<QPushButton>(w, QStringLiteral("record_button"))->styleSheet(),
                 QStringLiteral("font-size: 12px;"));
        QCOMPARE(child<QPushButton>(w, QStringLiteral("target_bind_clearance_button"))->styleSheet(),
                 QStringLiteral("font-size: 11px;"));
        QCOMPARE(plot->xAxis->range(), QCPRange(1.0, 2.0));
        QVERIFY(plot->xAxis->rangeReversed());
        QCOMPARE(plot->yAxis->range(), QCPRange(0.0, 5.0));
    }

    // Springs recorded since the session was last saved or opened are not
    // closed away, nor opened over, without New Session's question.
    void closeAndOpenAskWhileRecordedSpringsAreUnsaved()
    {
        clearRecordingState();
        settings.setValue(last_dir_key, path("a/"));
        const QString question = QStringLiteral(
            "Are You Sure?\nThis will clear all data.\n"
            "If you have not saved this sesion\n you may wish to do so now.");
        BoxAnswerer answerer;
        {
            MainWindow untouched;
            untouched.show();
            QVERIFY(untouched.close());
        }
        QVERIFY(answerer.seen.isEmpty());

        MainWindow w;
        w.show();
        click(w, "record_button");
        feedStroke(w, compressionStroke());
        const QVector<double> recorded = valve_loads[1];
        QCOMPARE(current_valve, 2);

        answerer.queue(BoxAnswerer::click(QMessageBox::No));
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen[0].text, question);
        QCOMPARE(valve_loads[1], recorded);

        answerer.queue(BoxAnswerer::click(QMessageBox::No));
        click(w, "open_save_session_button");
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].text, question);
        // No view reset: it would have selected valve 1.
        QCOMPARE(current_valve, 2);
        QCOMPARE(valve_loads[1], recorded);

        answerer.queue(BoxAnswerer::chooseFile(path("b/recorded.tvq")));
        click(w, "save_session_as_button");
        QCOMPARE(answerer.seen.size(), 3);
        QVERIFY(w.close());
        QCOMPARE(answerer.seen.size(), 3);

        w.show();
        feedStroke(w, compressionStroke());
        QVERIFY(!valve_loads[2].isEmpty());
        answerer.queue(BoxAnswerer::click(QMessageBox::Yes));
        answerer.queue(BoxAnswerer::chooseFile(path("b/recorded.tvq")));
        click(w, "open_save_session_button");
        QCOMPARE(answerer.seen.size(), 5);
        QCOMPARE(answerer.seen[3].text, question);
        QCOMPARE(answerer.seen[4].className, QStringLiteral("QFileDialog"));
        QCOMPARE(valve_loads[1], recorded);
        QVERIFY(valve_loads[2].isEmpty());
        QVERIFY(w.close());
        QCOMPARE(answerer.seen.size(), 5);
    }

    void firstSaveNamesTheSessionAndLaterSavesReuseIt()
    {
        MainWindow w;
        settings.setValue(last_dir_key, path("a/"));
        session_file::make_current(sample_session());

        BoxAnswerer answerer;
        FileDialogSeen proposed;
        answerer.queue(choose_and_note(path("b/engine.tvq"), &proposed));
        click(w, "save_session_button");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Save Session"));
        QCOMPARE(proposed.folder + QLatin1Char('/'), path("a/"));
        QCOMPARE(proposed.file_name, QStringLiteral("untitled.tvq"));
        QCOMPARE(proposed.filters, QStringList{QStringLiteral("Tarvell Engineering Data File(*.tvq)")});

        QVERIFY(session_date.startsWith(today_stamp_prefix()));
        QVERIFY(QRegularExpression(QStringLiteral(" / (1[0-2]|[1-9]):[0-5][0-9] (am|pm)$"))
                    .match(session_date).hasMatch());
        QCOMPARE(session_file_name, QStringLiteral("engine.tvq"));
        QCOMPARE(last_dir, path("b/"));
        QCOMPARE(settings.value(last_dir_key).toString(), path("b/"));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("engine.tvq"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), session_date);
        QCOMPARE(file_bytes(path("b/engine.tvq")), session_file::encode(session_file::current()));

        customer_name = QStringLiteral("Second Save");
        click(w, "save_session_button");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(session_file::decode(file_bytes(path("b/engine.tvq")))->customer_name,
                 QStringLiteral("Second Save"));
    }

    void cancelledSaveWritesNothing()
    {
        MainWindow w;
        settings.setValue(last_dir_key, path("a/"));
        BoxAnswerer answerer;
        FileDialogSeen proposed;
        answerer.queue(choose_and_note(QString(), &proposed));
        click(w, "save_session_button");
        QVERIFY(session_file_name.isEmpty());
        QVERIFY(!QFile::exists(path("a/untitled.tvq")));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("None"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), QStringLiteral("Not Saved"));
        QVERIFY(session_date.startsWith(today_stamp_prefix()));

        answerer.queue(BoxAnswerer::reject());
        click(w, "save_session_button");
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].className, QStringLiteral("QFileDialog"));
    }

    void failedSaveWarnsAndKeepsNameAndFolder()
    {
        MainWindow w;
        settings.setValue(last_dir_key, path("a/"));
        const QString unreachable = path("missing/x.tvq");
        BoxAnswerer answerer;
        answerer.queue(BoxAnswerer::chooseFile(unreachable));
        click(w, "save_session_button");
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen[1].icon, QMessageBox::Warning);
        QVERIFY(answerer.seen[1].text.contains(unreachable));
        QVERIFY(session_file_name.isEmpty());
        QCOMPARE(last_dir, path("a/"));
        QCOMPARE(settings.value(last_dir_key).toString(), path("a/"));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("None"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), QStringLiteral("Not Saved"));

        // A named session whose folder has gone: same warning, nothing moves.
        session_file_name = QStringLiteral("named.tvq");
        settings.setValue(last_dir_key, path("gone/"));
        click(w, "save_session_button");
        QCOMPARE(answerer.seen.size(), 3);
        QVERIFY(answerer.seen[2].text.contains(path("gone/named.tvq")));
        QCOMPARE(session_file_name, QStringLiteral("named.tvq"));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("None"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), QStringLiteral("Not Saved"));

        answerer.queue(BoxAnswerer::chooseFile(unreachable));
        click(w, "save_session_as_button");
        QCOMPARE(answerer.seen.size(), 5);
        QCOMPARE(answerer.seen[4].title, QStringLiteral("Warning"));
        QCOMPARE(session_file_name, QStringLiteral("named.tvq"));
        QCOMPARE(last_dir, path("gone/"));

        // A disk that fills during the save: a file-size limit cuts the write
        // part of the way, as a full disk does. The session is far smaller
        // than the file's buffer, so a buffered write would learn of it only
        // in commit(), which puts the cut file in place of the old one.
        settings.setValue(last_dir_key, path("a/"));
        settings.sync();
        QString error;
        QVERIFY(session_file::save(path("a/named.tvq"), &error));
        const QByteArray old = file_bytes(path("a/named.tvq"));
        customer_name = QStringLiteral("Never Written");
        QVERIFY(session_file::encode(session_file::current()).size() > 200);
        struct rlimit unlimited;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        struct rlimit limited = unlimited;
        limited.rlim_cur = 100;
        const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        click(w, "save_session_button");
        setrlimit(RLIMIT_FSIZE, &unlimited);
        signal(SIGXFSZ, previousHandler);
        QCOMPARE(answerer.seen.size(), 6);
        QVERIFY(answerer.seen[5].text.contains(path("a/named.tvq")));
        QVERIFY(answerer.seen[5].text.contains(qt_error_string(EFBIG)));
        QCOMPARE(file_bytes(path("a/named.tvq")), old);
        QCOMPARE(QDir(path("a")).entryList({QStringLiteral("named.tvq*")}, QDir::Files),
                 QStringList{QStringLiteral("named.tvq")});
        QCOMPARE(text_of(w, QStringLiteral("file_date")), QStringLiteral("Not Saved"));
    }

    void saveAsStartsFromTheStoredFolder()
    {
        MainWindow w;
        last_dir = QStringLiteral("/stale/");
        settings.setValue(last_dir_key, path("a/"));
        BoxAnswerer answerer;
        FileDialogSeen proposed;
        answerer.queue(choose_and_note(path("b/first.tvq"), &proposed));
        click(w, "save_session_as_button");
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Save Session As"));
        QCOMPARE(proposed.folder + QLatin1Char('/'), path("a/"));
        QVERIFY(proposed.file_name.isEmpty());
        QCOMPARE(proposed.filters, QStringList{QStringLiteral("Tarvell Engineering Data File(*.tvq)")});
        QCOMPARE(session_file_name, QStringLiteral("first.tvq"));
        QCOMPARE(last_dir, path("b/"));
        QCOMPARE(settings.value(last_dir_key).toString(), path("b/"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), session_date);
        QVERIFY(QFile::exists(path("b/first.tvq")));

        answerer.queue(choose_and_note(path("a/second.tvq"), &proposed));
        click(w, "save_session_as_button");
        QCOMPARE(proposed.file_name, QStringLiteral("first.tvq"));
        QCOMPARE(proposed.folder + QLatin1Char('/'), path("b/"));
        QCOMPARE(session_file_name, QStringLiteral("second.tvq"));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("second.tvq"));
        QCOMPARE(file_bytes(path("a/second.tvq")), session_file::encode(session_file::current()));
    }

    void typedNameWithoutExtensionGetsIt()
    {
        MainWindow w;
        settings.setValue(last_dir_key, path("a/"));
        BoxAnswerer answerer;
        answerer.queue(BoxAnswerer::chooseFile(path("a/engine")));
        click(w, "save_session_as_button");
        QCOMPARE(session_file_name, QStringLiteral("engine.tvq"));
        QVERIFY(QFile::exists(path("a/engine.tvq")));
        QVERIFY(!QFile::exists(path("a/engine")));

        // A name that already carries the extension keeps it as it is.
        answerer.queue(BoxAnswerer::chooseFile(path("a/heads.tvq")));
        click(w, "save_session_as_button");
        QCOMPARE(session_file_name, QStringLiteral("heads.tvq"));
        QVERIFY(QFile::exists(path("a/heads.tvq")));
    }

    void openTakesTheSessionAndShowsItsTargets()
    {
        session_file::make_current(sample_session());
        QString error;
        QVERIFY(session_file::save(path("b/open me.tvq"), &error));
        session_file::make_current(Record());

        MainWindow w;
        settings.setValue(last_dir_key, path("a/"));
        current_valve = 6;
        test_mode = 1;
        ready_to_record = true;
        in_measured_lift = 0.5;
        child<QStackedWidget>(w, QStringLiteral("form_stack"))->setCurrentIndex(1);

        BoxAnswerer answerer;
        FileDialogSeen proposed;
        answerer.queue(choose_and_note(path("b/open me.tvq"), &proposed));
        click(w, "open_save_session_button");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Open Saved Session"));
        QCOMPARE(proposed.folder + QLatin1Char('/'), path("a/"));
        // The dialog folds the two blanks of the filter into one.
        QCOMPARE(proposed.filters, QStringList{QStringLiteral("Tarvell Engineering Data File (*.tvq)")});

        QCOMPARE(session_file::encode(session_file::current()), session_file::encode(sample_session()));
        QCOMPARE(session_file_name, QStringLiteral("open me.tvq"));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("open me.tvq"));
        QCOMPARE(last_dir, path("b/"));
        QCOMPARE(settings.value(last_dir_key).toString(), path("b/"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), sample_session().session_date);
        const QStringList shown = {QStringLiteral("1.850"), QStringLiteral("0.000"),
                                   QStringLiteral("120"),   QStringLiteral("0"),
                                   QStringLiteral("0.06"),  QStringLiteral("0.0625")};
        for (int i = 0; i < target_fields.size(); ++i)
            QCOMPARE(text_of(w, target_fields[i]), shown[i]);
        QCOMPARE(current_valve, 1);
        QCOMPARE(test_mode, 0);
        QVERIFY(!ready_to_record);
        QCOMPARE(in_measured_lift, 0.0);
        QCOMPARE(child<QStackedWidget>(w, QStringLiteral("form_stack"))->currentIndex(), 0);
    }

    void cancelledOpenShowsTheOldSessionAgain()
    {
        MainWindow w;
        session_file::make_current(sample_session());
        settings.setValue(last_dir_key, path("a/"));
        for (const QString &field : target_fields)
            child<QLineEdit>(w, field)->setText(QStringLiteral("typed"));
        for (const QString &label : result_labels)
            child<QLabel>(w, label)->setText(QStringLiteral("x"));
        test_mode = 2;

        BoxAnswerer answerer;
        answerer.queue(BoxAnswerer::reject());
        click(w, "open_save_session_button");
        QCOMPARE(text_of(w, target_fields[0]), QStringLiteral("1.850"));
        QCOMPARE(text_of(w, target_fields[2]), QStringLiteral("120"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), sample_session().session_date);
        for (const QString &label : result_labels)
            QVERIFY2(text_of(w, label).isEmpty(), qPrintable(label));
        QCOMPARE(test_mode, 0);
        QCOMPARE(settings.value(last_dir_key).toString(), path("a/"));
        QCOMPARE(session_file::encode(session_file::current()), session_file::encode(sample_session()));
    }

    // Nor is a device or a pipe read: /dev/zero would read as an empty
    // session, and a pipe would hold Open in open() until something wrote to
    // it. The pipe's writer comes by until the command is over, to release a
    // program that waits there and to tell that it did.
    void damagedOpenWarnsAndTakesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("source");
        const QString file = path("b/damaged.tvq");
        const QByteArray whole = session_file::encode(sample_session());
        QTest::newRow("cut short") << whole.left(whole.size() - 3) << file;
        QByteArray huge = whole;
        huge.replace(whole.size() - 4, 4, QByteArray("\x7F\xFF\xFF\xFF", 4));
        QTest::newRow("huge count") << huge << file;
        QTest::newRow("foreign file") << QByteArray("%PDF-1.4 not a session at all") << file;
        QTest::newRow("device") << QByteArray() << QStringLiteral("/dev/zero");
        QTest::newRow("named pipe") << QByteArray() << path("b/pipe.tvq");
    }
    void damagedOpenWarnsAndTakesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, source);
        const QByteArray native = QFile::encodeName(source);
        const bool pipe = source.endsWith(QLatin1String("pipe.tvq"));
        if (pipe) {
            QFile::remove(source);
            QCOMPARE(mkfifo(native.constData(), 0600), 0);
        } else if (!bytes.isEmpty()) {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
        }
        std::atomic<bool> over{false};
        std::atomic<bool> readerWaited{false};
        std::thread writer([&] {
            while (pipe && !over) {
                const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    readerWaited = true;
                    ::close(fd);
                    return;
                }
                QThread::msleep(10);
            }
        });

        MainWindow w;
        Record before = sample_session();
        before.customer_name = QStringLiteral("Current");
        session_file::make_current(before);
        session_file_name = QStringLiteral("current.tvq");
        settings.setValue(last_dir_key, path("a/"));

        BoxAnswerer answerer;
        answerer.queue(BoxAnswerer::chooseFile(source));
        click(w, "open_save_session_button");
        over = true;
        writer.join();
        QVERIFY(!readerWaited);
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Warning"));
        QCOMPARE(answerer.seen[1].icon, QMessageBox::Warning);
        QVERIFY(answerer.seen[1].text.contains(source));
        QVERIFY(answerer.seen[1].text.contains(QStringLiteral("not a valid session file")));
        QCOMPARE(session_file::encode(session_file::current()), session_file::encode(before));
        QCOMPARE(session_file_name, QStringLiteral("current.tvq"));
        QCOMPARE(last_dir, path("a/"));
        QCOMPARE(settings.value(last_dir_key).toString(), path("a/"));
        QCOMPARE(text_of(w, target_fields[0]), QStringLiteral("1.850"));
    }

    void commandLineOpen_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("whole session") << QStringLiteral("valid");
        QTest::newRow("damaged session") << QStringLiteral("damaged");
    }
    // The command line is fixed when the process starts, so the window is
    // built in a child run of this program whose last argument names a
    // session file in its working folder.
    void commandLineOpen()
    {
        QFETCH(QString, mode);
        QTemporaryDir work;
        QByteArray bytes = session_file::encode(sample_session());
        if (mode == QLatin1String("damaged"))
            bytes.chop(1);
        QFile file(work.filePath(QStringLiteral("commandLineChild")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        QProcess child_run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KESTRIX_CHILD_MODE"), mode);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
        child_run.setProcessEnvironment(environment);
        child_run.setWorkingDirectory(work.path());
        child_run.setProcessChannelMode(QProcess::MergedChannels);
        child_run.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("commandLineChild")});
        QVERIFY(child_run.waitForFinished(60000));
        QVERIFY2(child_run.exitCode() == 0, child_run.readAll().constData());
        if (mode == QLatin1String("valid")) {
            // The child saved once more: back into the file it opened.
            const auto saved = session_file::decode(file_bytes(file.fileName()));
            QVERIFY(saved);
            QCOMPARE(saved->customer_name, QStringLiteral("Saved By Child"));
        } else {
            QCOMPARE(file_bytes(file.fileName()), bytes);
        }
    }

    void commandLineChild()
    {
        const QString mode = qEnvironmentVariable("KESTRIX_CHILD_MODE");
        if (mode.isEmpty())
            QSKIP("runs only inside commandLineOpen");
        const QString folder = QDir::currentPath() + QLatin1Char('/');
        BoxAnswerer answerer;
        MainWindow w;
        if (mode == QLatin1String("damaged")) {
            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen[0].title, QStringLiteral("Warning"));
            QVERIFY(answerer.seen[0].text.contains(QStringLiteral("commandLineChild")));
            QVERIFY(session_file_name.isEmpty());
            QVERIFY(customer_name.isEmpty());
            QVERIFY(last_dir.isEmpty());
            QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("None"));
            return;
        }
        QVERIFY(answerer.seen.isEmpty());
        QCOMPARE(session_file::encode(session_file::current()), session_file::encode(sample_session()));
        QCOMPARE(session_file_name, QStringLiteral("commandLineChild"));
        QCOMPARE(text_of(w, QStringLiteral("filename_label")), QStringLiteral("commandLineChild"));
        QCOMPARE(text_of(w, QStringLiteral("file_date")), sample_session().session_date);
        QCOMPARE(text_of(w, target_fields[0]), QStringLiteral("1.850"));
        QCOMPARE(text_of(w, target_fields[5]), QStringLiteral("0.0625"));
        QCOMPARE(last_dir, folder);
        QCOMPARE(settings.value(last_dir_key).toString(), folder);

        customer_name = QStringLiteral("Saved By Child");
        click(w, "save_session_button");
        QVERIFY(answerer.seen.isEmpty());
    }
};

KESTRIX_TEST_MAIN(tst_session_commands)
#include "tst_session_commands.moc"
