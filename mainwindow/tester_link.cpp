// Tester port discovery, the serial link and the reading pipeline.
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globals.h"
#include "tester_port.h"

#include <QColor>
#include <QDebug>
#include <QMetaEnum>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStringRef>
#include <QTextStream>
#include <QTimer>
#include <QtMath>

#include <qwt_dial_needle.h>

namespace {

// Fewer bytes than this are left waiting in the port.
constexpr qint64 min_chunk_bytes = 8;
// Height changes up to this size are treated as noise of the held value.
constexpr double dead_band = 0.001;
// Keeps the band's inclusive edge exact for readings given in decimal text.
constexpr double dead_band_slack = 1e-9;
// Above this load the text shows the load cell's display limit.
constexpr double load_text_cap = 1525.0;
// How soon a tester unplugged while its readings are held back is noticed.
constexpr int lost_link_check_ms = 50;
// A reading still under way is kept up to this size: a line that never ends
// costs no more.
constexpr int held_bytes_max = 4096;

// A number at the start of the field, as QTextStream reads it; anything that
// is not a finite number reads as 0.0, so "nan" or "inf" never reach the
// gauges or a recorded curve.
double read_number(const QStringRef &field)
{
    QString text = field.toString();
    QTextStream in(&text, QIODevice::ReadOnly);
    double value = 0.0;
    in >> value;
    if (in.status() != QTextStream::Ok || !qIsFinite(value))
        return 0.0;
    return value;
}

// A chunk can begin with the tail of an earlier reading ("9\r\n251.0"); only
// the text after the last line end belongs to this reading's load.
QStringRef current_load_field(const QStringRef &field)
{
    const int line_end = qMax(field.lastIndexOf(QLatin1Char('\n')),
                              field.lastIndexOf(QLatin1Char('\r')));
    return field.mid(line_end + 1);
}

// The open port's last error says the device has gone away.
bool is_lost(const QSerialPort *port)
{
    const QSerialPort::SerialPortError error = port->error();
    return port->isOpen() && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError);
}

QString error_name(QSerialPort::SerialPortError error)
{
    return QString::fromLatin1(
        QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(error));
}

bool is_line_end(char c)
{
    return c == '\n' || c == '\r';
}

// Drops the oldest readings until at most `bound` bytes are left, cutting at
// a line end so that what is kept begins with a whole reading.
void keep_newest_readings(QByteArray &held, int bound)
{
    if (held.size() <= bound)
        return;
    int cut = held.size() - bound;
    while (cut < held.size() && !is_line_end(held.at(cut - 1)))
        ++cut;
    while (cut < held.size() && is_line_end(held.at(cut)))
        ++cut;
    // A copy of the rest, so that a large drain does not keep its room.
    held = held.mid(cut);
}

// Just past the last line end: what follows is a reading still under way.
int whole_readings_end(const QByteArray &bytes)
{
    return qMax(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r')) + 1;
}

// Drains the port into `held`, keeping only the newest whole reading and the
// one under way after it: what the hold kept back is read when it ends, and
// only the tester as it is then may be shown or recorded. The older
// readings, a compression made behind a box perhaps, are over.
void drain_to_newest_reading(QByteArray &held, QSerialPort *port)
{
    held += port->readAll();
    int start = whole_readings_end(held);
    while (start > 0 && is_line_end(held.at(start - 1)))
        --start;
    while (start > 0 && !is_line_end(held.at(start - 1)))
        --start;
    // A copy of the rest, so that a large drain does not keep its room.
    held = held.mid(start);
    keep_newest_readings(held, held_bytes_max);
}

} // namespace

double MainWindow::retainer_thickness_of(int valve)
{
    return valve % 2 != 0 ? in_retainer_thickness : ex_retainer_thickness;
}

void MainWindow::find_tester_port()
{
    QList<tester_port::Description> ports;
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : available)
        ports.append(tester_port::describe(info));
    tester_port_name = tester_port::choose(ports, tester_port_name);
}

void MainWindow::serialConnect()
{
    // Ports of earlier attempts are let go first; the global may name a port
    // of another window, so only this window's own children are touched.
    const auto earlier = findChildren<QSerialPort *>(QString(), Qt::FindDirectChildrenOnly);
    for (QSerialPort *old : earlier) {
        old->disconnect(this);
        old->close();
        old->deleteLater();
    }

    serial_port = new QSerialPort(this);
    serial_port->setPortName(tester_port_name);
    serial_port->setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    serial_port->setDataBits(QSerialPort::Data8);
    serial_port->setParity(QSerialPort::NoParity);
    serial_port->setStopBits(QSerialPort::OneAndHalfStop);
    serial_port->setFlowControl(QSerialPort::NoFlowControl);

    if (!serial_port->open(QIODevice::ReadOnly)) {
        qDebug() << "SERIAL PORT - NOT OPENED";
        qDebug().noquote() << "error code = " + error_name(serial_port->error());
        qDebug().noquote() << "error string = " + serial_port->errorString();
        return;
    }

    qDebug() << "SERIAL PORT - OPENED";
    ui->con_status->setText(QStringLiteral("<font color='green'>Kestrix connected on port ")
                            + tester_port_name);
    ui->connect_button->hide();
    // The port tells of new data only while no slot of its ready-read is
    // running. A reading can end a stroke, and the pause and boxes that follow
    // run inside the slot; queued, the slot runs after the port's signal has
    // returned, so readings go on arriving through those waits.
    connect(serial_port, SIGNAL(readyRead()), this, SLOT(serialReceived()), Qt::QueuedConnection);

    // A vanished device is reported again on every pass of the event loop
    // until the port is closed, so the link ends at the first report.
    QSerialPort *port = serial_port;
    connect(port, &QSerialPort::errorOccurred, this, [this, port] {
        if (port == serial_port && is_lost(port))
            end_lost_link();
    });
}

