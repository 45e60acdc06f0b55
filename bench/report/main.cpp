// Time to build and print the report of a full 8-cylinder session: the
// per-spring analysis alone, the page drawn onto a PDF printer, and the whole
// print (fill, print dialog confirmed at once, render).
#include "globals.h"
#include "print_form_a.h"
#include "print_to_pdf.h"
#include "report_results.h"
#include "test_main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cmath>

namespace {

// A plausible stroke: free height near 2.1 in, compressed to about 1.0 in,
// a slightly progressive rate and a little reading noise.
void store_session()
{
    for (int valve = 1; valve <= 16; ++valve) {
        const int samples = 260 + 12 * valve;
        const double free_height = 2.10 + 0.002 * (valve % 5);
        const double rate = 290.0 + 3.0 * valve;
        valve_heights[valve].clear();
        valve_loads[valve].clear();
        for (int i = 0; i < samples; ++i) {
            const double height = free_height - 1.1 * i / (samples - 1);
            const double travel = free_height - height;
            const double noise = 0.3 * std::sin(i * 1.7 + valve);
            valve_heights[valve].append(height);
            valve_loads[valve].append(rate * travel + 40.0 * travel * travel + noise);
        }
    }
    in_valve_lift = 0.650;
    ex_valve_lift = 0.630;
    in_valve_lash = 0.016;
    ex_valve_lash = 0.018;
    in_deflection = 4.0;
    ex_deflection = 3.5;
    in_retainer_thickness = 0.060;
    ex_retainer_thickness = 0.060;
    in_inst_height = 1.900;
    ex_inst_height = 1.880;
    company_name = QStringLiteral("Ridgeway Engine Builders");
    company_address = QStringLiteral("14 Foundry Lane");
    company_city = QStringLiteral("Dayton");
    company_state = QStringLiteral("OH");
    company_zip = QStringLiteral("45402");
    company_phone = QStringLiteral("(937) 555-0142");
    company_email = QStringLiteral("shop@ridgeway.example");
    company_web = QStringLiteral("www.ridgeway.example");
    company_operator = QStringLiteral("M. Okafor");
    customer_name = QStringLiteral("J. Alvarez Racing");
    engine_description = QStringLiteral("427 small block, solid roller");
    spring_part_no = QStringLiteral("PAC-1218X");
    session_notes = QStringLiteral("Intake springs shimmed 0.030. Exhaust #6 replaced after test.");
    session_file_name = QStringLiteral("C:/Users/shop/Documents/alvarez_427.tvq");
    session_date = QStringLiteral("Mon Dec 7 2026 / 8:15 am");
    report_type = 1;
}

// Confirms the print dialog as soon as it is up, printing to the file and
// never to a printer of the machine's.
void answer_print_dialog(const QString &path)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, path] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (!printToPdfFile(dialog, path))
            qFatal("the print dialog offers no file printer: nothing to time");
        timer->deleteLater();
    });
    timer->start(0);
}

} // namespace

int main(int argc, char *argv[])
{
    kestrixInitResources();
    start_up_before_application();
    QApplication app(argc, argv);
    start_up_application();
    QTextStream out(stdout);
    // Without a path the report goes to a folder of its own, removed at the end.
    QTemporaryDir scratch;
    const QString pdf = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : scratch.filePath(QStringLiteral("report_bench.pdf"));
    if (argc <= 1 && !scratch.isValid()) {
        out << "no temporary folder for the report: " << scratch.errorString() << "\n";
        return 1;
    }
    store_session();

    const int analysis_runs = 200;
    QElapsedTimer clock;
    clock.start();
    for (int run = 0; run < analysis_runs; ++run) {
        prepare_report();
        for (int valve = 1; valve <= 16; ++valve)
            analyse_report_spring(valve);
    }
    out << "analysis of 16 springs: " << double(clock.nsecsElapsed()) / 1e6 / analysis_runs
        << " ms\n";

    const int print_runs = 10;
    qint64 whole = 0;
    qint64 render = 0;
    for (int run = 0; run < print_runs; ++run) {
        answer_print_dialog(pdf);
        clock.restart();
        print_form_a page;
        whole += clock.nsecsElapsed();

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageOrientation(QPageLayout::Landscape);
        clock.restart();
        page.render_page(printer);
        render += clock.nsecsElapsed();
    }
    out << "render of the page to PDF: " << double(render) / 1e6 / print_runs << " ms\n";
    out << "fill, print dialog and render to PDF: " << double(whole) / 1e6 / print_runs
        << " ms\n";
    if (argc > 1)
        out << "last report: " << pdf << "\n";
    return 0;
}
