// The per-spring results of the printed report, checked against values worked
// out by hand on straight-line test springs.
#include "globals.h"
#include "report_results.h"
#include "test_main.h"
#include "tst_report_springs.h"

#include <cmath>

namespace {

using namespace test_springs;

QVector<double> row_of(int valve)
{
    QVector<double> row;
    for (int q = 0; q < report_quantity_count; ++q)
        row.append(report_result(valve, static_cast<report_quantity>(q)));
    return row;
}

bool same_row(const QVector<double> &actual, const QVector<double> &expected)
{
    if (actual.size() != expected.size())
        return false;
    for (int i = 0; i < actual.size(); ++i) {
        if (std::isnan(expected[i]) != std::isnan(actual[i]))
            return false;
        if (!std::isnan(expected[i]) && std::fabs(actual[i] - expected[i]) > 1e-9)
            return false;
    }
    return true;
}

QString describe(const QVector<double> &row)
{
    QStringList parts;
    for (double v : row)
        parts << QString::number(v, 'g', 12);
    return parts.join(QStringLiteral(", "));
}

} // namespace

class tst_report_results : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void speedCorrectionOfTheWorkCopy_data();
    void speedCorrectionOfTheWorkCopy();
    void routinesEndWithEmptyWindowsAndZeroSteps();
    void rowsForEachReportType_data();
    void rowsForEachReportType();
    void installedHeightRowsShareTheirSidesHeights();
    void bindHeightIsTheSameInAllTypes();
    void reportLeavesCurvesAndMainWindowStateAlone();
    void windowBoundsAreExclusive();
    void missingEstimatesBlankOnlyTheirCells();
    void mismatchedOrEmptyCurvesAreSafe();
};

void tst_report_results::init()
{
    clear_curves();
    set_session_values();
    report_type = 1;
}

void tst_report_results::speedCorrectionOfTheWorkCopy_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("offset");
    QTest::newRow("2 samples, full correction") << 2 << 0.008;
    QTest::newRow("100 samples") << 100 << 0.008 * 251 / 349;
    QTest::newRow("350 samples, smallest correction") << 350 << 0.008 / 349;
    QTest::newRow("351 samples, none") << 351 << 0.0;
}

void tst_report_results::speedCorrectionOfTheWorkCopy()
{
    QFETCH(int, samples);
    QFETCH(double, offset);
    valve_heights[1] = falling_heights(samples);
    valve_loads[1] = QVector<double>(samples, 100.0);
    report_heights = valve_heights[1];
    report_loads = valve_loads[1];
    report_inst_height = 1.8;

    calc_seat_load_at_height();

    QCOMPARE(report_heights[0], 2.0);
    for (int i = 1; i < samples; ++i)
        QVERIFY2(std::fabs(report_heights[i] - (valve_heights[1][i] + offset)) < 1e-12,
                 qPrintable(QString::number(i)));
    QCOMPARE(report_bind_height, 2.0 - (samples - 1) / 256.0);
    QCOMPARE(valve_heights[1], falling_heights(samples));
}

void tst_report_results::routinesEndWithEmptyWindowsAndZeroSteps()
{
    store_a(1);
    report_heights = valve_heights[1];
    report_loads = valve_loads[1];
    report_inst_height = 1.8;
    report_valve_lift = 0.55;
    report_valve_lash = 0.05;
    report_deflection = 20.0;

    calc_seat_load_at_height();
    QCOMPARE(report_seat_load, 101); // 101.2 truncated
    QVERIFY(report_seat_load_known);
    // The seat window ends at sample 83 (1.67578 in); its last six loads are 128..133.
    QCOMPARE(report_mean_load, 130.5);
    QCOMPARE(report_mean_height, 2.0 - 80.5 / 256.0);
    QCOMPARE(report_ratio, 1.0 / 256.0);

    report_open_height = 1.4;
    calc_open_load_and_rate();
    QCOMPARE(report_open_load, 203); // 203.6 truncated
    QCOMPARE(report_rate, (203 - 101) / 0.4);

    for (int i = 0; i < 6; ++i) {
        QCOMPARE(report_height_steps[i], 0.0);
        QCOMPARE(report_load_steps[i], 0.0);
    }
    QVERIFY(window_heights.isEmpty());
    QVERIFY(window_loads.isEmpty());
    // The open routine works on the compensated copy and compensates nothing itself.
    QCOMPARE(report_heights, valve_heights[1]);
}