// While a finished stroke is processed the port's signals are held back, its
// error reports with them; the link is then looked at on a timer instead, so
// that a tester unplugged behind a message box neither stays "connected" nor
// keeps the processor busy with its reports until the box is closed.
// The port goes on reading meanwhile, and each arrival left unread in it
// takes a block of memory of its own: a box left open over a break would
// fill the memory, and the read at its end would freeze the window. So the
// same timer drains the port, keeping only the newest reading.
void MainWindow::hold_port_signals(bool held)
{
    if (!serial_port)
        return;
    serial_port->blockSignals(held);
    if (!held) {
        if (lost_link_watch)
            lost_link_watch->stop();
        // What arrived meanwhile was not announced; it is read now instead
        // of waiting for the tester's next reading, what came after the
        // watch's last look included.
        if (serial_port->isOpen())
            drain_to_newest_reading(held_readings, serial_port);
        if (!held_readings.isEmpty())
            QMetaObject::invokeMethod(this, &MainWindow::serialReceived, Qt::QueuedConnection);
        return;
    }
    if (!lost_link_watch) {
        lost_link_watch = new QTimer(this);
        lost_link_watch->setInterval(lost_link_check_ms);
        connect(lost_link_watch, &QTimer::timeout, this, &MainWindow::watch_held_link);
    }
    lost_link_watch->start();
}

void MainWindow::watch_held_link()
{
    // A link already ended behind the box has nothing more to tell.
    if (!serial_port || !serial_port->isOpen())
        return;
    if (is_lost(serial_port)) {
        end_lost_link();
        return;
    }
    drain_to_newest_reading(held_readings, serial_port);
}

void MainWindow::end_lost_link()
{
    qDebug().noquote() << "SERIAL PORT - LOST: " + serial_port->errorString();
    // Gone with the port, as what was left unread in it is.
    held_readings.clear();
    serial_port->close();
    ui->con_status->setText(tr("Kestrix Tester Not Found"));
    ui->connect_button->show();
}

void MainWindow::on_connect_button_clicked()
{
    find_tester_port();
    serialConnect();
}

void MainWindow::serialReceived()
{
    // A call queued before the port was held back must leave the data for
    // the read that follows the hold.
    if (!serial_port || serial_port->signalsBlocked()
        || held_readings.size() + serial_port->bytesAvailable() < min_chunk_bytes)
        return;
    // What was kept came before what waits in the port.
    QByteArray chunk = held_readings + serial_port->readAll();
    // The tester's adapter hands a reading over as its bytes come off the
    // line, so a read may end inside one: a height cut short, or the first
    // digits of the next load. What follows the last line end is kept and
    // read in front of what arrives next.
    const int whole = whole_readings_end(chunk);
    held_readings = chunk.mid(whole);
    keep_newest_readings(held_readings, held_bytes_max);
    if (whole == 0)
        return;
    chunk.truncate(whole);
    rx_text = QString::fromUtf8(chunk.constData(), int(qstrnlen(chunk.constData(), uint(chunk.size()))));
    parse_tester_line();
}

void MainWindow::parse_tester_line()
{
    // One reading per chunk: only the first "|" and the number after it count.
    const int bar = rx_text.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        // No height field at all: not a reading, so nothing is recorded or shown.
        rx_text.clear();
        return;
    }
    const int height_end = rx_text.indexOf(QLatin1Char('|'), bar + 1);
    const QStringRef height_field = rx_text.midRef(bar + 1, height_end < 0 ? -1 : height_end - bar - 1);

    load_text = current_load_field(rx_text.leftRef(bar)).toString();
    raw_height = read_number(height_field);
    live_load = read_number(QStringRef(&load_text));

    if (qAbs(raw_height - prev_raw_height) <= dead_band + dead_band_slack)
        raw_height = prev_raw_height;

    uncomp_height = raw_height - snapheight + standard_data_float;

    // Only the text is capped; the dial, the recording and the overload
    // warnings keep the real load.
    if (live_load > load_text_cap)
        load_text = QStringLiteral("1525");

    comp_height = uncomp_height - retainer_thickness_of(current_valve);
    height_text.setNum(comp_height, 'f', 3);
    prev_raw_height = raw_height;
    rx_text.clear();

    record_to_array();
    update_gauges();
}

void MainWindow::update_gauges()
{
    ui->load_val_2->setText(load_text);
    ui->height_val->setText(height_text);
    ui->Thermo->setValue(comp_height);
    ui->label_67->setText(QString::number(uncomp_height, 'f', 3));

    // The dial owns the needle and deletes the one it replaces.
    ui->Dial->setNeedle(new QwtDialSimpleNeedle(QwtDialSimpleNeedle::Arrow, true, Qt::red,
                                                QColor(Qt::black).darker(200)));
    ui->Dial->setValue(live_load);

    ui->label_5->setText(QString::number(retainer_thickness_of(current_valve), 'f', 3));
}

QList<QWidget *> MainWindow::gauge_boxes() const
{
    QList<QWidget *> boxes;
    for (QWidget *label : {ui->load_val_2, ui->height_val, ui->label_67, ui->label_5}) {
        if (!boxes.contains(label->parentWidget()))
            boxes.append(label->parentWidget());
    }
    return boxes;
}

void MainWindow::on_horizontalSlider_valueChanged(int value)
{
    dialrange = value;
    ui->Dial->setUpperBound(static_cast<double>(value));
}
