// A whole 4-cylinder engine, the way an engine builder tests it: the session
// set up (with the deflection calculator), eight springs recorded through a
// real pseudo-terminal standing in for the tester (one stroke too short and
// one overloaded on the way), the three target pages read valve by valve,
// the session saved, cleared and opened again, and a report of each type
// printed to PDF. The springs are linear, so every shown value is worked out
// here by hand from the stroke data, not by the program's own analysis.
#include "box_answerer.h"
#include "globals.h"
#include "mainwindow.h"
#include "print_to_pdf.h"
#include "pty_tester.h"
#include "test_main.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QMap>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <functional>

namespace {

constexpr int valves = 8; // 4 cylinders, intake and exhaust

// What the operator types, as text, so that the test's numbers are the very
// doubles the program reads from the same text.
struct SideInput
{
    QString lift, lash, retainer, measured, inst_height, seat_load, bind_clear;
};
const SideInput intake_input{"0.560", "0.020", "0.050", "0.530", "1.800", "130", "0.06"};
const SideInput exhaust_input{"0.540", "0.022", "0.060", "0.510", "1.780", "170", "0.062"};

double num(const QString &text)
{
    return text.toDouble();
}

// The deflection factor the session dialog ends up storing: the calculator's
// percentage, shown with 3 decimals and read back from that text on OK.
double stored_deflection(const SideInput &side)
{
    const double theoretical = num(side.lift) - num(side.lash);
    const double measured = num(side.measured);
    const double factor = (theoretical - measured) / ((theoretical + measured) * 0.5) * 100.0;
    return num(QString::number(factor, 'f', 3));
}

const SideInput &side_of(int valve)
{
    return valve % 2 ? intake_input : exhaust_input;
}

double effective_lift(int valve)
{
    const SideInput &side = side_of(valve);
    return (num(side.lift) - num(side.lash)) * ((100.0 - stored_deflection(side)) / 100.0);
}

// Text of a value as the program shows it, or a marker that matches no label
// when the value sits so close to a rounding edge that floating point could
// tip it either way: then the test data must change, not the check.
QString fixed(double value, int decimals)
{
    const double scaled = value * std::pow(10.0, decimals);
    if (std::abs(scaled - std::floor(scaled) - 0.5) < 1e-6)
        return QStringLiteral("<%1 sits on a rounding edge>").arg(value, 0, 'g', 17);
    return QString::number(value, 'f', decimals);
}

// A load estimated from a curve, truncated to whole pounds.
int whole_pounds(double load, bool *ambiguous)
{
    const double fraction = load - std::floor(load);
    if (fraction < 0.01 || fraction > 0.99)
        *ambiguous = true;
    return int(load); // truncation toward zero
}

// One linear valve spring, load = rate x (free length - height), as the
// tester reads it, and how fast the operator compresses it.
struct Spring
{
    int valve = 0;
    int rate = 0;          // lbs per inch, a multiple of 100 so loads have 1 decimal
    int free_milli = 0;    // free length in thousandths of an inch (tester height)
    int step_milli = 0;    // height fall per reading
    int points = 0;        // samples stored: the stroke is cut 3 samples before its bottom

    double load_at_milli(int milli) const { return rate * (free_milli - milli) / 100 / 10.0; }
    double retainer() const { return num(side_of(valve).retainer); }
    // Readings while compressing: the bottom one is 3 below the last stored.
    int compressed() const { return points + 3; }
    int milli_of(int sample) const { return 2000 - step_milli * (sample - 1); }

