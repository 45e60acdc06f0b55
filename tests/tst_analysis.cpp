// The spring-curve analysis against values worked out by hand.
#include "analysis.h"
#include "test_main.h"

#include <cmath>

namespace {

// Seven samples 1/64 inch and 4 lbs apart: every step and mean is exact in binary.
analysis::Window workedWindow()
{
    return {{2.0, 1.984375, 1.96875, 1.953125, 1.9375, 1.921875, 1.90625},
            {100, 104, 108, 112, 116, 120, 124}};
}

// A spring of rate k and free length fl, sampled every 0.005 inch downward from h0.
struct Curve
{
    QVector<double> heights;
    QVector<double> loads;
};

Curve linearSpring(int samples, double h0, double k, double fl)
{
    Curve c;
    for (int i = 0; i < samples; ++i) {
        c.heights.append(h0 - 0.005 * i);
        c.loads.append(k * (fl - c.heights.last()));
    }
    return c;
}

} // namespace

class tst_analysis : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        const analysis::Window w = workedWindow();
        const std::optional<analysis::Estimate> e = analysis::estimate(w);
        QVERIFY(e);
        QCOMPARE(e->mean_height_step, 0.015625);
        QCOMPARE(e->mean_load_step, 4.0);
        QCOMPARE(e->mean_height, 1.9453125);
        QCOMPARE(e->mean_load, 114.0);
        QCOMPARE(e->ratio, 0.00390625);
        QCOMPARE(analysis::load_at_height(w, 2.0), std::optional<qint32>(100));
        QCOMPARE(analysis::load_at_height(w, 1.95), std::optional<qint32>(112)); // 112.8
        QCOMPARE(analysis::height_at_load(w, 110.0), std::optional<double>(1.9609375));
    }

    void estimateUsesOnlyTheLastSevenSamples()
    {
        analysis::Window w = workedWindow();
        // Earlier samples, however odd, do not enter the estimate.
        w.heights.prepend(9.0);
        w.loads.prepend(-500.0);
        QCOMPARE(analysis::load_at_height(w, 1.95), std::optional<qint32>(112));

        // The seventh sample from the end enters through the oldest step
        // only, not through the means.
        analysis::Window moved = workedWindow();
        moved.heights[0] = 2.09375; // oldest height step 0.109375 instead of 0.015625
        const std::optional<analysis::Estimate> e = analysis::estimate(moved);
        QVERIFY(e);
        QCOMPARE(e->mean_height, 1.9453125);
        QCOMPARE(e->mean_height_step, 0.03125);
    }

    void loadsAreTruncatedTowardZero()
    {
        const analysis::Window w = workedWindow();
        // 114 + (1.9453125 - 2.439453125) / 0.00390625 = -12.5: truncation
        // gives -12 where flooring or rounding away would give -13.
        QCOMPARE(analysis::load_at_height(w, 2.439453125), std::optional<qint32>(-12));
        // An estimate beyond a 32-bit count of pounds is no estimate.
        QCOMPARE(analysis::load_at_height(w, -1.0e9), std::optional<qint32>());
    }

    void noEstimateWithoutSevenSamplesOrSlope()
    {
        analysis::Window six = workedWindow();
        six.heights.removeFirst();
        six.loads.removeFirst();
        QVERIFY(!analysis::estimate(six));
        QVERIFY(!analysis::load_at_height(six, 2.0));
        QVERIFY(!analysis::height_at_load(six, 110.0));
        QVERIFY(!analysis::load_at_height(analysis::Window(), 2.0));

        // Loads that do not rise: the ratio would divide by zero.
        analysis::Window flatLoads = workedWindow();
        flatLoads.loads.fill(100.0);
        QVERIFY(!analysis::load_at_height(flatLoads, 2.0));
        QVERIFY(!analysis::height_at_load(flatLoads, 100.0));

        // Heights that do not fall: a zero ratio gives no load at a height,
        // while every load is at the one height there is.
        analysis::Window flatHeights = workedWindow();
        flatHeights.heights.fill(1.5);
        QVERIFY(!analysis::load_at_height(flatHeights, 1.4));
        QCOMPARE(analysis::height_at_load(flatHeights, 110.0), std::optional<double>(1.5));

        // A window with fewer loads than heights is cut to its pairs.
        analysis::Window ragged = workedWindow();
        ragged.loads.removeLast();
        QVERIFY(!analysis::estimate(ragged));
    }

    void speedCompensation_data()
    {
        QTest::addColumn<int>("samples");
        QTest::addColumn<double>("offset");
        QTest::newRow("2") << 2 << 0.008;
        QTest::newRow("100") << 100 << 0.008 * 251 / 349;
        QTest::newRow("200") << 200 << 0.008 * 151 / 349;
        QTest::newRow("350") << 350 << 0.008 / 349;
        QTest::newRow("351") << 351 << 0.0;
        QTest::newRow("499") << 499 << 0.0;
    }

    void speedCompensation()
    {
        QFETCH(int, samples);
        QFETCH(double, offset);
        QVector<double> heights;
        for (int i = 0; i < samples; ++i)
            heights.append(2.0 - 0.003 * i);
        const QVector<double> recorded = heights;

        const double bind = analysis::speed_compensate(heights);
        QCOMPARE(bind, recorded.last());
        QCOMPARE(heights.size(), samples);
        QCOMPARE(heights[0], recorded[0]);
        for (int i = 1; i < samples; ++i)
            QVERIFY2(std::fabs(heights[i] - recorded[i] - offset) < 1e-12,
                     qPrintable(QString::number(i)));
    }

    void speedCompensationOfTinyCurves()
    {
        QVector<double> none;
        QCOMPARE(analysis::speed_compensate(none), 0.0);
        QVERIFY(none.isEmpty());
        QVector<double> one{1.25};
        QCOMPARE(analysis::speed_compensate(one), 1.25);
        QCOMPARE(one, QVector<double>{1.25});
    }

    void effectiveLift()
    {
        QCOMPARE(analysis::effective_lift(0.55, 0.05, 0.0), 0.55 - 0.05);
        QCOMPARE(analysis::effective_lift(0.5, 0.0, 10.0), 0.45);
        // A negative factor (lift measured above theory) lengthens it.
        QCOMPARE(analysis::effective_lift(0.5, 0.0, -10.0), 0.55);
        QCOMPARE(analysis::effective_lift(0.5, 0.1, 100.0), 0.0);
    }

    void windowBoundsAreExclusive()
    {
        const QVector<double> heights{2.25, 2.125, 2.0, 1.875, 1.75, 1.5, 1.25};
        const QVector<double> loads{1, 2, 3, 4, 5, 6, 7};
        const analysis::Window seat = analysis::height_window(heights, loads, 1.875, 2.125);
        QCOMPARE(seat.heights, QVector<double>{2.0});
        QCOMPARE(seat.loads, QVector<double>{3});
        const analysis::Window open = analysis::height_window(heights, loads, 1.5, 1.75);
        QVERIFY(open.heights.isEmpty());

        const QVector<double> h(9, 1.0);
        const analysis::Window w100 =
            analysis::load_window(h, {49, 50, 50.5, 99.5, 100, 101, 0, 75, 51}, 100.0);
        QCOMPARE(w100.loads, (QVector<double>{50.5, 99.5, 75, 51}));
        // trunc(101 x 0.5) = 50, so the window starts above 51.
        const analysis::Window w101 =
            analysis::load_window(h, {51, 51.5, 100.5, 101, 101.5, 0, 0, 0, 0}, 101.0);
        QCOMPARE(w101.loads, (QVector<double>{51.5, 100.5}));
        const double lower = 120.6 - 60.0;
        const analysis::Window w120 =
            analysis::load_window(h, {lower, 60.7, 120.5, 120.6, 0, 0, 0, 0, 0}, 120.6);
        QCOMPARE(w120.loads, (QVector<double>{60.7, 120.5}));
        // Windows keep curve order and their pairs together.
        QCOMPARE(analysis::load_window({3, 2, 1}, {70, 80, 90}, 100.0).heights,
                 (QVector<double>{3, 2, 1}));
    }

    void springRateSubtractsWholePounds()
    {
        // k = 200 lb/in, free length 2.5: the seat load at 1.9955 is 100.9
        // and the open load at 1.749 is 150.2; in whole pounds 150 - 100.
        const Curve c = linearSpring(300, 2.4, 200.0, 2.5);
        const double lift = 1.9955 - 1.749;
        const analysis::Results r =
            analysis::results_for_installed_height(c.heights, c.loads, 0.905, 1.9955, lift);
        QCOMPARE(r.seat_load, std::optional<double>(100));
        QCOMPARE(r.open_load, std::optional<qint32>(150));
        QVERIFY(r.spring_rate);
        QVERIFY(std::fabs(*r.spring_rate - 50.0 / lift) < 1e-9);

        QCOMPARE(analysis::spring_rate(150, 100, 0.0), std::optional<double>());
    }

    void resultsOfTheThreeModes()
    {
        // k = 250 lb/in, free length 2.3, 300 samples from 2.2 down to 0.705.
        Curve c = linearSpring(300, 2.2, 250.0, 2.3);
        const QVector<double> recorded = c.heights;
        const double bind = analysis::speed_compensate(c.heights);
        QCOMPARE(bind, recorded.last());
        const double offset = 0.008 * 51 / 349;
        const double lift = 0.5088;
        auto loadAt = [&](double h) { return 250.0 * (2.3 + offset - h); };

        const analysis::Results inst =
            analysis::results_for_installed_height(c.heights, c.loads, bind, 1.8, lift);
        QCOMPARE(inst.installed_height, std::optional<double>(1.8));
        QCOMPARE(inst.seat_load, std::optional<double>(std::trunc(loadAt(1.8)))); // 125.29
        QCOMPARE(*inst.open_height, 1.8 - lift);
        QCOMPARE(inst.open_load, std::optional<qint32>(std::trunc(loadAt(1.2912)))); // 252.49
        QVERIFY(std::fabs(*inst.spring_rate - (252 - 125) / lift) < 1e-9);
        QCOMPARE(inst.bind_height, bind);
        QCOMPARE(*inst.bind_clearance, *inst.open_height - bind);

        const analysis::Results seat =
            analysis::results_for_seat_load(c.heights, c.loads, bind, 100.5, lift);
        QVERIFY(std::fabs(*seat.installed_height - (2.3 + offset - 100.5 / 250.0)) < 1e-9);
        QCOMPARE(seat.seat_load, std::optional<double>(100.5));
        QCOMPARE(seat.open_load, std::optional<qint32>(227)); // 227.7
        QVERIFY(std::fabs(*seat.spring_rate - (227 - 100.5) / lift) < 1e-9);
        QVERIFY(std::fabs(*seat.bind_clearance - (*seat.installed_height - lift - bind)) < 1e-12);

        const analysis::Results clear =
            analysis::results_for_bind_clearance(c.heights, c.loads, bind, 0.12, lift);
        QCOMPARE(*clear.installed_height, (bind + 0.12) + lift);
        QCOMPARE(*clear.open_height, *clear.installed_height - lift);
        QCOMPARE(clear.seat_load, std::optional<double>(241)); // 241.84
        QCOMPARE(clear.open_load, std::optional<qint32>(369)); // 369.04
        QVERIFY(std::fabs(*clear.bind_clearance - 0.12) < 1e-12);

        // The same analysis again on the same data gives the same results.
        const analysis::Results again =
            analysis::results_for_seat_load(c.heights, c.loads, bind, 100.5, lift);
        QCOMPARE(again.installed_height, seat.installed_height);
        QCOMPARE(again.spring_rate, seat.spring_rate);
    }

    void resultsWithoutAnEstimate()
    {
        const Curve c = linearSpring(300, 2.2, 250.0, 2.3);
        // A seat window above the curve is empty: no seat load, no rate, but
        // the open side and the clearance do not depend on it.
        const analysis::Results inst =
            analysis::results_for_installed_height(c.heights, c.loads, 0.705, 2.5, 0.4962);
        QVERIFY(!inst.seat_load);
        QVERIFY(!inst.spring_rate);
        QCOMPARE(inst.open_load, std::optional<qint32>(74)); // 74.05 at 2.0038
        QCOMPARE(*inst.bind_clearance, (2.5 - 0.4962) - 0.705);

        // No installed height for a seat load the spring never reaches.
        const analysis::Results seat =
            analysis::results_for_seat_load(c.heights, c.loads, 0.705, 5000.0, 0.5);
        QCOMPARE(seat.seat_load, std::optional<double>(5000.0));
        QVERIFY(!seat.installed_height && !seat.open_height && !seat.open_load);
        QVERIFY(!seat.spring_rate && !seat.bind_clearance);

        // Lift equal to lash: every value but the rate.
        const analysis::Results flat =
            analysis::results_for_bind_clearance(c.heights, c.loads, 0.705, 0.5, 0.0);
        QVERIFY(flat.seat_load && flat.open_load);
        QVERIFY(!flat.spring_rate);
    }
};

KESTRIX_TEST_MAIN(tst_analysis)
#include "tst_analysis.moc"