void tst_report_results::rowsForEachReportType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("valve");
    QTest::addColumn<QVector<double>>("row");
    const double bind_a = 2.0 - 399 / 256.0;
    const double bind_b = 1.9 - 199 / 128.0;
    const double offset_b = 0.008 * 151 / 349;

    // Seat load 50 + 256 x 0.2 = 101.2 -> 101; open height 1.8 - 0.4; open
    // load 203.6 -> 203; rate 102 / 0.4.
    QTest::newRow("installed height, intake")
        << 1 << 1 << QVector<double>{1.8, 101, 1.4, 203, bind_a, 1.4 - bind_a, 255};
    // With the correction: 80 + 256 x (0.2 + 0.0034613) = 132.09 -> 132 (131 without).
    QTest::newRow("installed height, exhaust, corrected")
        << 1 << 2 << QVector<double>{1.7, 132, 1.2, 260, bind_b, 1.2 - bind_b, 256};
    // Height at 150.25 lb: 2 - 100.25 / 256; the rate takes the target itself:
    // (252 - 150.25) / 0.4 = 254.375, not (252 - 150) / 0.4.
    const double inst_a2 = 2.0 - 100.25 / 256.0;
    QTest::newRow("seat load, intake")
        << 2 << 1
        << QVector<double>{inst_a2, 150.25, inst_a2 - 0.4, 252, bind_a, inst_a2 - 0.4 - bind_a,
                           254.375};
    const double inst_b2 = 1.9 - 60.15 / 128.0 + offset_b;
    QTest::newRow("seat load, exhaust, corrected")
        << 2 << 2
        << QVector<double>{inst_b2, 200.3, inst_b2 - 0.5, 328, bind_b, inst_b2 - 0.5 - bind_b,
                           (328 - 200.3) / 0.5};
    // Installed height = bind height + clearance + effective lift; the
    // clearance comes back as the target.
    const double inst_a3 = bind_a + 0.06 + 0.4;
    QTest::newRow("bind clearance, intake")
        << 3 << 1 << QVector<double>{inst_a3, 331, inst_a3 - 0.4, 433, bind_a, 0.06, 255};
    const double inst_b3 = bind_b + 0.04 + 0.5;
    QTest::newRow("bind clearance, exhaust, corrected")
        << 3 << 2 << QVector<double>{inst_b3, 340, inst_b3 - 0.5, 468, bind_b, 0.04, 256};
}

void tst_report_results::rowsForEachReportType()
{
    QFETCH(int, type);
    QFETCH(int, valve);
    QFETCH(QVector<double>, row);
    store_a(1);
    store_b(2);
    report_type = type;
    prepare_report();
    QVERIFY(analyse_report_spring(valve));
    QVERIFY2(same_row(row_of(valve), row), qPrintable(describe(row_of(valve))));
}

void tst_report_results::installedHeightRowsShareTheirSidesHeights()
{
    store_a(1);
    store_b(2);
    // Another intake spring, 0.05 in longer and 10 lb stronger.
    valve_heights[3] = falling_heights(400, 2.05);
    valve_loads[3] = rising_loads(400, 60.0, 1.0);
    prepare_report();
    QVERIFY(analyse_report_spring(1));
    QVERIFY(analyse_report_spring(3));
    QCOMPARE(report_result(3, rq_installed_height), 1.8);
    QCOMPARE(report_result(3, rq_open_height), report_result(1, rq_open_height));
    // 60 + 256 x 0.25 = 124 at 1.8 in: a different spring, a different load.
    QCOMPARE(report_result(3, rq_seat_load), 124.0);
    QCOMPARE(report_result(1, rq_seat_load), 101.0);
}

void tst_report_results::bindHeightIsTheSameInAllTypes()
{
    store_b(2);
    for (int type = 1; type <= 3; ++type) {
        report_type = type;
        prepare_report();
        QVERIFY(analyse_report_spring(2));
        QCOMPARE(report_result(2, rq_bind_height), 1.9 - 199 / 128.0);
    }
}

void tst_report_results::reportLeavesCurvesAndMainWindowStateAlone()
{
    store_a(1);
    store_b(2);
    const QVector<double> stored_a = valve_heights[1];
    const QVector<double> stored_b = valve_heights[2];
    active_heights = valve_heights[2];
    active_loads = valve_loads[2];
    bind_height = 0.123;
    bind_clearance = 0.456;

    QVector<QVector<double>> first;
    for (int pass = 0; pass < 2; ++pass) {
        for (int type = 1; type <= 3; ++type) {
            report_type = type;
            prepare_report();
            QVERIFY(analyse_report_spring(1));
            QVERIFY(analyse_report_spring(2));
            if (pass == 0)
                first << row_of(1) << row_of(2);
            else
                QVERIFY(same_row(row_of(1), first[(type - 1) * 2])
                        && same_row(row_of(2), first[(type - 1) * 2 + 1]));
        }
    }
    QCOMPARE(valve_heights[1], stored_a);
    QCOMPARE(valve_heights[2], stored_b);
    QCOMPARE(active_heights, stored_b);
    QCOMPARE(bind_height, 0.123);
    QCOMPARE(bind_clearance, 0.456);
    QVERIFY(report_heights.isEmpty());
    QVERIFY(report_loads.isEmpty());
}

