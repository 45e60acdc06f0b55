#include "print_form_a.h"
#include "ui_print_form_a.h"

#include "globals.h"
#include "report_results.h"

#include <QDate>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTime>

#include <cmath>

namespace {

// Number of the first label of each result column, rows 1 Intake .. 8 Exhaust
// following it; the captions are column 0.
constexpr int caption_first_label = 33;
constexpr int result_first_label[report_quantity_count] = {78, 62, 94, 114, 130, 146, 162};

QString fixed3(double value)
{
    return QString::number(value, 'f', 3);
}

QString row_caption(int valve)
{
    return QStringLiteral("%1 %2")
        .arg((valve + 1) / 2)
        .arg(valve % 2 == 1 ? QStringLiteral("Intake") : QStringLiteral("Exhaust"));
}

QString cell_text(double value, report_quantity quantity)
{
    // A value the curve could not give is marked rather than left blank, so
    // that it cannot be read as a spring without a curve.
    if (!std::isfinite(value))
        return QStringLiteral("---");
    const bool whole = quantity == rq_seat_load || quantity == rq_open_load || quantity == rq_rate;
    return QString::number(value, 'f', whole ? 0 : 3);
}

// The smallest type an entry is set in to make it fit its room on the page;
// scaled onto a landscape sheet it still prints about five points high.
constexpr qreal smallest_point_size = 4.0;
constexpr qreal point_size_step = 0.5;

// Sets a row of labels, side by side with the given spacing, in a smaller type
// until their texts fit between the first one's left edge and right_edge
// (page coordinates).
void shrink_to_fit(const QList<QLabel *> &row, int spacing, int right_edge, const QWidget *page)
{
    const int room = right_edge - row.first()->mapTo(page, QPoint(0, 0)).x();
    const auto needed = [&row, spacing] {
        qreal width = spacing * (row.size() - 1);
        for (const QLabel *label : row)
            width += QFontMetricsF(label->font()).horizontalAdvance(label->text());
        return width;
    };
    while (needed() > room) {
        for (QLabel *label : row) {
            if (label->font().pointSizeF() - point_size_step < smallest_point_size)
                return;
        }
        for (QLabel *label : row) {
            QFont font = label->font();
            font.setPointSizeF(font.pointSizeF() - point_size_step);
            label->setFont(font);
        }
    }
}

void shrink_to_fit(QLabel *label, int right_edge, const QWidget *page)
{
    shrink_to_fit({label}, 0, right_edge, page);
}

// Notes longer than the box would be cut off without scroll bars on paper.
void shrink_to_fit(QTextBrowser *notes)
{
    QTextDocument *document = notes->document();
    const QSize room = notes->contentsRect().size();
    document->setTextWidth(room.width());
    if (document->size().height() <= room.height())
        return;
    document->setDocumentMargin(1);
    QFont font = notes->font();
    while (font.pointSizeF() - point_size_step >= smallest_point_size
           && document->size().height() > room.height()) {
        font.setPointSizeF(font.pointSizeF() - point_size_step);
        notes->setFont(font);
        document->setDefaultFont(font);
    }
}

} // namespace

print_form_a::print_form_a(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui_print_form_a)
{
    ui->setupUi(this);
    fill_header();
    fill_results();
    keep_entries_readable();
    print_report();
}

print_form_a::~print_form_a()
{
    delete ui;
}

void print_form_a::fill_header()
{
    ui->label->setText(company_name);
    ui->label_2->setText(company_address);
    ui->label_4->setText(company_city + QStringLiteral(", "));
    ui->label_5->setText(company_state);
    ui->label_6->setText(company_zip);
    ui->label_7->setText(company_phone);
    ui->label_8->setText(company_email);
    ui->label_9->setText(company_web);

    ui->label_14->setText(customer_name);
    ui->label_15->setText(engine_description);
    ui->label_16->setText(spring_part_no);
    // The notes are typed as plain text; read as HTML, a "<" or "&" in them
    // could swallow words and line breaks on the printout.
    ui->textBrowser->setPlainText(session_notes);
    ui->label_22->setText(session_file_name);
    ui->label_24->setText(session_date);

    ui->label_29->setText(fixed3(in_valve_lift));
    ui->label_30->setText(fixed3(ex_valve_lift));
    ui->label_59->setText(fixed3(in_valve_lash));
    ui->label_60->setText(fixed3(ex_valve_lash));
    ui->label_31->setText(fixed3(in_retainer_thickness));
    ui->label_32->setText(fixed3(ex_retainer_thickness));
    ui->label_112->setText(fixed3(in_deflection));
    ui->label_113->setText(fixed3(ex_deflection));

    ui->label_3->setText(QStringLiteral("Tarvell Engineering - Kestrix Software - V ")
                         + QString::number(program_version, 'f', 2));
    // The page goes onto white paper, so its texts are ink whatever colours
    // the desktop's theme gives the program.
    ui->printform->setStyleSheet(
        QStringLiteral("background-color: rgb(255, 255, 255); color: rgb(0, 0, 0)"));
    ui->label_17->setText(QDate::currentDate().toString(Qt::TextDate) + QStringLiteral(" / ")
                          + QTime::currentTime().toString(QStringLiteral("h:mm ap")));
    ui->label_20->setText(company_operator);
}

