// Compression strokes of a valve spring as the tester reports them: the load
// rises as the height falls, then the operator lets go and the spring
// extends again until the load is gone. Use the samples directly (set
// live_load/comp_height and call record_to_array, see feedStroke) or as the
// tester's reading texts through a PtyTester.
#ifndef KESTRIX_STROKE_GENERATOR_H
#define KESTRIX_STROKE_GENERATOR_H

#include <QByteArray>
#include <QList>
#include <QVector>

class MainWindow;

struct StrokeSample
{
    double load;   // lbs
    double height; // inches
};

struct StrokeShape
{
    // Readings above 10 lbs while the spring is being compressed, heights
    // evenly spaced from startHeight down to bottomHeight.
    int compressedSamples = 150;
    double startHeight = 2.000;
    double bottomHeight = 1.150;
    double startLoad = 80.0;  // lbs at startHeight
    double rate = 400.0;      // lbs per inch at the start; stiffens slightly towards the bottom
    // Readings still above 10 lbs while the released spring extends again.
    // With none the stroke has no release point and every compressed sample
    // is stored; with one or more the stored curve stops 3 samples before
    // the bottom.
    int releaseSamples = 4;
    // Readings of an unloaded spring (0 lbs) that close the stroke.
    int unloadedReadings = 2;
};

// The loads of the compressed samples only rise and their heights only fall.
QVector<StrokeSample> compressionStroke(const StrokeShape &shape = StrokeShape());

// One reading text per sample ("<load>|<height>\r\n").
QList<QByteArray> strokeReadings(const QVector<StrokeSample> &samples);

// Hands each sample to the window as a parsed reading: sets live_load and
// comp_height and calls record_to_array.
void feedStroke(MainWindow &window, const QVector<StrokeSample> &samples);
void feedReading(MainWindow &window, double load, double height);

// Puts the recording state and the session's curves back as they are at
// start-up: no samples, record mode off, valve 1 of 16, no recorded curve.
void clearRecordingState();

#endif // KESTRIX_STROKE_GENERATOR_H