void tst_report_results::windowBoundsAreExclusive()
{
    // 1.75 - 0.125 = 1.625 is sample 96 exactly; a wild load there would be
    // the seat window's last sample if the bound were inside.
    store_a(1);
    valve_loads[1][96] = 5000.0;
    in_inst_height = 1.75;
    prepare_report();
    QVERIFY(analyse_report_spring(1));
    QCOMPARE(report_result(1, rq_seat_load), 114.0); // 50 + 256 x 0.25, exactly

    // Open height 1.35 (= 1.75 - 0.4) lies between samples; move it onto
    // sample 166 (1.3515625) through the installed height instead.
    store_a(1);
    valve_loads[1][166] = 5000.0;
    in_inst_height = 1.3515625 + 0.4;
    prepare_report();
    QVERIFY(analyse_report_spring(1));
    QCOMPARE(report_result(1, rq_open_load), 216.0); // 50 + 166

    // A load equal to the target, or to target - trunc(target / 2), stays out:
    // sample 100 holds 150 lb and gets a wild height.
    store_a(1);
    valve_heights[1][100] = 0.1;
    in_targ_seat_press = 150.0;
    report_type = 2;
    prepare_report();
    QVERIFY(analyse_report_spring(1));
    QCOMPARE(report_result(1, rq_installed_height), 2.0 - 100 / 256.0);
}

void tst_report_results::missingEstimatesBlankOnlyTheirCells()
{
    store_a(1);
    store_b(2);
    // Five samples: no window can hold seven.
    valve_heights[3] = falling_heights(5);
    valve_loads[3] = {60, 70, 80, 90, 100};
    // A load that never rises: no ratio.
    valve_heights[5] = falling_heights(400);
    valve_loads[5] = QVector<double>(400, 100.0);
    const QVector<double> row_a = (prepare_report(), analyse_report_spring(1), row_of(1));

    prepare_report();
    for (int v : {1, 2, 3, 5})
        QVERIFY(analyse_report_spring(v));
    QVERIFY(same_row(row_of(1), row_a));
    const double nan = std::nan("");
    const double bind_short = 2.0 - 4 / 256.0;
    QVERIFY2(same_row(row_of(3), {1.8, nan, 1.4, nan, bind_short, 1.4 - bind_short, nan}),
             qPrintable(describe(row_of(3))));
    const double bind_flat = 2.0 - 399 / 256.0;
    QVERIFY2(same_row(row_of(5), {1.8, nan, 1.4, nan, bind_flat, 1.4 - bind_flat, nan}),
             qPrintable(describe(row_of(5))));

    // Seat-load type: without an installed height there is no open height,
    // open load, clearance or rate; the target and the bind height still stand.
    report_type = 2;
    prepare_report();
    QVERIFY(analyse_report_spring(5));
    QVERIFY2(same_row(row_of(5), {nan, 150.25, nan, nan, bind_flat, nan, nan}),
             qPrintable(describe(row_of(5))));

    // No effective lift on the exhaust side: only the exhaust rates go.
    report_type = 1;
    ex_valve_lash = ex_valve_lift;
    prepare_report();
    QVERIFY(analyse_report_spring(1));
    QVERIFY(analyse_report_spring(2));
    QVERIFY(same_row(row_of(1), row_a));
    QVERIFY(std::isnan(report_result(2, rq_rate)));
    QCOMPARE(report_result(2, rq_seat_load), 132.0);
    QCOMPARE(report_result(2, rq_open_height), 1.7);
}

void tst_report_results::mismatchedOrEmptyCurvesAreSafe()
{
    prepare_report();
    QVERIFY(!analyse_report_spring(1));
    QVERIFY(std::isnan(report_result(1, rq_installed_height)));
    QVERIFY(!analyse_report_spring(0));
    QVERIFY(!analyse_report_spring(17));
    QVERIFY(std::isnan(report_result(17, rq_rate)));

    // Loads shorter than heights: only the paired samples count.
    store_a(1);
    valve_loads[1].resize(15);
    QVERIFY(analyse_report_spring(1));
    QVERIFY(std::isnan(report_result(1, rq_seat_load))); // the seat window starts at sample 20
    // Heights without any loads.
    valve_loads[1].clear();
    QVERIFY(analyse_report_spring(1));
    QVERIFY(std::isnan(report_result(1, rq_open_load)));

    store_a(1);
    report_type = 0;
    QVERIFY(!analyse_report_spring(1));
}

KESTRIX_TEST_MAIN(tst_report_results)
#include "tst_report_results.moc"
