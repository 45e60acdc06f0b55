// The session file: exact bytes on the wire, lossless round trips, and a
// reader that takes nothing from a damaged file.
#include "globals.h"
#include "session_file.h"
#include "session_wire.h"
#include "test_main.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <csignal>
#include <cstring>
#include <limits>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#endif

using session_file::Record;

namespace {

// The expected wire format, written out byte by byte independently of
// QDataStream. Remembers where each count sits so that tests can spoil it.
struct WireBytes
{
    QByteArray data;
    QList<int> count_offsets;

    WireBytes &u32(quint32 value)
    {
        char bytes[4];
        qToBigEndian(value, bytes);
        data.append(bytes, 4);
        return *this;
    }
    WireBytes &f64(double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        char bytes[8];
        qToBigEndian(bits, bytes);
        data.append(bytes, 8);
        return *this;
    }
    WireBytes &str(const QString &text)
    {
        count_offsets.append(data.size());
        if (text.isNull())
            return u32(0xFFFFFFFFu);
        u32(quint32(text.size()) * 2);
        for (const QChar c : text) {
            char bytes[2];
            qToBigEndian(c.unicode(), bytes);
            data.append(bytes, 2);
        }
        return *this;
    }
    WireBytes &vec(const QVector<double> &values)
    {
        count_offsets.append(data.size());
        u32(quint32(values.size()));
        for (double value : values)
            f64(value);
        return *this;
    }
};

WireBytes expected_bytes(const Record &r)
{
    WireBytes w;
    w.str(r.session_date).str(r.customer_name).str(r.spring_part_no).str(r.engine_description);
    w.u32(quint32(r.no_of_cyl));
    for (double value : {r.in_valve_lift, r.ex_valve_lift, r.in_valve_lash, r.ex_valve_lash,
                         r.in_retainer_thickness, r.ex_retainer_thickness, r.in_deflection,
                         r.ex_deflection})
        w.f64(value);
    w.str(r.session_notes);
    for (double value : {r.in_inst_height, r.ex_inst_height, r.in_targ_seat_press,
                         r.ex_targ_seat_press, r.in_targ_bind_clear, r.ex_targ_bind_clear})
        w.f64(value);
    for (int v = 0; v < session_file::valve_positions; ++v)
        w.vec(r.heights[v]).vec(r.loads[v]);
    return w;
}

// Every value different, so that two swapped items cannot go unnoticed.
Record sample_record(int points)
{
    Record r;
    r.session_date = QStringLiteral("Mon Dec 7 2026 / 3:07 pm");
    r.customer_name = QStringLiteral("Ødegård Motorsport");
    r.spring_part_no = QStringLiteral("PSI-1511ML ✓");
    r.engine_description = QStringLiteral("直列4気筒 2.0L");
    r.no_of_cyl = 4;
    r.in_valve_lift = 0.560;
    r.ex_valve_lift = 0.550;
    r.in_valve_lash = 0.020;
    r.ex_valve_lash = 0.022;
    r.in_retainer_thickness = 0.0625;
    r.ex_retainer_thickness = 0.0655;
    r.in_deflection = 5.128205128205128;
    r.ex_deflection = -0.0;
    r.session_notes = QStringLiteral("First line\r\nSecond line\nThird – €, Ω, 😀");
    r.in_inst_height = 1.850;
    r.ex_inst_height = 1.800;
    r.in_targ_seat_press = 120.0;
    r.ex_targ_seat_press = 125.5;
    r.in_targ_bind_clear = 0.06;
    r.ex_targ_bind_clear = 0.065;
    for (int v = 0; v < session_file::valve_positions; ++v) {
        for (int i = 0; i < points; ++i) {
            r.heights[v].append(2.0 - v * 0.01 - i * 0.001 + 1e-13 * i);
            r.loads[v].append(10.0 + v + i * 2.37);
        }
    }
    r.loads[15].last() = std::numeric_limits<double>::quiet_NaN();
    return r;
}

Record other_record()
{
    Record r;
    r.customer_name = QStringLiteral("Unchanged Customer");
    r.no_of_cyl = 8;
    r.in_retainer_thickness = 0.05;
    r.heights[2] = {1.9, 1.8};
    r.loads[2] = {50.0, 90.0};
    return r;
}

QByteArray file_bytes(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void write_file(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// A file that holds more than it reports, as every file under /proc reports
// a size of 0 and a file on a network folder can be cut short while read.
class UnderReportedFile : public QBuffer
{
public:
    explicit UnderReportedFile(const QByteArray &bytes)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return 0; }
};

// While alive, the process cannot grow by more than a few hundred megabytes,
// so a reader that allocates from a planted count fails loudly here.
class MemoryCeiling
{
public:
    MemoryCeiling()
    {
#ifdef Q_OS_LINUX
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly) || getrlimit(RLIMIT_AS, &saved) != 0)
            return;
        const rlim_t in_use = statm.readAll().split(' ').value(0).toULongLong() * 4096;
        rlimit ceiling = saved;
        ceiling.rlim_cur = in_use + (rlim_t(512) << 20);
        active = setrlimit(RLIMIT_AS, &ceiling) == 0;
#endif
    }
    ~MemoryCeiling()
    {
#ifdef Q_OS_LINUX
        if (active)
            setrlimit(RLIMIT_AS, &saved);
#endif
    }

private:
#ifdef Q_OS_LINUX
    rlimit saved{};
#endif
    bool active = false;
};

} // namespace