    // The stored curve: tester heights less the side's retainer thickness.
    QVector<double> heights() const
    {
        QVector<double> h;
        for (int s = 1; s <= points; ++s)
            h << num(QString::number(milli_of(s) / 1000.0, 'f', 3)) - retainer();
        return h;
    }
    QVector<double> loads() const
    {
        QVector<double> l;
        for (int s = 1; s <= points; ++s)
            l << num(QString::number(load_at_milli(milli_of(s)), 'f', 1));
        return l;
    }
    double bind_height() const { return heights().last(); }
    double speed_offset() const { return points <= 350 ? 0.008 * (351 - points) / 349.0 : 0.0; }
    // On the compensated curve the line moves up by the offset.
    double line_free_length() const { return free_milli / 1000.0 - retainer() + speed_offset(); }
    double load_at(double height) const { return rate * (line_free_length() - height); }
    double height_at(double load) const { return line_free_length() - load / rate; }
};

// Eight springs; faster strokes give fewer samples (and more compensation),
// one stroke is slow enough to get none. The free lengths are chosen so that
// no estimated load comes near whole pounds.
QVector<Spring> engine_springs()
{
    const int points[valves] = {120, 144, 180, 240, 350, 356, 130, 200};
    const int steps[valves] = {6, 5, 4, 3, 2, 2, 6, 4};
    const int free_lengths[valves] = {2150, 2170, 2163, 2180, 2173, 2191, 2183, 2200};
    QVector<Spring> springs;
    for (int v = 1; v <= valves; ++v) {
        Spring s;
        s.valve = v;
        s.rate = v % 2 ? 400 : 500;
        s.free_milli = free_lengths[v - 1];
        s.step_milli = steps[v - 1];
        s.points = points[v - 1];
        springs << s;
    }
    return springs;
}

// The seven values of a report row (and of a target page) for one spring.
struct Results
{
    double inst_height = 0, open_height = 0, bind_height = 0, bind_clearance = 0, rate = 0;
    double seat_load = 0; // whole pounds, or the operator's target in seat-load mode
    int open_load = 0;
    bool ambiguous = false;

    QStringList row() const
    {
        const QString marker = QStringLiteral("<a load sits within 0.01 lb of whole pounds>");
        if (ambiguous)
            return {marker};
        return {fixed(inst_height, 3), fixed(seat_load, 0), fixed(open_height, 3),
                fixed(open_load, 0),   fixed(bind_height, 3), fixed(bind_clearance, 3),
                fixed(rate, 0)};
    }
};

enum Mode { InstalledHeight = 1, SeatLoad = 2, BindClearance = 3 };

Results expected(const Spring &s, Mode mode)
{
    const SideInput &side = side_of(s.valve);
    const double lift = effective_lift(s.valve);
    Results r;
    r.bind_height = s.bind_height();
    switch (mode) {
    case InstalledHeight:
        r.inst_height = num(side.inst_height);
        r.seat_load = whole_pounds(s.load_at(r.inst_height), &r.ambiguous);
        break;
    case SeatLoad:
        r.seat_load = num(side.seat_load);
        r.inst_height = s.height_at(r.seat_load);
        break;
    case BindClearance:
        r.inst_height = (r.bind_height + num(side.bind_clear)) + lift;
        r.seat_load = whole_pounds(s.load_at(r.inst_height), &r.ambiguous);
        break;
    }
    r.open_height = r.inst_height - lift;
    r.open_load = whole_pounds(s.load_at(r.open_height), &r.ambiguous);
    r.rate = (r.open_load - r.seat_load) / lift;
    r.bind_clearance = r.open_height - r.bind_height;
    return r;
}

QString valve_label(int valve)
{
    return QStringLiteral("#%1 %2").arg((valve + 1) / 2).arg(valve % 2 ? "Intake" : "Exhaust");
}

// The 52 values a session file holds, taken from the program's variables.
struct SessionSnapshot
{
    QStringList texts;
    int cylinders = 0;
    QVector<double> numbers;
    QVector<QVector<double>> curves;

