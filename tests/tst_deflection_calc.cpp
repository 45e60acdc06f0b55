// The deflection calculator: the signed factor, what OK and Cancel keep, and
// the session dialog that OK opens.
#include "box_answerer.h"
#include "deflection_calc.h"
#include "globals.h"
#include "test_main.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>

namespace {

QLineEdit *edit(QWidget *w, const char *name)
{
    return w->findChild<QLineEdit *>(QLatin1String(name));
}

QString label(QWidget *w, const char *name)
{
    return w->findChild<QLabel *>(QLatin1String(name))->text();
}

void press(deflection_calc &calculator, QDialogButtonBox::StandardButton which)
{
    calculator.findChild<QDialogButtonBox *>()->button(which)->click();
}

} // namespace

class tst_deflection_calc : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        in_valve_lift = ex_valve_lift = in_valve_lash = ex_valve_lash = 0.0;
        in_measured_lift = ex_measured_lift = 0.0;
        in_deflection = ex_deflection = 0.0;
        show_retainer_warning = false;
    }

    void formMatchesTheLayout()
    {
        in_valve_lift = 0.58;
        in_valve_lash = 0.02;
        ex_valve_lift = 0.6;
        ex_measured_lift = 0.5375;
        deflection_calc calculator;
        QCOMPARE(calculator.windowTitle(), QStringLiteral("Calculate"));
        QCOMPARE(label(&calculator, "label"), QStringLiteral("Deflection Percentage"));
        QCOMPARE(label(&calculator, "label_8"),
                 QStringLiteral("deflection % = 100 * |theoretical lift - measured lift| / "
                                "((theoretical lift + measured lift) / 2)"));
        QCOMPARE(label(&calculator, "label_2"), QStringLiteral("Theoretical Intake Valve Lift"));
        QCOMPARE(label(&calculator, "label_7"), QStringLiteral("Measured Exhaust Valve Lift"));
        QCOMPARE(calculator.findChild<QLabel *>(QStringLiteral("label_2"))->minimumWidth(), 151);
        QCOMPARE(edit(&calculator, "lineEdit")->maximumWidth(), 50);
        auto *grid = calculator.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
        QCOMPARE(grid->columnCount(), 1);
        QCOMPARE(grid->rowCount(), 7);
        QCOMPARE(grid->itemAtPosition(6, 0)->widget(), calculator.findChild<QDialogButtonBox *>());

        // Theoretical lift is lift minus lash, stored as it is shown.
        QCOMPARE(label(&calculator, "label_4"), QStringLiteral("0.560"));
        QCOMPARE(label(&calculator, "label_5"), QStringLiteral("0.600"));
        QCOMPARE(in_theoretical_lift, 0.58 - 0.02);
        QCOMPARE(edit(&calculator, "lineEdit")->text(), QStringLiteral("0.000"));
        QCOMPARE(edit(&calculator, "lineEdit_2")->text(), QStringLiteral("0.537"));
    }

    // The formula is one 8 pt line of fixed height: the dialog opens as wide
    // as that line needs rather than cut it.
    void opensWideEnoughForTheFormula()
    {
        deflection_calc calculator;
        calculator.show();
        QCOMPARE(calculator.size(), QSize(519, 385));
        const auto *formula = calculator.findChild<QLabel *>(QStringLiteral("label_8"));
        QCOMPARE(formula->font().pointSize(), 8);
        QVERIFY2(formula->width() >= formula->sizeHint().width(),
                 qPrintable(QStringLiteral("%1 px for %2 px of text").arg(formula->width()).arg(formula->sizeHint().width())));
        QCOMPARE(formula->height(), 16);
    }

    void computesTheSignedFactor_data()
    {
        QTest::addColumn<double>("lift");
        QTest::addColumn<double>("lash");
        QTest::addColumn<QString>("measured");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QString>("shown");
        QTest::newRow("valve opens short") << 0.580 << 0.020 << "0.532"
                                           << (0.56 - 0.532) / ((0.56 + 0.532) * 0.5) * 100 << "5.128";
        QTest::newRow("as designed") << 0.560 << 0.0 << "0.56" << 0.0 << "0.000";
        QTest::newRow("valve opens further") << 0.560 << 0.0 << "0.600"
                                             << (0.56 - 0.6) / ((0.56 + 0.6) * 0.5) * 100 << "-6.897";
        QTest::newRow("no lift entered") << 0.0 << 0.0 << "0.5" << -200.0 << "-200.000";
    }
    void computesTheSignedFactor()
    {
        QFETCH(double, lift);
        QFETCH(double, lash);
        QFETCH(QString, measured);
        QFETCH(double, factor);
        QFETCH(QString, shown);
        in_valve_lift = ex_valve_lift = lift;
        in_valve_lash = ex_valve_lash = lash;
        BoxAnswerer answerer;
        QString shown_intake;
        answerer.queue([&](QWidget *w) {
            shown_intake = edit(w, "lineEdit_in_deflection")->text();
            BoxAnswerer::reject()(w);
        });
        deflection_calc calculator;
        edit(&calculator, "lineEdit")->setText(measured);
        edit(&calculator, "lineEdit_2")->setText(measured);
        const QByteArray debug_line = QByteArray::number(factor, 'g', 6);
        QTest::ignoreMessage(QtDebugMsg, debug_line.constData());
        QTest::ignoreMessage(QtDebugMsg, debug_line.constData());
        press(calculator, QDialogButtonBox::Ok);

        QCOMPARE(in_deflection, factor);
        QCOMPARE(ex_deflection, factor);
        QCOMPARE(in_measured_lift, measured.toDouble());
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].className, QStringLiteral("session_setup"));
        QCOMPARE(shown_intake, shown);
    }

    // A lift that is not a finite number is taken as not measured.
    void oneMissingLiftChangesNoFactor_data()
    {
        QTest::addColumn<QString>("intake");
        QTest::addColumn<QString>("exhaust");
        QTest::addColumn<QString>("intakeShownNext");
        QTest::addColumn<QString>("exhaustShownNext");
        QTest::newRow("empty exhaust") << "0.5" << "" << "0.500" << "0.000";
        QTest::newRow("infinite exhaust") << "0.5" << "inf" << "0.500" << "0.000";
        QTest::newRow("overflowing exhaust") << "0.5" << "1e999" << "0.500" << "0.000";
        QTest::newRow("intake not a number") << "nan" << "0.5" << "0.000" << "0.500";
        QTest::newRow("intake minus infinity") << "-inf" << "0.5" << "0.000" << "0.500";
    }
    void oneMissingLiftChangesNoFactor()
    {
        QFETCH(QString, intake);
        QFETCH(QString, exhaust);
        QFETCH(QString, intakeShownNext);
        QFETCH(QString, exhaustShownNext);
        in_deflection = 3.5;
        ex_deflection = -1.25;
        in_valve_lift = ex_valve_lift = 0.5;
        BoxAnswerer answerer;
        deflection_calc calculator;
        edit(&calculator, "lineEdit")->setText(intake);
        edit(&calculator, "lineEdit_2")->setText(exhaust);
        QTest::ignoreMessage(QtDebugMsg, "3.5");
        QTest::ignoreMessage(QtDebugMsg, "-1.25");
        press(calculator, QDialogButtonBox::Ok);
        QCOMPARE(in_measured_lift, intakeShownNext.toDouble());
        QCOMPARE(ex_measured_lift, exhaustShownNext.toDouble());
        QCOMPARE(in_deflection, 3.5);
        QCOMPARE(ex_deflection, -1.25);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].className, QStringLiteral("session_setup"));

        // The next opening shows what was stored.
        deflection_calc again;
        QCOMPARE(edit(&again, "lineEdit")->text(), intakeShownNext);
        QCOMPARE(edit(&again, "lineEdit_2")->text(), exhaustShownNext);
    }

    void sideWithoutFiniteFactorKeepsItsOwn()
    {
        in_deflection = 4.0;
        ex_deflection = 7.0;
        in_valve_lift = 0.0;
        in_valve_lash = 0.5;   // theoretical -0.5: the divisor with 0.5 is zero
        ex_valve_lift = 0.5;
        BoxAnswerer answerer;
        deflection_calc calculator;
        edit(&calculator, "lineEdit")->setText(QStringLiteral("0.5"));
        edit(&calculator, "lineEdit_2")->setText(QStringLiteral("0.5"));
        press(calculator, QDialogButtonBox::Ok);
        QCOMPARE(in_deflection, 4.0);
        QCOMPARE(ex_deflection, 0.0);
        QVERIFY(std::isfinite(in_deflection));
    }

    void cancelKeepsEverything()
    {
        in_measured_lift = 0.51;
        in_deflection = 2.0;
        in_valve_lift = 0.6;
        BoxAnswerer answerer;
        deflection_calc calculator;
        edit(&calculator, "lineEdit")->setText(QStringLiteral("0.4"));
        press(calculator, QDialogButtonBox::Cancel);
        QCOMPARE(in_measured_lift, 0.51);
        QCOMPARE(in_deflection, 2.0);
        QCOMPARE(in_theoretical_lift, 0.6);
        QVERIFY(answerer.seen.isEmpty());
    }
};

KESTRIX_TEST_MAIN(tst_deflection_calc)
#include "tst_deflection_calc.moc"