class tst_session_file : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    void expect_session_unchanged(const Record &before)
    {
        QCOMPARE(session_file::encode(session_file::current()), session_file::encode(before));
        QCOMPARE(customer_name.isNull(), before.customer_name.isNull());
    }

private slots:
    void init() { session_file::make_current(Record()); }

    void writesTheDocumentedBytes()
    {
        // A fresh session: five null strings and 32 empty curves.
        const QByteArray empty = session_file::encode(Record());
        QCOMPARE(empty.size(), 264);
        QCOMPARE(empty, expected_bytes(Record()).data);
        QCOMPARE(empty.left(4), QByteArray("\xFF\xFF\xFF\xFF", 4));

        const Record full = sample_record(3);
        QCOMPARE(session_file::encode(full), expected_bytes(full).data);

        // Two bytes a character, sixteen a recorded point.
        Record grown;
        grown.customer_name = QStringLiteral("abc");
        grown.heights[4] = {1.5, 1.4};
        grown.loads[4] = {100.0, 140.0};
        QCOMPARE(session_file::encode(grown).size(), 264 + 3 * 2 + 2 * 16);
    }

    void distinguishesNullFromEmptyText()
    {
        Record r;
        r.customer_name = QLatin1String("");
        const QByteArray bytes = session_file::encode(r);
        QCOMPARE(bytes.mid(4, 4), QByteArray("\0\0\0\0", 4));       // empty: count 0
        QCOMPARE(bytes.mid(8, 4), QByteArray("\xFF\xFF\xFF\xFF", 4)); // null: no count
        const auto read = session_file::decode(bytes);
        QVERIFY(read);
        QVERIFY(read->customer_name.isEmpty() && !read->customer_name.isNull());
        QVERIFY(read->spring_part_no.isNull());
    }

    void writesUnequalCurveHalvesAsTheyAre()
    {
        Record r;
        r.heights[0] = {1.5, 1.4, 1.3};
        r.loads[0] = {100.0};
        QCOMPARE(session_file::encode(r), expected_bytes(r).data);
    }

    void roundTripsEveryValueBitForBit()
    {
        const Record sample = sample_record(499);
        session_file::make_current(sample);
        QString error;
        QVERIFY2(session_file::save(path("full.tvq"), &error), qPrintable(error));
        QCOMPARE(file_bytes(path("full.tvq")), expected_bytes(sample).data);

        session_file::make_current(other_record());
        QCOMPARE(session_file::load(path("full.tvq"), &error), session_file::LoadResult::Loaded);
        QCOMPARE(session_file::encode(session_file::current()), expected_bytes(sample).data);
        QCOMPARE(session_notes, sample.session_notes);
        QCOMPARE(engine_description, sample.engine_description);
        QVERIFY(std::signbit(ex_deflection));
        QCOMPARE(valve_heights[16].size(), 499);
        QVERIFY(qIsNaN(valve_loads[16].last()));
        QCOMPARE(valve_loads[1].constFirst(), 10.0);
    }

    // A file may hold a session number that is not finite; it reads as one
    // not entered, while the other items and the curves keep their bits.
    void readsNonFiniteSessionNumbersAsZero()
    {
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        Record stored = sample_record(3);
        stored.in_valve_lift = nan;
        stored.ex_valve_lash = -inf;
        stored.ex_retainer_thickness = inf;
        stored.in_deflection = inf;
        stored.ex_inst_height = nan;
        stored.in_targ_seat_press = -nan;
        stored.ex_targ_bind_clear = inf;
        write_file(path("nonfinite.tvq"), session_file::encode(stored));

        Record expected = stored;
        expected.in_valve_lift = expected.ex_valve_lash = expected.ex_retainer_thickness = 0.0;
        expected.in_deflection = expected.ex_inst_height = expected.in_targ_seat_press = 0.0;
        expected.ex_targ_bind_clear = 0.0;
        QString error;
        QCOMPARE(session_file::load(path("nonfinite.tvq"), &error), session_file::LoadResult::Loaded);
        QCOMPARE(session_file::encode(session_file::current()), expected_bytes(expected).data);
        QVERIFY(qIsNaN(valve_loads[16].last()));
        QVERIFY(std::signbit(ex_deflection));
    }

    void takesNothingFromAFileCutAnywhere()
    {
        const Record sample = sample_record(3);
        const QByteArray whole = session_file::encode(sample);
        const Record before = other_record();
        const QString cut = path("cut.tvq");
        MemoryCeiling ceiling;
        for (int length = 0; length < whole.size(); ++length) {
            write_file(cut, whole.left(length));
            session_file::make_current(before);
            QString error;
            if (session_file::load(cut, &error) != session_file::LoadResult::NotASession)
                QFAIL(qPrintable(QStringLiteral("a file cut at %1 bytes was taken").arg(length)));
            expect_session_unchanged(before);
        }
    }

    void refusesCountsLargerThanTheFile()
    {
        const Record sample = sample_record(3);
        const WireBytes wire = expected_bytes(sample);
        const Record before = other_record();
        MemoryCeiling ceiling;
        for (int offset : wire.count_offsets) {
            const quint32 remaining = quint32(wire.data.size() - offset - 4);
            for (quint32 count : {0xFFFFFFFEu, 0x7FFFFFFFu, 0x10000000u, remaining + 2}) {
                QByteArray spoiled = wire.data;
                qToBigEndian(count, spoiled.data() + offset);
                session_file::make_current(before);
                QVERIFY(!session_file::decode(spoiled));
                write_file(path("huge.tvq"), spoiled);
                QString error;
                QCOMPARE(session_file::load(path("huge.tvq"), &error),
                         session_file::LoadResult::NotASession);
                expect_session_unchanged(before);
            }
        }
    }

    // A huge foreign file (a disk image, a video) can hold any count that its
    // own size allows; such counts outgrow Qt's containers.
    void refusesFilesFarLargerThanAnySession_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<quint32>("count");
        QTest::newRow("text of 2 GB") << 0 << 0x7FFFFFFEu;
        QTest::newRow("curve of 2 GB") << expected_bytes(Record()).count_offsets[5] << 0x10000000u;
    }
    void refusesFilesFarLargerThanAnySession()
    {
        QFETCH(int, offset);
        QFETCH(quint32, count);
        QByteArray head = session_file::encode(Record());
        qToBigEndian(count, head.data() + offset);
        const QString huge = path("huge_foreign.bin");
        {
            QFile file(huge);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(head);
            // Sparse: takes no room on the disk.
            QVERIFY(file.resize(qint64(3) << 30));
        }
        const Record before = other_record();
        session_file::make_current(before);
        MemoryCeiling ceiling;
        QString error;
        const auto result = session_file::load(huge, &error);
        QFile::remove(huge);
        QCOMPARE(result, session_file::LoadResult::NotASession);
        expect_session_unchanged(before);
    }

    // Counts are bounded by the bytes actually there: a count the file
    // cannot back is refused even where the reported size says nothing.
    void boundsCountsByTheBytesReadNotTheReportedSize()
    {
        const Record sample = sample_record(3);
        const WireBytes wire = expected_bytes(sample);
        UnderReportedFile whole(wire.data);
        const auto read = session_file::decode(&whole);
        QVERIFY(read);
        QCOMPARE(session_file::encode(*read), session_file::encode(sample));

        MemoryCeiling ceiling;
        for (int offset : wire.count_offsets) {
            for (quint32 count : {0xFFFFFFF0u, 0x08000000u}) {
                QByteArray spoiled = wire.data;
                qToBigEndian(count, spoiled.data() + offset);
                UnderReportedFile file(spoiled);
                QVERIFY(!session_file::decode(&file));
            }
        }
    }

    void refusesCurvesWhoseHalvesDiffer()
    {
        for (int v = 0; v < session_file::valve_positions; ++v) {
            Record r = sample_record(2);
            r.loads[v].removeLast();
            QVERIFY2(!session_file::decode(session_file::encode(r)),
                     qPrintable(QStringLiteral("valve %1").arg(v + 1)));
        }
        // Equal halves, however short, are a curve.
        QVERIFY(session_file::decode(session_file::encode(sample_record(1))));
    }

    void refusesStringsOfOddByteCount()
    {
        QByteArray bytes = session_file::encode(Record());
        bytes.replace(0, 4, QByteArray("\0\0\0\x03", 4));
        bytes.insert(4, QByteArray("\0A\0", 3));
        QVERIFY(!session_file::decode(bytes));
    }

    void replaysTheSeedCorpus()
    {
        const QDir corpus(QStringLiteral(KESTRIX_TEST_DATA_DIR "/session_corpus"));
        const QStringList files = corpus.entryList(QDir::Files);
        QVERIFY(files.size() >= 10);
        const QStringList whole_sessions = {
            QStringLiteral("empty_session.tvq"), QStringLiteral("empty_strings.tvq"),
            QStringLiteral("recorded_session.tvq"), QStringLiteral("trailing_bytes.tvq")};
        MemoryCeiling ceiling;
        for (const QString &name : files) {
            const QByteArray bytes = file_bytes(corpus.filePath(name));
            const auto record = session_file::decode(bytes);
            // What is taken must be exactly what the file holds.
            if (record)
                QVERIFY2(bytes_as_taken(bytes, *record).startsWith(session_file::encode(*record)),
                         qPrintable(name));
            if (whole_sessions.contains(name))
                QVERIFY2(record, qPrintable(name));
            else if (name.endsWith(QLatin1String(".tvq")))
                QVERIFY2(!record, qPrintable(name));
        }
        const auto recorded = session_file::decode(file_bytes(corpus.filePath(whole_sessions[2])));
        QCOMPARE(recorded->customer_name, QStringLiteral("Smith Racing"));
        QCOMPARE(recorded->heights[3].size(), 120);
    }

    void reportsFilesThatCannotBeOpened()
    {
        session_file::make_current(other_record());
        QString error;
        QCOMPARE(session_file::load(path("missing.tvq"), &error),
                 session_file::LoadResult::CannotOpen);
        QVERIFY(!error.isEmpty());
        expect_session_unchanged(other_record());
    }

    void failedSaveKeepsThePreviousFile()
    {
        QString error;
        QVERIFY(!session_file::save(path("no/such/folder/x.tvq"), &error));
        QVERIFY(!error.isEmpty());

        const QString target = path("previous.tvq");
        write_file(target, QByteArray("previous contents"));
        session_file::make_current(sample_record(499));
#ifdef Q_OS_LINUX
        // A file-size limit stands in for a full disk, which even root cannot bypass.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &small);
        error.clear();
        const bool saved_ok = session_file::save(target, &error);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!saved_ok);
        QVERIFY(!error.isEmpty());
        QCOMPARE(file_bytes(target), QByteArray("previous contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral("previous")),
                 QStringList{QStringLiteral("previous.tvq")});
#endif
    }

    void knowsWhenSpringsAreRecorded()
    {
        QVERIFY(!session_file::holds_recorded_curves());
        for (int v = 1; v <= 16; ++v) {
            valve_loads[v] = {100.0};
            QVERIFY(session_file::holds_recorded_curves());
            valve_loads[v].clear();
        }
        active_loads = {100.0};
        QVERIFY(session_file::holds_recorded_curves());
        active_loads.clear();
        QVERIFY(!session_file::holds_recorded_curves());
    }
};

KESTRIX_TEST_MAIN(tst_session_file)
#include "tst_session_file.moc"
