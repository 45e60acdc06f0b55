// The session dialog: how it shows and stores the session, the retainer
// question that guards recorded curves, the reminder, and the chain through
// the deflection calculator.
#include "box_answerer.h"
#include "globals.h"
#include "session_file.h"
#include "session_setup.h"
#include "test_main.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString data_changed_text = QStringLiteral(
    "If you change retainer thickness\nyou will have to re-test all springs.\n"
    "Selecting yes will clear all recorded spring data.\nDo you wish to continue?");

QLineEdit *edit(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}

// Clicks later, from the event loop, so that a dialog opened by the click is
// answered too (the answering timer does not run inside its own handler).
void click_later(QWidget *dialog, const char *button)
{
    QMetaObject::invokeMethod(dialog->findChild<QPushButton *>(QLatin1String(button)), "click",
                              Qt::QueuedConnection);
}

void record_curves()
{
    for (int v = 1; v <= 16; ++v) {
        valve_heights[v] = {1.9, 1.8};
        valve_loads[v] = {80.0, 120.0};
    }
}

bool all_curves_empty()
{
    for (int v = 1; v <= 16; ++v) {
        if (!valve_heights[v].isEmpty() || !valve_loads[v].isEmpty())
            return false;
    }
    return true;
}

} // namespace

class tst_session_setup : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        session_file::make_current(session_file::Record());
        active_heights.clear();
        active_loads.clear();
        show_retainer_warning = false;
        in_measured_lift = ex_measured_lift = 0.0;
    }

    void formMatchesTheLayout()
    {
        session_setup dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Session Settings"));
        QCOMPARE(dialog.size(), QSize(450, 617));
        QCOMPARE(dialog.minimumWidth(), 450);
        QCOMPARE(dialog.font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(edit(&dialog, "lineEdit_customer_name")->maximumSize(), QSize(160, 24));
        QCOMPARE(edit(&dialog, "lineEdit_4_no_of_cyl")->maximumSize(), QSize(25, 24));
        QCOMPARE(edit(&dialog, "lineEdit_ex_deflection")->maximumSize(), QSize(50, 24));
        auto *notes = dialog.findChild<QPlainTextEdit *>(QStringLiteral("lineEdit_11_notes"));
        QCOMPARE(notes->geometry(), QRect(100, 470, 251, 101));
        QCOMPARE(notes->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(notes->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        auto *calculate = dialog.findChild<QPushButton *>(QStringLiteral("pushButton"));
        QCOMPARE(calculate->text(), QStringLiteral("Calculate"));
        QCOMPARE(calculate->geometry(), QRect(370, 360, 71, 23));
        QVERIFY(calculate->font().bold());
        auto *heading = dialog.findChild<QLabel *>(QStringLiteral("label"));
        QCOMPARE(heading->text(), QStringLiteral("Session Setup"));
        QCOMPARE(heading->font().pointSize(), 14);
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label_12"))->text(),
                 QStringLiteral("Intake Valve Lash:"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label_17"))->text(),
                 QStringLiteral("Be sure to set retainer thickness before testing springs.\n"
                                "This is the only perameter that cannot be changed\n"
                                "later without re-testing all springs."));

        const QStringList tab_order = {
            "lineEdit_customer_name", "lineEdit_2_springPart_no", "lineEdit_3_engine_des",
            "lineEdit_4_no_of_cyl", "lineEdit_5_in_valve_lift", "lineEdit_6_ex_valve_lift",
            "lineEdit_int_valve_lash", "lineEdit_ex_valve_lash", "lineEdit_9_in_retainer_thickness",
            "lineEdit_10_ex_retainer_thickness", "lineEdit_in_deflection", "lineEdit_ex_deflection",
            "lineEdit_11_notes", "pushButton_ok", "pushButton_cancel"};
        QWidget *w = edit(&dialog, "lineEdit_customer_name");
        for (const QString &expected : tab_order) {
            QCOMPARE(w->objectName(), expected);
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus) || w->objectName() == QLatin1String("pushButton"));
        }
    }

    void showsTheSession()
    {
        no_of_cyl = 6;
        in_valve_lift = 0.56;
        ex_valve_lash = 0.0225;
        in_retainer_thickness = 0.0625;
        in_deflection = 5.128205;
        ex_deflection = -6.8966;
        customer_name = QStringLiteral("Ødegård");
        session_notes = QStringLiteral("one\ntwo");
        session_setup dialog;
        QCOMPARE(edit(&dialog, "lineEdit_4_no_of_cyl")->text(), QStringLiteral("6"));
        QCOMPARE(edit(&dialog, "lineEdit_5_in_valve_lift")->text(), QStringLiteral("0.560"));
        QCOMPARE(edit(&dialog, "lineEdit_6_ex_valve_lift")->text(), QStringLiteral("0.000"));
        QCOMPARE(edit(&dialog, "lineEdit_ex_valve_lash")->text(), QStringLiteral("0.022"));
        QCOMPARE(edit(&dialog, "lineEdit_9_in_retainer_thickness")->text(), QStringLiteral("0.063"));
        QCOMPARE(edit(&dialog, "lineEdit_in_deflection")->text(), QStringLiteral("5.128"));
        QCOMPARE(edit(&dialog, "lineEdit_ex_deflection")->text(), QStringLiteral("-6.897"));
        QCOMPARE(edit(&dialog, "lineEdit_customer_name")->text(), QStringLiteral("Ødegård"));
        QCOMPARE(dialog.findChild<QPlainTextEdit *>()->toPlainText(), QStringLiteral("one\ntwo"));
    }

    void okStoresTheFields_data()
    {
        QTest::addColumn<QString>("cylinders");
        QTest::addColumn<int>("storedCylinders");
        QTest::addColumn<QString>("lift");
        QTest::addColumn<double>("storedLift");
        QTest::newRow("plain") << "4" << 4 << "0.612" << 0.612;
        QTest::newRow("word") << "eight" << 0 << "abc" << 0.0;
        QTest::newRow("negative") << "-3" << 0 << "-0.5" << -0.5;
        QTest::newRow("empty") << "" << 0 << "" << 0.0;
        QTest::newRow("decimal comma") << "4.0" << 0 << "0,5" << 0.0;
    }
    void okStoresTheFields()
    {
        QFETCH(QString, cylinders);
        QFETCH(int, storedCylinders);
        QFETCH(QString, lift);
        QFETCH(double, storedLift);
        no_of_cyl = 9;
        BoxAnswerer answerer;
        answerer.queue([&](QWidget *w) {
            edit(w, "lineEdit_customer_name")->setText(QStringLiteral("Customer"));
            edit(w, "lineEdit_2_springPart_no")->setText(QStringLiteral("P-1"));
            edit(w, "lineEdit_3_engine_des")->setText(QStringLiteral("V8"));
            edit(w, "lineEdit_4_no_of_cyl")->setText(cylinders);
            edit(w, "lineEdit_5_in_valve_lift")->setText(lift);
            edit(w, "lineEdit_6_ex_valve_lift")->setText(QStringLiteral("0.55"));
            edit(w, "lineEdit_int_valve_lash")->setText(QStringLiteral("0.02"));
            edit(w, "lineEdit_ex_valve_lash")->setText(QStringLiteral("0.022"));
            edit(w, "lineEdit_9_in_retainer_thickness")->setText(QStringLiteral("0.0625"));
            edit(w, "lineEdit_10_ex_retainer_thickness")->setText(QStringLiteral("0.07"));
            edit(w, "lineEdit_in_deflection")->setText(QStringLiteral("4.5"));
            edit(w, "lineEdit_ex_deflection")->setText(QStringLiteral("-2"));
            w->findChild<QPlainTextEdit *>()->setPlainText(QStringLiteral("a\nb"));
            click_later(w, "pushButton_ok");
        });
        session_setup dialog;
        dialog.exec();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(no_of_cyl, storedCylinders);
        QCOMPARE(in_valve_lift, storedLift);
        QCOMPARE(customer_name, QStringLiteral("Customer"));
        QCOMPARE(spring_part_no, QStringLiteral("P-1"));
        QCOMPARE(engine_description, QStringLiteral("V8"));
        QCOMPARE(ex_valve_lift, 0.55);
        QCOMPARE(in_valve_lash, 0.02);
        QCOMPARE(ex_valve_lash, 0.022);
        QCOMPARE(in_retainer_thickness, 0.0625);
        QCOMPARE(ex_retainer_thickness, 0.07);
        QCOMPARE(in_deflection, 4.5);
        QCOMPARE(ex_deflection, -2.0);
        QCOMPARE(session_notes, QStringLiteral("a\nb"));
    }

    // Whatever is typed, the session (and so its file) gets no infinity or
    // NaN; and since the thickness typed counts as 0, as it is stored, it is
    // no change against a stored 0 and does not put recorded curves at risk.
    void nonFiniteTextsStoreZero_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("infinity") << "inf";
        QTest::newRow("minus infinity") << "-inf";
        QTest::newRow("not a number") << "nan";
        QTest::newRow("overflow") << "1e999";
    }
    void nonFiniteTextsStoreZero()
    {
        QFETCH(QString, typed);
        no_of_cyl = 4;
        in_valve_lift = ex_valve_lift = 0.5;
        in_valve_lash = ex_valve_lash = 0.02;
        in_deflection = ex_deflection = 3.0;
        in_retainer_thickness = ex_retainer_thickness = 0.0;
        active_loads = {100.0};
        record_curves();
        const char *const numberFields[] = {
            "lineEdit_4_no_of_cyl", "lineEdit_5_in_valve_lift", "lineEdit_6_ex_valve_lift",
            "lineEdit_int_valve_lash", "lineEdit_ex_valve_lash", "lineEdit_9_in_retainer_thickness",
            "lineEdit_10_ex_retainer_thickness", "lineEdit_in_deflection", "lineEdit_ex_deflection"};
        BoxAnswerer answerer;
        answerer.queue([&](QWidget *w) {
            for (const char *name : numberFields)
                edit(w, name)->setText(typed);
            click_later(w, "pushButton_ok");
        });
        {
            session_setup dialog;
            dialog.exec();
        }
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(valve_loads[16].size(), 2);

        const session_file::Record stored = session_file::current();
        QCOMPARE(stored.no_of_cyl, 0);
        for (double value : {stored.in_valve_lift, stored.ex_valve_lift, stored.in_valve_lash,
                             stored.ex_valve_lash, stored.in_retainer_thickness,
                             stored.ex_retainer_thickness, stored.in_deflection,
                             stored.ex_deflection})
            QCOMPARE(value, 0.0);

        session_setup again;
        for (const char *name : numberFields)
            QCOMPARE(edit(&again, name)->text(),
                     QLatin1String(name) == QLatin1String("lineEdit_4_no_of_cyl")
                         ? QStringLiteral("0") : QStringLiteral("0.000"));
    }

    void cancelStoresNothing()
    {
        customer_name = QStringLiteral("Before");
        in_valve_lift = 0.5;
        BoxAnswerer answerer;
        answerer.queue([](QWidget *w) {
            edit(w, "lineEdit_customer_name")->setText(QStringLiteral("After"));
            edit(w, "lineEdit_5_in_valve_lift")->setText(QStringLiteral("0.7"));
            click_later(w, "pushButton_cancel");
        });
        session_setup dialog;
        dialog.exec();
        QCOMPARE(customer_name, QStringLiteral("Before"));
        QCOMPARE(in_valve_lift, 0.5);
    }

    void noKeepsThicknessAndCurves()
    {
        in_retainer_thickness = 0.0625;
        active_loads = {100.0};
        active_heights = {1.8};
        record_curves();
        BoxAnswerer answerer;
        session_setup dialog;
        dialog.show();
        edit(&dialog, "lineEdit_customer_name")->setText(QStringLiteral("Edited"));

        // Shown as 0.063, which differs from what is stored.
        answerer.queue(BoxAnswerer::click(QMessageBox::No));
        dialog.findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->click();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Data Has Changed"));
        QCOMPARE(answerer.seen[0].text, data_changed_text);
        QVERIFY(dialog.isVisible());
        QCOMPARE(edit(&dialog, "lineEdit_9_in_retainer_thickness")->text(), QStringLiteral("0.0625"));
        QCOMPARE(edit(&dialog, "lineEdit_10_ex_retainer_thickness")->text(), QStringLiteral("0"));
        QCOMPARE(edit(&dialog, "lineEdit_customer_name")->text(), QStringLiteral("Edited"));
        QVERIFY(customer_name.isEmpty());
        QCOMPARE(valve_loads[16].size(), 2);

        dialog.findChild<QPushButton *>(QStringLiteral("pushButton_ok"))->click();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(customer_name, QStringLiteral("Edited"));
        QCOMPARE(in_retainer_thickness, 0.0625);
        QCOMPARE(valve_loads[16].size(), 2);
    }

    void yesClearsTheCurvesAndStores_data()
    {
        QTest::addColumn<bool>("workingCopy");
        QTest::newRow("working copy holds data") << true;
        QTest::newRow("only stored curves") << false;
    }
    void yesClearsTheCurvesAndStores()
    {
        QFETCH(bool, workingCopy);
        ex_retainer_thickness = 0.05;
        if (workingCopy)
            active_loads = {100.0};
        record_curves();
        BoxAnswerer answerer;
        answerer.queue([](QWidget *w) {
            edit(w, "lineEdit_10_ex_retainer_thickness")->clear();
            click_later(w, "pushButton_ok");
        });
        answerer.queue(BoxAnswerer::click(QMessageBox::Yes));
        session_setup dialog;
        dialog.exec();
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Data Has Changed"));
        QCOMPARE(ex_retainer_thickness, 0.0);
        QVERIFY(all_curves_empty());
        QCOMPARE(active_loads.size(), workingCopy ? 1 : 0);
    }

    void thicknessChangesFreelyWithoutCurves()
    {
        BoxAnswerer answerer;
        answerer.queue([](QWidget *w) {
            edit(w, "lineEdit_9_in_retainer_thickness")->setText(QStringLiteral("0.08"));
            click_later(w, "pushButton_ok");
        });
        session_setup dialog;
        dialog.exec();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(in_retainer_thickness, 0.08);
    }

    void reminderComesFirstOnlyBeforeTesting_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("workingCopy");
        QTest::addColumn<bool>("shown");
        QTest::newRow("enabled, nothing recorded") << true << false << true;
        QTest::newRow("enabled, working copy") << true << true << false;
        QTest::newRow("disabled") << false << false << false;
    }
    void reminderComesFirstOnlyBeforeTesting()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, workingCopy);
        QFETCH(bool, shown);
        show_retainer_warning = enabled;
        if (workingCopy)
            active_loads = {100.0};
        BoxAnswerer answerer;
        session_setup dialog;
        QCOMPARE(answerer.seen.size(), shown ? 1 : 0);
        if (shown)
            QCOMPARE(answerer.seen[0].className, QStringLiteral("retainer_warning"));
    }

    void calculateRunsTheChain()
    {
        in_deflection = 1.0;
        ex_deflection = 2.0;
        BoxAnswerer answerer;
        answerer.queue([](QWidget *w) {
            edit(w, "lineEdit_5_in_valve_lift")->setText(QStringLiteral("0.580"));
            edit(w, "lineEdit_int_valve_lash")->setText(QStringLiteral("0.020"));
            edit(w, "lineEdit_6_ex_valve_lift")->setText(QStringLiteral("0.560"));
            edit(w, "lineEdit_in_deflection")->setText(QStringLiteral("99"));
            edit(w, "lineEdit_9_in_retainer_thickness")->setText(QStringLiteral("0.07"));
            click_later(w, "pushButton");
        });
        QString calculator_intake;
        answerer.queue([&](QWidget *w) {
            calculator_intake = w->findChild<QLabel *>(QStringLiteral("label_4"))->text();
            w->findChild<QLineEdit *>(QStringLiteral("lineEdit"))->setText(QStringLiteral("0.532"));
            w->findChild<QLineEdit *>(QStringLiteral("lineEdit_2"))->setText(QStringLiteral("0.560"));
            QMetaObject::invokeMethod(
                w->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), "click",
                Qt::QueuedConnection);
        });
        QString shown_intake, shown_exhaust;
        answerer.queue([&](QWidget *w) {
            shown_intake = edit(w, "lineEdit_in_deflection")->text();
            shown_exhaust = edit(w, "lineEdit_ex_deflection")->text();
            click_later(w, "pushButton_cancel");
        });
        session_setup dialog;
        dialog.exec();

        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen[1].className, QStringLiteral("deflection_calc"));
        QCOMPARE(answerer.seen[2].className, QStringLiteral("session_setup"));
        QCOMPARE(calculator_intake, QStringLiteral("0.560"));
        QCOMPARE(in_valve_lift, 0.58);
        QCOMPARE(in_retainer_thickness, 0.07);
        QCOMPARE(shown_intake, QStringLiteral("5.128"));
        QCOMPARE(shown_exhaust, QStringLiteral("0.000"));
        QVERIFY(!dialog.isVisible());
    }

    void calculateAsksBeforeAThicknessChange()
    {
        in_retainer_thickness = 0.05;
        in_valve_lift = 0.5;
        active_loads = {100.0};
        record_curves();
        BoxAnswerer answerer;
        session_setup dialog;
        dialog.show();
        edit(&dialog, "lineEdit_9_in_retainer_thickness")->setText(QStringLiteral("0.06"));
        edit(&dialog, "lineEdit_5_in_valve_lift")->setText(QStringLiteral("0.6"));

        answerer.queue(BoxAnswerer::click(QMessageBox::No));
        dialog.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Data Has Changed"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(edit(&dialog, "lineEdit_9_in_retainer_thickness")->text(), QStringLiteral("0.05"));
        QCOMPARE(in_valve_lift, 0.5);
        QCOMPARE(valve_loads[1].size(), 2);

        edit(&dialog, "lineEdit_9_in_retainer_thickness")->setText(QStringLiteral("0.06"));
        answerer.queue(BoxAnswerer::click(QMessageBox::Yes));
        answerer.queue(BoxAnswerer::reject());
        dialog.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();
        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen[2].className, QStringLiteral("deflection_calc"));
        QCOMPARE(in_retainer_thickness, 0.06);
        QCOMPARE(in_valve_lift, 0.6);
        QVERIFY(all_curves_empty());
    }
};

KESTRIX_TEST_MAIN(tst_session_setup)
#include "tst_session_setup.moc"
