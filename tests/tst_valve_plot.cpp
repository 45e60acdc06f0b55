// Selecting a valve position: the label, the step buttons and their limits,
// the working copy of the curve and the load-over-height plot.
#include "dark_theme.h"
#include "globals.h"
#include "mainwindow.h"
#include "stroke_generator.h"
#include "test_main.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <qcustomplot.h>
#include <qwt_thermo.h>

#include <memory>

namespace {

void recordCurve(int valve, double startLoad, int points = 120, double bottom = 1.15)
{
    StrokeShape shape;
    shape.compressedSamples = points;
    shape.startLoad = startLoad;
    shape.bottomHeight = bottom;
    shape.releaseSamples = 0;
    shape.unloadedReadings = 0;
    valve_heights[valve].clear();
    valve_loads[valve].clear();
    for (const StrokeSample &sample : compressionStroke(shape)) {
        valve_heights[valve].append(sample.height);
        valve_loads[valve].append(sample.load);
    }
}

} // namespace

class tst_valve_plot : public QObject
{
    Q_OBJECT

    std::unique_ptr<MainWindow> window;

    template<class T>
    T *widget(const char *name)
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        Q_ASSERT(found);
        return found;
    }
    QString label() { return widget<QLabel>("cyl_label")->text(); }
    QCustomPlot *plot() { return widget<QCustomPlot>("customPlot"); }
    // The plot keeps its points in key order: the last one is the highest,
    // where the stroke began.
    double startLoad(int graph)
    {
        const auto data = plot()->graph(graph)->data();
        return (data->constEnd() - 1)->value;
    }
    void up() { widget<QPushButton>("up_button")->click(); }
    void down() { widget<QPushButton>("down_button")->click(); }