    static SessionSnapshot take()
    {
        SessionSnapshot s;
        s.texts = QStringList{session_date, customer_name, spring_part_no, engine_description,
                              session_notes};
        s.cylinders = no_of_cyl;
        s.numbers = {in_valve_lift,   ex_valve_lift,   in_valve_lash,      ex_valve_lash,
                     in_retainer_thickness, ex_retainer_thickness, in_deflection, ex_deflection,
                     in_inst_height,  ex_inst_height,  in_targ_seat_press, ex_targ_seat_press,
                     in_targ_bind_clear, ex_targ_bind_clear};
        for (int v = 1; v <= 16; ++v)
            s.curves << valve_heights[v] << valve_loads[v];
        return s;
    }
    bool operator==(const SessionSnapshot &o) const
    {
        return texts == o.texts && cylinders == o.cylinders && numbers == o.numbers
            && curves == o.curves;
    }
    // Bytes of the file: 4 + 2 per character for each string, 4 for the
    // cylinder count, 8 per double, 4 + 8 per value for each vector.
    qint64 file_size() const
    {
        qint64 size = 4;
        for (const QString &t : texts)
            size += 4 + 2 * t.size();
        size += 8 * numbers.size();
        for (const QVector<double> &c : curves)
            size += 4 + 8 * c.size();
        return size;
    }
};

// Clicks from the event loop: a button that opens a modal window of its own
// must not be clicked inside the answerer's timer, which cannot fire again
// until its handler has returned.
void click_later(QAbstractButton *button)
{
    QTimer::singleShot(0, button, &QAbstractButton::click);
}

template <typename T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

void type_into(QWidget *dialog, const char *name, const QString &text)
{
    child<QLineEdit>(dialog, name)->setText(text);
}

// Pages of a PDF file as Qt writes it: one page object each, with its paper
// size; -1 when the file is not a complete PDF.
int pdf_page_count(const QString &path, bool *landscape)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = file.readAll();
    if (!pdf.startsWith("%PDF-") || !pdf.trimmed().endsWith("%%EOF"))
        return -1;
    // A page object ends at its first ">>"; its paper size is inside it.
    const QRegularExpression media_box(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([\\d.]+)\\s+([\\d.]+)"));
    int pages = 0;
    for (int at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1)) {
        if (pdf.mid(at + 11, 1) == "s")
            continue;
        ++pages;
        const QString object = QString::fromLatin1(pdf.mid(at, pdf.indexOf(">>", at) - at));
        const QRegularExpressionMatch m = media_box.match(object);
        *landscape = m.hasMatch() && m.captured(1).toDouble() > m.captured(2).toDouble();
    }
    return pages;
}

// The report page as filled, read while its print dialog is open (the page
// is never shown and is gone once printed): header labels by name, then one
// row of cells per valve position.
struct ReportPage
{
    QMap<QString, QString> header;
    QList<QStringList> rows;

    static ReportPage read(QWidget *page)
    {
        ReportPage r;
        for (const char *name : {"label", "label_14", "label_16", "label_20", "label_22", "label_24",
                                 "label_61", "label_29", "label_31", "label_112", "label_113"})
            r.header[QLatin1String(name)] = child<QLabel>(page, name)->text();
        // First cell label of each column: caption, installed height, seat
        // load, open height, open load, bind height, bind clearance, rate.
        const int columns[] = {33, 78, 62, 94, 114, 130, 146, 162};
        for (int row = 0; row < 16; ++row) {
            QStringList cells;
            for (int first : columns)
                cells << page->findChild<QLabel *>(QStringLiteral("label_%1").arg(first + row))->text();
            r.rows << cells;
        }
        return r;
    }
};

} // namespace

class tst_end_to_end : public QObject
{
    Q_OBJECT

private:
    PtyTester tester;
    MainWindow *window = nullptr;
    BoxAnswerer *answerer = nullptr;
    QTemporaryDir folder;
    const QVector<Spring> springs = engine_springs();
    SessionSnapshot saved;

