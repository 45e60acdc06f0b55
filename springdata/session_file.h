// The ".tvq" session file: a flat QDataStream of the session record and the
// sixteen spring curves, with no header. This is the one place that writes
// and reads it; the session commands and the command-line open go through
// save() and load().
#ifndef KESTRIX_SESSION_FILE_H
#define KESTRIX_SESSION_FILE_H

#include <QByteArray>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace session_file {

constexpr int valve_positions = 16;

// Everything a session file holds, in file order. Curves are indexed by
// valve position minus one.
struct Record
{
    QString session_date;
    QString customer_name;
    QString spring_part_no;
    QString engine_description;
    qint32 no_of_cyl = 0;
    double in_valve_lift = 0.0;
    double ex_valve_lift = 0.0;
    double in_valve_lash = 0.0;
    double ex_valve_lash = 0.0;
    double in_retainer_thickness = 0.0;
    double ex_retainer_thickness = 0.0;
    double in_deflection = 0.0;
    double ex_deflection = 0.0;
    QString session_notes;
    double in_inst_height = 0.0;
    double ex_inst_height = 0.0;
    double in_targ_seat_press = 0.0;
    double ex_targ_seat_press = 0.0;
    double in_targ_bind_clear = 0.0;
    double ex_targ_bind_clear = 0.0;
    QVector<double> heights[valve_positions];
    QVector<double> loads[valve_positions];
};

// The session as the program-wide variables hold it now, and back.
Record current();
void make_current(const Record &record);

QByteArray encode(const Record &record);
// Empty when the bytes are not a whole session: short, a count larger than
// what follows, a corrupt string, a curve whose heights and loads differ in
// length, far larger than any session, or a sequential device. The bounds
// are the bytes actually read, whatever size the device reports. Never
// allocates more than the input could hold.
std::optional<Record> decode(QIODevice *device);
std::optional<Record> decode(const QByteArray &bytes);

// Writes the current session to path, replacing the file only once the new
// one is complete. On failure returns false with the reason in *error.
bool save(const QString &path, QString *error);

enum class LoadResult { Loaded, CannotOpen, NotASession };
// Reads path and, only when it holds a whole session, makes it current. A
// device, pipe or socket is not a session and is never opened.
LoadResult load(const QString &path, QString *error);

// Whether any spring has been recorded: a stored curve or the working copy.
bool holds_recorded_curves();

} // namespace session_file

#endif // KESTRIX_SESSION_FILE_H