void print_form_a::keep_entries_readable()
{
    // The session block lies over the right edge of the company block, and
    // each of its columns over the right edge of the one before, so a long
    // entry would print cut off under its neighbour.
    QWidget *page = ui->printform;
    page->ensurePolished();
    for (QWidget *block : {static_cast<QWidget *>(ui->frame), ui->layoutWidget1,
                           static_cast<QWidget *>(ui->frame_3)})
        block->layout()->activate();

    const int session_block = ui->frame_2->mapTo(page, QPoint(0, 0)).x();
    for (QLabel *label : {ui->label, ui->label_2, ui->label_7, ui->label_8, ui->label_9})
        shrink_to_fit(label, session_block, page);
    shrink_to_fit({ui->label_4, ui->label_5, ui->label_6}, ui->horizontalLayout->spacing(),
                  session_block, page);

    const int date_column = ui->frame_3->mapTo(page, QPoint(0, 0)).x();
    for (QLabel *label : {ui->label_14, ui->label_15, ui->label_16})
        shrink_to_fit(label, date_column, page);

    const int page_edge = ui->frame_3->mapTo(page, QPoint(ui->frame_3->width(), 0)).x()
                          - ui->formLayout_2->contentsMargins().right();
    for (QLabel *label : {ui->label_17, ui->label_20, ui->label_22, ui->label_24})
        shrink_to_fit(label, page_edge, page);

    shrink_to_fit(ui->textBrowser);
}

void print_form_a::fill_results()
{
    static const char *const titles[] = {"Target Installed Height Report", "Target Seat Load Report",
                                         "Target Bind Clearance Report"};
    if (report_type < 1 || report_type > 3)
        return;
    ui->stackedWidget->setCurrentIndex(1);
    ui->label_61->setText(QString::fromLatin1(titles[report_type - 1]));

    prepare_report();
    for (int valve = 1; valve <= 16; ++valve) {
        if (!analyse_report_spring(valve))
            continue;
        const int row = valve - 1;
        findChild<QLabel *>(QStringLiteral("label_%1").arg(caption_first_label + row))
            ->setText(row_caption(valve));
        for (int q = 0; q < report_quantity_count; ++q) {
            const auto quantity = static_cast<report_quantity>(q);
            findChild<QLabel *>(QStringLiteral("label_%1").arg(result_first_label[q] + row))
                ->setText(cell_text(report_result(valve, quantity), quantity));
        }
    }
}

void print_form_a::print_report()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPrinterName(QStringLiteral("Printer Name"));
    QPrintDialog dialog(&printer, this);
    if (dialog.exec()) {
        QPainter painter(&printer);
        draw_page(painter, printer);
        close();
        painter.end();
    } else {
        QMessageBox::warning(this, tr("Warning"), tr("User Canceled Print"), QMessageBox::Ok);
    }
}

void print_form_a::render_page(QPrinter &printer)
{
    QPainter painter(&printer);
    draw_page(painter, printer);
}

void print_form_a::draw_page(QPainter &painter, const QPrinter &printer)
{
    const QSize size = ui->printform->size();
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const double scale = qMin(page.width() / size.width(), page.height() / size.height());
    // The painter's origin is the corner of the printable area, not of the
    // paper: taking the paper's centre as it stands would push the page off
    // centre by one margin and its bottom edge past the printable area.
    const QPoint paper_centre = printer.paperRect(QPrinter::DevicePixel).toRect().center();
    painter.translate(paper_centre - page.topLeft().toPoint());
    painter.scale(scale, scale);
    painter.translate(-size.width() / 2, -size.height() / 2);
    ui->printform->render(&painter, QPoint(0, 0), QRegion(),
                          QWidget::DrawWindowBackground | QWidget::DrawChildren);
}
