#include "session_file.h"

#include "globals.h"
#include "typed_number.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

namespace session_file {

namespace {

// Files have always been written in Qt 5.12's stream format; reading with the
// same version keeps old and new files alike whatever the Qt runtime.
constexpr QDataStream::Version stream_version = QDataStream::Qt_5_12;
constexpr quint32 null_string_count = 0xFFFFFFFFu;
// Far above anything the program writes (a full session is about 128 KB), yet
// small enough that no count a file of this size can back outgrows Qt's
// containers or the machine's memory.
constexpr qint64 max_session_bytes = qint64(64) << 20;
// A file is read in steps of this size, so that memory follows what it holds.
constexpr qint64 read_step_bytes = qint64(64) << 10;

// Reads the items one by one and refuses any count that the rest of the
// input cannot hold, so that a damaged or hostile file costs at most its own
// size in memory. Qt's own vector operator allocates the count unchecked.
// It reads from memory only, whose size is exact.
class BoundedReader
{
public:
    explicit BoundedReader(QBuffer *device)
        : device(device)
        , stream(device)
    {
        stream.setVersion(stream_version);
    }

    bool ok() const { return !damaged && stream.status() == QDataStream::Ok; }

    BoundedReader &operator>>(QString &text)
    {
        const QByteArray head = device->peek(sizeof(quint32));
        if (head.size() < int(sizeof(quint32))) {
            damaged = true;
            return *this;
        }
        const quint32 bytes = qFromBigEndian<quint32>(head.constData());
        if (bytes != null_string_count
            && (bytes % 2 != 0 || bytes > quint64(remaining() - sizeof(quint32)))) {
            damaged = true;
            return *this;
        }
        if (ok())
            stream >> text;
        return *this;
    }

    BoundedReader &operator>>(QVector<double> &values)
    {
        values.clear();
        quint32 count = 0;
        stream >> count;
        if (!ok())
            return *this;
        if (count > quint64(remaining()) / sizeof(double)) {
            damaged = true;
            return *this;
        }
        values.resize(int(count));
        for (double &value : values)
            stream >> value;
        return *this;
    }

    template<typename Number>
    BoundedReader &operator>>(Number &number)
    {
        if (ok())
            stream >> number;
        return *this;
    }

private:
    qint64 remaining() const { return device->size() - device->pos(); }

