#include "stroke_generator.h"

#include "globals.h"
#include "mainwindow.h"
#include "pty_tester.h"

#include <QtMath>

#include <algorithm>
#include <iterator>

namespace {

// A release is quick: the spring springs back much faster than it was pressed.
constexpr double release_step = 0.030;
// Progressive springs stiffen as they close up; a little of that keeps the
// curve from being a straight line that would hide fitting faults.
constexpr double stiffening = 0.15;

double spring_load(const StrokeShape &shape, double height)
{
    const double travel = shape.startHeight - height;
    const double span = shape.startHeight - shape.bottomHeight;
    const double progress = span > 0.0 ? travel / span : 0.0;
    return shape.startLoad + shape.rate * travel * (1.0 + stiffening * progress);
}

} // namespace

QVector<StrokeSample> compressionStroke(const StrokeShape &shape)
{
    QVector<StrokeSample> samples;
    const int compressed = qMax(shape.compressedSamples, 1);
    samples.reserve(compressed + shape.releaseSamples + shape.unloadedReadings);
    const double step = compressed > 1 ? (shape.startHeight - shape.bottomHeight) / (compressed - 1) : 0.0;
    for (int i = 0; i < compressed; ++i) {
        const double height = shape.startHeight - i * step;
        samples.append({spring_load(shape, height), height});
    }

    // The load falls off along the spring's own curve as it extends, but
    // every release reading must stay above 10 lbs.
    const StrokeSample bottom = samples.last();
    for (int i = 1; i <= shape.releaseSamples; ++i) {
        const double height = bottom.height + i * release_step;
        const double fraction = 1.0 - double(i) / (shape.releaseSamples + 1);
        samples.append({qMax(11.0, bottom.load * fraction), height});
    }

    double height = bottom.height + (shape.releaseSamples + 1) * release_step;
    for (int i = 0; i < shape.unloadedReadings; ++i) {
        samples.append({0.0, qMin(height, shape.startHeight + 0.1)});
        height += release_step;
    }
    return samples;
}

QList<QByteArray> strokeReadings(const QVector<StrokeSample> &samples)
{
    QList<QByteArray> texts;
    texts.reserve(samples.size());
    for (const StrokeSample &sample : samples)
        texts.append(testerReading(sample.load, sample.height));
    return texts;
}

void feedReading(MainWindow &window, double load, double height)
{
    live_load = load;
    comp_height = height;
    window.record_to_array();
}

void feedStroke(MainWindow &window, const QVector<StrokeSample> &samples)
{
    for (const StrokeSample &sample : samples)
        feedReading(window, sample.load, sample.height);
}

void clearRecordingState()
{
    std::fill(std::begin(stroke_heights), std::end(stroke_heights), 0.0);
    std::fill(std::begin(stroke_loads), std::end(stroke_loads), 0.0);
    sample_count = 0;
    overload_state = 0;
    ready_to_record = false;
    test_mode = 0;
    no_of_cyl = 0;
    valve_count = 16;
    current_valve = 1;
    for (int valve = 0; valve <= 16; ++valve) {
        valve_heights[valve].clear();
        valve_loads[valve].clear();
    }
    active_heights.clear();
    active_loads.clear();
    live_load = 0.0;
    comp_height = 0.0;
}