    QLabel *label(const char *name) const { return child<QLabel>(window, name); }
    QLineEdit *field(const char *name) const { return child<QLineEdit>(window, name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(window, name); }
    int page() const { return child<QStackedWidget>(window, "form_stack")->currentIndex(); }

    QStringList seen_since(int first) const
    {
        QStringList out;
        for (int i = first; i < answerer->seen.size(); ++i) {
            const BoxAnswerer::Seen &s = answerer->seen.at(i);
            out << (s.className + QLatin1Char('|') + s.title + QLatin1Char('|') + s.text);
        }
        return out;
    }

    // Sends one reading and waits until the window has taken it in (its
    // stroke end, pause or box included). Each reading waits for the last, so
    // no two ever reach the port as one chunk.
    bool send(double load, double height)
    {
        const QByteArray reading = testerReading(load, height);
        const double want_load = num(QString::number(load, 'f', 1));
        const double want_height = num(QString::number(height, 'f', 3));
        if (!tester.write(reading))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (!(live_load == want_load && raw_height == want_height)) {
            if (waited.elapsed() > 60000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    bool compress(const QVector<QPair<double, int>> &samples)
    {
        for (const auto &sample : samples)
            if (!send(sample.first, sample.second / 1000.0))
                return false;
        return true;
    }

    // The operator lets go at the bottom: the spring extends again while
    // still loaded, then the tester reads no load.
    bool release(const QPair<double, int> &bottom)
    {
        for (int r = 1; r <= 3; ++r)
            if (!send(bottom.first * (1.0 - 0.25 * r), (bottom.second + 50 * r) / 1000.0))
                return false;
        return send(0.0, 2.400);
    }

    // Between two springs the tester goes on reading its empty platen.
    bool rest() { return send(0.0, 2.450); }

    // Loads rising as the height falls, then the release.
    bool stroke(const QVector<QPair<double, int>> &compression)
    {
        return compress(compression) && release(compression.last());
    }

    bool record(const Spring &s)
    {
        QVector<QPair<double, int>> samples;
        for (int i = 1; i <= s.compressed(); ++i)
            samples << qMakePair(s.load_at_milli(s.milli_of(i)), s.milli_of(i));
        return stroke(samples);
    }

    void check_target_page(Mode mode, int valve)
    {
        const Spring &s = springs.at(valve - 1);
        const Results r = expected(s, mode);
        QVERIFY2(!r.ambiguous, "a load of the test data sits within 0.01 lb of whole pounds");
        const SideInput &side = side_of(valve);
        const QString lift = fixed(num(side.lift), 3), lash = fixed(num(side.lash), 3),
                      deflection = fixed(stored_deflection(side), 3);
        const char *const names[3][10] = {
            // inst, seat, open h, open load, bind h, clearance, rate, lift, lash, deflection
            {nullptr, "label_12", "label_63", "label_13", "label_14", "label_15", "label_16",
             "label_11", "label_54", "label_58"},
            {"label_33", nullptr, "label_73", "label_26", "label_21", "label_28", "label_32",
             "label_22", "label_66", "label_65"},
            {"label_41", "label_37", "label_79", "label_47", "label_49", nullptr, "label_38",
             "label_45", "label_76", "label_77"}};
        const QStringList want = r.row() + QStringList{lift, lash, deflection};
        for (int i = 0; i < 10; ++i) {
            const char *name = names[mode - 1][i];
            if (name)
                QCOMPARE(label(name)->text() + QLatin1Char(' ') + name,
                         want.at(i) + QLatin1Char(' ') + name);
        }
        QCOMPARE(label("label_20")->text(), QString::number(s.points));
        QCOMPARE(label("cyl_label")->text(), valve_label(valve));
        if (mode != BindClearance) {
            const bool alarm = bind_clearance_alarm > r.bind_clearance;
            QCOMPARE(label(mode == InstalledHeight ? "label_15" : "label_28")->styleSheet(),
                     alarm ? QStringLiteral("background-color: rgb(252, 0, 0)") : QString());
        }
    }

    void enter_target(const char *name, const QString &text)
    {
        QLineEdit *edit = field(name);
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    void run_target_page(const char *page_button, Mode mode, const char *in_field,
                         const char *ex_field, const QString &in_text, const QString &ex_text,
                         const char *message, const QString &intake_prompt)
    {
        button(page_button)->click();
        QCOMPARE(current_valve, 1);
        QCOMPARE(page(), int(mode) + 1);
        QCOMPARE(report_type, int(mode));
        QCOMPARE(label(message)->text(), intake_prompt);
        QCOMPARE(label(message)->styleSheet(), QStringLiteral("color: rgb(252, 0, 0)"));
        enter_target(in_field, in_text);
        QCOMPARE(label(message)->text(), QString());
        enter_target(ex_field, ex_text);
        for (int valve = 1; valve <= valves; ++valve) {
            if (valve > 1)
                button("up_button")->click();
            QCOMPARE(current_valve, valve);
            check_target_page(mode, valve);
        }
        // Stepping stops at the engine's last valve.
        button("up_button")->click();
        QCOMPARE(current_valve, valves);
    }

    // Print Report, the type chosen in the chooser, the print dialog sent
    // to a PDF file.
    QString print_report(Mode mode, ReportPage *page)
    {
        const char *radios[] = {"TIH_radioButton", "TSP_radioButton", "TBH_radioButton"};
        const QString pdf = folder.filePath(QStringLiteral("report-%1.pdf").arg(int(mode)));
        answerer->queue([&](QWidget *chooser) {
            child<QRadioButton>(chooser, radios[mode - 1])->click();
            click_later(child<QDialogButtonBox>(chooser, "buttonBox")->button(QDialogButtonBox::Ok));
        });
        answerer->queue([pdf, page](QWidget *print_dialog) {
            *page = ReportPage::read(print_dialog->parentWidget());
            QVERIFY(printToPdfFile(print_dialog, pdf));
        });
        button("pushButton_4")->click();
        return pdf;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        storeQuietStart();
        settings.setValue(QStringLiteral("snapheight/config/key"), 0.0);
        settings.setValue(QStringLiteral("standard_data_float/config/key"), 0.0);
        settings.setValue(QStringLiteral("retainer_warning/config/key"), true);
        settings.setValue(QStringLiteral("bind_clearance_alarm/config/key"), 0.05);
        settings.setValue(QStringLiteral("company_name/config/key"), QStringLiteral("Ridgeline Cylinder Heads"));
        settings.setValue(QStringLiteral("company_operator/config/key"), QStringLiteral("D. Okafor"));
        settings.setValue(QStringLiteral("last_dir/config/key"), folder.path() + QLatin1Char('/'));
        QVERIFY(tester.open());
        tester_port_name = tester.slavePath();
        answerer = new BoxAnswerer;
        window = new MainWindow;
        QVERIFY(serial_port && serial_port->isOpen());
        QVERIFY(answerer->seen.isEmpty());
    }

    void cleanupTestCase()
    {
        delete window;
        delete answerer;
        tester.close();
    }

    void sessionSetupWithDeflectionCalculator()
    {
        const int first = answerer->seen.size();
        QString in_shown, ex_shown, deflection_note;
        const auto ok_reminder = [](QWidget *w) { child<QPushButton>(w, "pushButton")->click(); };
        answerer->queue(ok_reminder);
        answerer->queue([](QWidget *w) {
            type_into(w, "lineEdit_customer_name", QStringLiteral("Harlan Marine"));
            type_into(w, "lineEdit_2_springPart_no", QStringLiteral("PSI-1511ML"));
            type_into(w, "lineEdit_3_engine_des", QStringLiteral("Chevrolet 350 – marine"));
            type_into(w, "lineEdit_4_no_of_cyl", QStringLiteral("4"));
            type_into(w, "lineEdit_5_in_valve_lift", intake_input.lift);
            type_into(w, "lineEdit_6_ex_valve_lift", exhaust_input.lift);
            type_into(w, "lineEdit_int_valve_lash", intake_input.lash);
            type_into(w, "lineEdit_ex_valve_lash", exhaust_input.lash);
            type_into(w, "lineEdit_9_in_retainer_thickness", intake_input.retainer);
            type_into(w, "lineEdit_10_ex_retainer_thickness", exhaust_input.retainer);
            child<QPlainTextEdit>(w, "lineEdit_11_notes")
                ->setPlainText(QStringLiteral("Shop order 4411\nSprings shimmed, Ø 1.290 in"));
            click_later(child<QPushButton>(w, "pushButton")); // Calculate
        });
        answerer->queue([&](QWidget *w) {
            deflection_note = child<QLabel>(w, "label_4")->text() + QLatin1Char(' ')
                              + child<QLabel>(w, "label_5")->text();
            type_into(w, "lineEdit", intake_input.measured);
            type_into(w, "lineEdit_2", exhaust_input.measured);
            click_later(child<QDialogButtonBox>(w, "buttonBox")->button(QDialogButtonBox::Ok));
        });
        answerer->queue(ok_reminder); // the second session dialog has no curves either
        answerer->queue([&](QWidget *w) {
            in_shown = child<QLineEdit>(w, "lineEdit_in_deflection")->text();
            ex_shown = child<QLineEdit>(w, "lineEdit_ex_deflection")->text();
            click_later(child<QPushButton>(w, "pushButton_ok"));
        });
        button("session_setup_button")->click();

        QCOMPARE(answerer->pending(), 0);
        const QStringList classes = seen_since(first).replaceInStrings(QRegularExpression("\\|.*"), QString());
        QCOMPARE(classes, (QStringList{"retainer_warning", "session_setup", "deflection_calc",
                                       "retainer_warning", "session_setup"}));
        QCOMPARE(deflection_note, QStringLiteral("0.540 0.518"));
        QCOMPARE(in_shown, fixed(stored_deflection(intake_input), 3));
        QCOMPARE(ex_shown, fixed(stored_deflection(exhaust_input), 3));
        QCOMPARE(in_shown, QStringLiteral("1.869"));
        QCOMPARE(no_of_cyl, 4);
        QCOMPARE(customer_name, QStringLiteral("Harlan Marine"));
        QCOMPARE(engine_description, QStringLiteral("Chevrolet 350 – marine"));
        QCOMPARE(in_retainer_thickness, num(intake_input.retainer));
        QCOMPARE(ex_retainer_thickness, num(exhaust_input.retainer));
        QCOMPARE(in_deflection, stored_deflection(intake_input));
        QCOMPARE(ex_deflection, stored_deflection(exhaust_input));
        QCOMPARE(in_valve_lash, num(intake_input.lash));
        QCOMPARE(page(), 0);
        QVERIFY(!ready_to_record);
    }

    void recordEngineValveAfterValve()
    {
        const int first = answerer->seen.size();
        answerer->queue([](QWidget *w) { child<QPushButton>(w, "pushButton")->click(); });
        button("record_button")->click();
        QVERIFY(ready_to_record);
        QCOMPARE(test_mode, 1);
        QCOMPARE(page(), 1);

        for (const Spring &s : springs) {
            QCOMPARE(current_valve, s.valve);
            QCOMPARE(label("cyl_label")->text(), valve_label(s.valve));
            if (s.valve == 2) {
                // Too fast: too few points to be a curve.
                Spring hasty = s;
                hasty.points = 57;
                hasty.step_milli = 12;
                QVERIFY(record(hasty));
                QVERIFY(rest());
                QCOMPARE(current_valve, 2);
                QVERIFY(valve_heights[2].isEmpty());
                QVERIFY(active_loads.isEmpty());
            }
            if (s.valve == 5) {
                // Pressed on into coil bind, past the load cell's rating.
                QVector<QPair<double, int>> bound;
                for (int i = 1; i <= 100; ++i)
                    bound << qMakePair(s.load_at_milli(s.milli_of(i)), s.milli_of(i));
                for (int i = 101; i <= 140; ++i)
                    bound << qMakePair(bound.last().first + 60.0, s.milli_of(i));
                QVERIFY(child<QLabel>(window, "warn_message")->isHidden());
                QVERIFY(compress(bound));
                QVERIFY(!child<QLabel>(window, "warn_message")->isHidden());
                QCOMPARE(child<QLabel>(window, "warn_message")->text(),
                         QStringLiteral("<font color='Black'>--- Load Cell Overload ---</font>"));
                QVERIFY(release(bound.last()));
                QVERIFY(rest());
                QCOMPARE(current_valve, 5);
                QVERIFY(valve_heights[5].isEmpty());
                QVERIFY(child<QLabel>(window, "warn_message")->isHidden());
            }
            QVERIFY(record(s));
            QCOMPARE(valve_heights[s.valve], s.heights());
            QCOMPARE(valve_loads[s.valve], s.loads());
            QCOMPARE(label("label_20")->text(), QString::number(s.points));
        }

        QCOMPARE(seen_since(first),
                 (QStringList{"retainer_warning|Warning|",
                              "QMessageBox|Warning| Insufficient Data - Slow Down!",
                              "QMessageBox|Warning|Exceeded Stack Height Load of 2100 Lbs.\n"
                              " System Overload - Test Failed!",
                              "QMessageBox|Warning| Testing complete"}));
        QCOMPARE(answerer->seen.at(first + 1).icon, QMessageBox::Warning);
        QCOMPARE(answerer->seen.at(first + 2).icon, QMessageBox::Warning);
        QVERIFY(!ready_to_record);
        QCOMPARE(page(), 0);
        QCOMPARE(current_valve, 1);
        for (int v = valves + 1; v <= 16; ++v)
            QVERIFY(valve_heights[v].isEmpty());
    }

    void installedHeightPage()
    {
        run_target_page("target_installed_height_button", InstalledHeight, "lineEdit_in_inst_height",
                        "lineEdit_ex_inst_height", intake_input.inst_height,
                        exhaust_input.inst_height, "target_installed_height_message",
                        QStringLiteral("Please enter intake installed height"));
    }

    void seatLoadPage()
    {
        run_target_page("target_seat_pressure_button", SeatLoad, "lineEdit_in_targ_seat_press",
                        "lineEdit_ex_targ_seat_press", intake_input.seat_load,
                        exhaust_input.seat_load, "target_seat_pressure_message",
                        QStringLiteral("Please enter target intake seat load"));
    }

    void bindClearancePage()
    {
        run_target_page("target_bind_clearance_button", BindClearance, "lineEdit_in_targ_bind_clear",
                        "lineEdit_ex_targ_bind_clear", intake_input.bind_clear,
                        exhaust_input.bind_clear, "target_bind_clearance_message",
                        QStringLiteral("Please enter intake target bind clearance"));
        QCOMPARE(in_targ_bind_clear, num(intake_input.bind_clear));
        QCOMPARE(ex_inst_height, num(exhaust_input.inst_height));
    }

    void saveAsNewAndOpenAgain()
    {
        const QString path = folder.filePath(QStringLiteral("harlan.tvq"));
        const int first = answerer->seen.size();
        answerer->queue(BoxAnswerer::chooseFile(path));
        button("save_session_as_button")->click();
        saved = SessionSnapshot::take();
        QCOMPARE(session_file_name, QStringLiteral("harlan.tvq"));
        QCOMPARE(label("filename_label")->text(), QStringLiteral("harlan.tvq"));
        QCOMPARE(label("file_date")->text(), session_date);
        QCOMPARE(QFileInfo(path).size(), saved.file_size());

        // The working copy holds the last valve shown: New Session asks.
        QVERIFY(!active_loads.isEmpty());
        answerer->queue(BoxAnswerer::click(QMessageBox::Yes));
        answerer->queue([](QWidget *w) { child<QPushButton>(w, "pushButton")->click(); });
        answerer->queue([](QWidget *w) { click_later(child<QPushButton>(w, "pushButton_cancel")); });
        button("new_session_button")->click();
        QCOMPARE(answerer->pending(), 0);
        QCOMPARE(answerer->seen.at(first + 1).text,
                 QStringLiteral("Are You Sure?\nThis will clear all data.\n"
                                "If you have not saved this sesion\n you may wish to do so now."));
        QCOMPARE(answerer->seen.at(first + 3).className, QStringLiteral("session_setup"));
        QVERIFY(customer_name.isEmpty());
        QCOMPARE(no_of_cyl, 0);
        QCOMPARE(in_retainer_thickness, 0.0);
        for (int v = 1; v <= 16; ++v)
            QVERIFY(valve_heights[v].isEmpty() && valve_loads[v].isEmpty());
        QCOMPARE(label("filename_label")->text(), QStringLiteral("New File"));
        QCOMPARE(label("file_date")->text(), QStringLiteral("Not Saved"));
        QCOMPARE(field("lineEdit_in_targ_seat_press")->text(), QString());
        QVERIFY(!(SessionSnapshot::take() == saved));

        answerer->queue(BoxAnswerer::chooseFile(path));
        button("open_save_session_button")->click();
        QCOMPARE(answerer->pending(), 0);
        QVERIFY(SessionSnapshot::take() == saved);
        QCOMPARE(session_file_name, QStringLiteral("harlan.tvq"));
        QCOMPARE(label("filename_label")->text(), QStringLiteral("harlan.tvq"));
        QCOMPARE(label("file_date")->text(), saved.texts.first());
        QCOMPARE(field("lineEdit_in_inst_height")->text(), QStringLiteral("1.800"));
        QCOMPARE(field("lineEdit_ex_inst_height")->text(), QStringLiteral("1.780"));
        QCOMPARE(field("lineEdit_in_targ_seat_press")->text(), QStringLiteral("130"));
        QCOMPARE(field("lineEdit_ex_targ_seat_press")->text(), QStringLiteral("170"));
        QCOMPARE(field("lineEdit_in_targ_bind_clear")->text(), QStringLiteral("0.06"));
        QCOMPARE(field("lineEdit_ex_targ_bind_clear")->text(), QStringLiteral("0.062"));
        QCOMPARE(current_valve, 1);
        QCOMPARE(active_heights, springs.first().heights());
        QCOMPARE(page(), 0);
        QVERIFY(!ready_to_record);
    }

    void reportOfEachTypeOnOnePage_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::newRow("installed height") << int(InstalledHeight) << "Target Installed Height Report";
        QTest::newRow("seat load") << int(SeatLoad) << "Target Seat Load Report";
        QTest::newRow("bind clearance") << int(BindClearance) << "Target Bind Clearance Report";
    }

    void reportOfEachTypeOnOnePage()
    {
        QFETCH(int, mode);
        QFETCH(QString, title);
        const int first = answerer->seen.size();
        ReportPage page;
        const QString pdf = print_report(Mode(mode), &page);
        QCOMPARE(answerer->pending(), 0);
        QCOMPARE(seen_since(first).replaceInStrings(QRegularExpression("\\|.*"), QString()),
                 (QStringList{"preprint_dialog", "QPrintDialog"}));
        QCOMPARE(report_type, mode);
        bool landscape = false;
        QCOMPARE(pdf_page_count(pdf, &landscape), 1);
        QVERIFY(landscape);

        QCOMPARE(page.header.value("label_61"), title);
        QCOMPARE(page.header.value("label"), QStringLiteral("Ridgeline Cylinder Heads"));
        QCOMPARE(page.header.value("label_20"), QStringLiteral("D. Okafor"));
        QCOMPARE(page.header.value("label_14"), QStringLiteral("Harlan Marine"));
        QCOMPARE(page.header.value("label_16"), QStringLiteral("PSI-1511ML"));
        QCOMPARE(page.header.value("label_22"), QStringLiteral("harlan.tvq"));
        QCOMPARE(page.header.value("label_24"), saved.texts.first());
        QCOMPARE(page.header.value("label_29"), intake_input.lift);
        QCOMPARE(page.header.value("label_31"), intake_input.retainer);
        QCOMPARE(page.header.value("label_112"), fixed(stored_deflection(intake_input), 3));
        QCOMPARE(page.header.value("label_113"), fixed(stored_deflection(exhaust_input), 3));
        QCOMPARE(page.rows.size(), 16);
        for (const Spring &s : springs) {
            const QString caption = valve_label(s.valve).mid(1);
            QCOMPARE(page.rows.at(s.valve - 1), QStringList{caption} + expected(s, Mode(mode)).row());
        }
        // Cylinders 5 to 8 were never tested: their rows stay blank.
        for (int row = valves; row < 16; ++row)
            QCOMPARE(page.rows.at(row).join(QString()), QString());
        // Printing changes nothing the window shows or stores.
        QVERIFY(SessionSnapshot::take() == saved);
    }
};

KESTRIX_TEST_MAIN(tst_end_to_end)
#include "tst_end_to_end.moc"