private slots:
    void initTestCase()
    {
        storeQuietStart();
    }

    void init()
    {
        clearRecordingState();
        plot_all_data = false;
        in_inst_height = 0.0;
        ex_inst_height = 0.0;
        settings.setValue(QStringLiteral("plot_all_data/config/key"), false);
        window = std::make_unique<MainWindow>();
        clearRecordingState();
        window->valve_no_label_update();
    }

    void cleanup() { window.reset(); }

    void stepsThroughAllSixteenWithoutWrapping()
    {
        QCOMPARE(valve_count, 16);
        QCOMPARE(label(), QStringLiteral("#1 Intake"));
        down();
        QCOMPARE(current_valve, 1);
        QCOMPARE(label(), QStringLiteral("#1 Intake"));

        const QStringList expected{"#1 Exhaust", "#2 Intake", "#2 Exhaust", "#3 Intake",
                                   "#3 Exhaust", "#4 Intake", "#4 Exhaust", "#5 Intake",
                                   "#5 Exhaust", "#6 Intake", "#6 Exhaust", "#7 Intake",
                                   "#7 Exhaust", "#8 Intake", "#8 Exhaust"};
        for (const QString &text : expected) {
            up();
            QCOMPARE(label(), text);
        }
        up();
        QCOMPARE(current_valve, 16);
        QCOMPARE(label(), QStringLiteral("#8 Exhaust"));
        down();
        QCOMPARE(label(), QStringLiteral("#8 Intake"));
    }

    void cylinderCountLimitsTheUpButton()
    {
        no_of_cyl = 4;
        for (int i = 0; i < 12; ++i)
            up();
        QCOMPARE(valve_count, 8);
        QCOMPARE(current_valve, 8);
        QCOMPARE(label(), QStringLiteral("#4 Exhaust"));

        // A count that no session can hold keeps the one in use.
        no_of_cyl = 10;
        window->valve_no_label_update();
        QCOMPARE(valve_count, 8);
        up();
        QCOMPARE(current_valve, 8);
    }

    void loweredCountAboveTheSelection()
    {
        current_valve = 12;
        no_of_cyl = 2;
        up();
        QCOMPARE(current_valve, 12);
        QCOMPARE(label(), QStringLiteral("#6 Exhaust"));
        down();
        QCOMPARE(current_valve, 11);
        QCOMPARE(label(), QStringLiteral("#6 Intake"));
    }

    void labelLeftAloneOutsideThePositions()
    {
        current_valve = 17;
        window->valve_no_label_update();
        QCOMPARE(label(), QStringLiteral("#1 Intake"));
        window->init_active_vector();
        QVERIFY(active_heights.isEmpty());
        QCOMPARE(plot()->graphCount(), 1);
        QCOMPARE(plot()->graph(0)->dataCount(), 0);
    }

    void stepAtABoundStillRefreshesTheSelection()
    {
        recordCurve(1, 100.0, 130);
        auto *gauge = widget<QwtThermo>("Thermo_2");
        gauge->setAlarmLevel(42.0);
        gauge->setValue(7.0);
        widget<QLabel>("label_20")->setText(QStringLiteral("x"));
        down();
        QCOMPARE(current_valve, 1);
        QCOMPARE(widget<QLabel>("label_20")->text(), QStringLiteral("130"));
        QCOMPARE(gauge->alarmLevel(), 0.0);
        QCOMPARE(gauge->value(), 130.0);
        QCOMPARE(active_heights, valve_heights[1]);
        QCOMPARE(plot()->graph(0)->dataCount(), 130);

        up();  // to valve 2, which has no curve
        QCOMPARE(widget<QLabel>("label_20")->text(), QStringLiteral("0"));
        QCOMPARE(gauge->value(), 0.0);
        QCOMPARE(plot()->graph(0)->dataCount(), 0);
    }

    void workingCopyIsACopy()
    {
        recordCurve(3, 100.0);
        current_valve = 3;
        window->init_active_vector();
        QCOMPARE(active_loads, valve_loads[3]);
        active_heights[0] = 9.0;
        active_loads.append(1.0);
        QVERIFY(valve_heights[3][0] != 9.0);
        QCOMPARE(valve_loads[3].size(), 120);
    }

    void heightGaugeAlarmFollowsTheSide()
    {
        in_inst_height = 1.800;
        ex_inst_height = 1.750;
        auto *gauge = widget<QwtThermo>("Thermo");
        current_valve = 5;
        window->init_active_vector();
        QCOMPARE(gauge->alarmLevel(), 1.800);
        current_valve = 6;
        window->init_active_vector();
        QCOMPARE(gauge->alarmLevel(), 1.750);
        current_valve = 0;
        window->init_active_vector();
        QCOMPARE(gauge->alarmLevel(), 1.750);
    }

    void plotAllAddsTheOtherCurvesInGrey_data()
    {
        QTest::addColumn<bool>("plotAll");
        QTest::newRow("plot all") << true;
        QTest::newRow("selected only") << false;
    }

    void plotAllAddsTheOtherCurvesInGrey()
    {
        QFETCH(bool, plotAll);
        recordCurve(1, 100.0);
        recordCurve(2, 200.0);
        recordCurve(5, 500.0);
        current_valve = 1;
        auto *button = widget<QRadioButton>("plot_all_radio_button");
        button->setChecked(!plotAll);
        button->setAutoExclusive(false);
        button->click();
        QCOMPARE(plot_all_data, plotAll);
        up();
        QCOMPARE(current_valve, 2);

        QCOMPARE(plot()->graphCount(), plotAll ? 3 : 1);
        QCOMPARE(startLoad(0), 200.0);
        QCOMPARE(plot()->graph(0)->pen().color(), QColor(Qt::blue));
        QCOMPARE(plot()->graph(0)->pen().widthF(), 2.0);
        if (plotAll) {
            QCOMPARE(startLoad(1), 100.0);
            QCOMPARE(startLoad(2), 500.0);
            QCOMPARE(plot()->graph(1)->pen().color(), QColor(Qt::gray));
            QCOMPARE(plot()->graph(2)->pen().widthF(), 1.0);
        }
    }

    void axesOnlyEverGrow()
    {
        recordCurve(1, 100.0, 200, 0.900);   // long and heavy
        recordCurve(2, 100.0, 100, 1.600);   // short and light
        window->init_active_vector();
        const QCPRange keys = plot()->xAxis->range();
        const QCPRange values = plot()->yAxis->range();
        QVERIFY(keys.lower <= 0.900 && keys.upper >= 2.0);
        QVERIFY(values.upper >= valve_loads[1].last());

        up();
        QCOMPARE(plot()->xAxis->range(), keys);
        QCOMPARE(plot()->yAxis->range(), values);
        up();  // no curve at all
        QCOMPARE(plot()->xAxis->range(), keys);
        QCOMPARE(plot()->yAxis->range(), values);
        QVERIFY(plot()->xAxis->rangeReversed());
    }

    // The captions over the plot stand on its white ground, not on the
    // window's, so they stay dark under a dark colour theme.
    void plotCaptionsDarkOnTheWhiteGround()
    {
        window.reset();
        DarkTheme theme;
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QImage shot = window->grab().toImage();
        for (const char *name : {"plot_all_radio_button", "label_19", "label_20"}) {
            QWidget *caption = widget<QWidget>(name);
            QRect text = caption->rect();
            if (auto *radio = qobject_cast<QRadioButton *>(caption)) {
                QStyleOptionButton option;
                option.initFrom(radio);
                text = radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option,
                                                      radio);
            }
            const QImage area =
                shot.copy(QRect(caption->mapTo(window.get(), text.topLeft()), text.size()));
            QVERIFY2(qGray(area.pixel(0, 0)) > 250, name);
            QVERIFY2(inkPixels(area) >= 5, qPrintable(QStringLiteral("%1: %2 dark pixels")
                                                           .arg(QLatin1String(name))
                                                           .arg(inkPixels(area))));
        }
    }
};

KESTRIX_TEST_MAIN(tst_valve_plot)
#include "tst_valve_plot.moc"