    QBuffer *device;
    QDataStream stream;
    bool damaged = false;
};

template<typename Stream, typename R>
void transfer(Stream &stream, R &record)
{
    stream << record.session_date << record.customer_name << record.spring_part_no
           << record.engine_description << record.no_of_cyl << record.in_valve_lift
           << record.ex_valve_lift << record.in_valve_lash << record.ex_valve_lash
           << record.in_retainer_thickness << record.ex_retainer_thickness
           << record.in_deflection << record.ex_deflection << record.session_notes
           << record.in_inst_height << record.ex_inst_height << record.in_targ_seat_press
           << record.ex_targ_seat_press << record.in_targ_bind_clear
           << record.ex_targ_bind_clear;
    for (int v = 0; v < valve_positions; ++v)
        stream << record.heights[v] << record.loads[v];
}

// Lets the item list above, written once, also drive the reader.
struct ReadAdapter
{
    BoundedReader &reader;
    template<typename T>
    ReadAdapter &operator<<(T &item)
    {
        reader >> item;
        return *this;
    }
};

// No session value of the tester is infinite or undefined, yet an older
// writer could store such a number; it reads as a value not entered, as a
// typed one does, so that it is never shown, reported or saved back.
void zero_non_finite_numbers(Record &record)
{
    for (double *value : {&record.in_valve_lift, &record.ex_valve_lift, &record.in_valve_lash,
                          &record.ex_valve_lash, &record.in_retainer_thickness,
                          &record.ex_retainer_thickness, &record.in_deflection,
                          &record.ex_deflection, &record.in_inst_height, &record.ex_inst_height,
                          &record.in_targ_seat_press, &record.ex_targ_seat_press,
                          &record.in_targ_bind_clear, &record.ex_targ_bind_clear})
        *value = finite_or(*value, 0.0);
}

// A short write gives no reason; the write of the rest that follows it fails
// with the system's own (a full disk, a file too large).
bool write_whole(QFileDevice &file, const QByteArray &bytes)
{
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

Record current()
{
    Record record;
    record.session_date = session_date;
    record.customer_name = customer_name;
    record.spring_part_no = spring_part_no;
    record.engine_description = engine_description;
    record.no_of_cyl = no_of_cyl;
    record.in_valve_lift = in_valve_lift;
    record.ex_valve_lift = ex_valve_lift;
    record.in_valve_lash = in_valve_lash;
    record.ex_valve_lash = ex_valve_lash;
    record.in_retainer_thickness = in_retainer_thickness;
    record.ex_retainer_thickness = ex_retainer_thickness;
    record.in_deflection = in_deflection;
    record.ex_deflection = ex_deflection;
    record.session_notes = session_notes;
    record.in_inst_height = in_inst_height;
    record.ex_inst_height = ex_inst_height;
    record.in_targ_seat_press = in_targ_seat_press;
    record.ex_targ_seat_press = ex_targ_seat_press;
    record.in_targ_bind_clear = in_targ_bind_clear;
    record.ex_targ_bind_clear = ex_targ_bind_clear;
    for (int v = 0; v < valve_positions; ++v) {
        record.heights[v] = valve_heights[v + 1];
        record.loads[v] = valve_loads[v + 1];
    }
    return record;
}

void make_current(const Record &record)
{
    session_date = record.session_date;
    customer_name = record.customer_name;
    spring_part_no = record.spring_part_no;
    engine_description = record.engine_description;
    no_of_cyl = record.no_of_cyl;
    in_valve_lift = record.in_valve_lift;
    ex_valve_lift = record.ex_valve_lift;
    in_valve_lash = record.in_valve_lash;
    ex_valve_lash = record.ex_valve_lash;
    in_retainer_thickness = record.in_retainer_thickness;
    ex_retainer_thickness = record.ex_retainer_thickness;
    in_deflection = record.in_deflection;
    ex_deflection = record.ex_deflection;
    session_notes = record.session_notes;
    in_inst_height = record.in_inst_height;
    ex_inst_height = record.ex_inst_height;
    in_targ_seat_press = record.in_targ_seat_press;
    ex_targ_seat_press = record.ex_targ_seat_press;
    in_targ_bind_clear = record.in_targ_bind_clear;
    ex_targ_bind_clear = record.ex_targ_bind_clear;
    for (int v = 0; v < valve_positions; ++v) {
        valve_heights[v + 1] = record.heights[v];
        valve_loads[v + 1] = record.loads[v];
    }
}

QByteArray encode(const Record &record)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(stream_version);
    transfer(stream, record);
    return bytes;
}

std::optional<Record> decode(QIODevice *device)
{
    // The end of a stream is not known: it holds no session.
    if (device->isSequential())
        return std::nullopt;
    // A file may hold more than its reported size says (every file under
    // /proc reports 0) or less (one cut short on a network folder while it
    // is read), so the bounds come from the bytes actually read.
    QByteArray bytes;
    while (bytes.size() <= max_session_bytes) {
        const int had = bytes.size();
        const qint64 wanted = qMin<qint64>(read_step_bytes, max_session_bytes + 1 - had);
        bytes.resize(had + int(wanted));
        const qint64 got = device->read(bytes.data() + had, wanted);
        if (got < 0)
            return std::nullopt;
        bytes.resize(had + int(got));
        if (got == 0)
            break;
    }
    if (bytes.size() > max_session_bytes)
        return std::nullopt;
    return decode(bytes);
}

std::optional<Record> decode(const QByteArray &bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    Record record;
    BoundedReader reader(&buffer);
    ReadAdapter adapter{reader};
    transfer(adapter, record);
    if (!reader.ok())
        return std::nullopt;
    for (int v = 0; v < valve_positions; ++v) {
        if (record.heights[v].size() != record.loads[v].size())
            return std::nullopt;
    }
    zero_non_finite_numbers(record);
    return record;
}

bool save(const QString &path, QString *error)
{
    const QByteArray bytes = encode(current());
    QSaveFile file(path);
    // Written straight through: a whole session fits in the file's buffer,
    // and a disk that fills while the buffer goes out shows only inside
    // commit(), which does not report it and puts the cut file in place of
    // the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (!write_whole(file, bytes)) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

LoadResult load(const QString &path, QString *error)
{
    // Only a regular file holds a session; a pipe would even hold the program
    // in open() until something wrote to it. A directory fails to open.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir())
        return LoadResult::NotASession;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return LoadResult::CannotOpen;
    }
    const std::optional<Record> record = decode(&file);
    if (!record)
        return LoadResult::NotASession;
    make_current(*record);
    return LoadResult::Loaded;
}

bool holds_recorded_curves()
{
    if (!active_heights.isEmpty() || !active_loads.isEmpty())
        return true;
    for (int v = 1; v <= valve_positions; ++v) {
        if (!valve_heights[v].isEmpty() || !valve_loads[v].isEmpty())
            return true;
    }
    return false;
}

} // namespace session_file
