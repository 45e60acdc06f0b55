// The height calibration: what the field shows, what Set stores and captures,
// and that Cancel and the title bar store nothing.
#include "globals.h"
#include "height_cal.h"
#include "mainwindow.h"
#include "box_answerer.h"
#include "test_main.h"

#include "pty_tester.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <qwt_thermo.h>

namespace {
QLineEdit *heightField(QWidget *dialog)
{
    return dialog->findChild<QLineEdit *>(QStringLiteral("standard_height_lineEdit"));
}

void press(QWidget *dialog, const char *button)
{
    dialog->findChild<QPushButton *>(QLatin1String(button))->click();
}

QPushButton *calibrateButton(QWidget *window)
{
    return window->findChild<QPushButton *>(QStringLiteral("pushButton_2"));
}

void prepareStart()
{
    storeQuietStart();
    settings.setValue(QStringLiteral("standard_data_float/config/key"), 0.0);
    settings.setValue(QStringLiteral("snapheight/config/key"), 0.0);
}
} // namespace

class tst_height_cal : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        standard_data_float = 0.0;
        snapheight = 0.0;
        raw_height = 0.0;
    }

    void fieldShowsStandardWithThreeDecimals_data()
    {
        QTest::addColumn<double>("standard");
        QTest::addColumn<QString>("shown");
        QTest::newRow("default") << 0.0 << "0.000";
        QTest::newRow("1.5") << 1.5 << "1.500";
        QTest::newRow("rounded") << 1.23456 << "1.235";
        QTest::newRow("large") << 12.0 << "12.000";
    }
    void fieldShowsStandardWithThreeDecimals()
    {
        QFETCH(double, standard);
        QFETCH(QString, shown);
        standard_data_float = standard;
        height_cal dialog;
        QCOMPARE(heightField(&dialog)->text(), shown);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Height Calibration"));
    }

    // The caption is set large and its box is fixed: it has to hold the text.
    // The buttons are in the dialog font, not the desktop's.
    void textsFitTheDialog()
    {
        height_cal dialog;
        dialog.show();
        QCOMPARE(dialog.size(), QSize(313, 87));
        QLabel *caption = dialog.findChild<QLabel *>(QStringLiteral("label"));
        QCOMPARE(caption->text(), QStringLiteral("Standard Height: "));
        QVERIFY2(caption->width() >= caption->sizeHint().width(),
                 qPrintable(QStringLiteral("%1 px for %2 px of text").arg(caption->width()).arg(caption->sizeHint().width())));
        QCOMPARE(caption->height(), 20);
        for (const char *name : {"pushButton_2", "pushButton_3"})
            QCOMPARE(dialog.findChild<QPushButton *>(QLatin1String(name))->font().pointSize(), 8);
    }

    // The worked example: a 1.500 standard read as 1.7325 raw.
    void setStoresStandardAndCapturesRawHeight()
    {
        raw_height = 1.7325;
        height_cal dialog;
        dialog.show();
        heightField(&dialog)->setText(QStringLiteral("1.500"));
        press(&dialog, "pushButton_2");

        QCOMPARE(standard_data_float, 1.5);
        QCOMPARE(snapheight, 1.7325);
        QVERIFY(!dialog.isVisible());
    }

    void setStoresWhatIsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::newRow("more than three decimals kept") << "1.23456" << 1.23456;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("decimal comma") << "1,5" << 0.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("blanks around") << " 2.25 " << 2.25;
        QTest::newRow("infinity") << "inf" << 0.0;
        QTest::newRow("minus infinity") << "-inf" << 0.0;
        QTest::newRow("not a number") << "nan" << 0.0;
        QTest::newRow("overflow") << "1e999" << 0.0;
        QTest::newRow("largest finite") << "1e308" << 1e308;
    }
    void setStoresWhatIsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(double, stored);
        standard_data_float = 9.0;
        raw_height = 0.8123;
        height_cal dialog;
        heightField(&dialog)->setText(typed);
        press(&dialog, "pushButton_2");
        QCOMPARE(standard_data_float, stored);
        // The snap height is captured whatever the field held.
        QCOMPARE(snapheight, 0.8123);
    }

    void setBeforeAnyReadingStoresZeroSnapHeight()
    {
        snapheight = 0.75;
        height_cal dialog;
        press(&dialog, "pushButton_2");
        QCOMPARE(snapheight, 0.0);
    }

    void unchangedSetKeepsStandardToThreeDecimalsAndRecaptures()
    {
        standard_data_float = 1.23456;
        snapheight = 0.5;
        raw_height = 0.6;
        height_cal dialog;
        press(&dialog, "pushButton_2");
        QCOMPARE(standard_data_float, 1.235);
        QCOMPARE(snapheight, 0.6);
    }

    void cancelAndTitleBarStoreNothing_data()
    {
        QTest::addColumn<bool>("byTitleBar");
        QTest::newRow("Cancel") << false;
        QTest::newRow("title bar") << true;
    }
    void cancelAndTitleBarStoreNothing()
    {
        QFETCH(bool, byTitleBar);
        standard_data_float = 1.5;
        snapheight = 1.7325;
        raw_height = 1.9;
        height_cal dialog;
        dialog.show();
        heightField(&dialog)->setText(QStringLiteral("2.000"));
        if (byTitleBar)
            dialog.close();
        else
            press(&dialog, "pushButton_3");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(standard_data_float, 1.5);
        QCOMPARE(snapheight, 1.7325);
    }

    // The "Calibrate Height" button runs the dialog modally; Set ends it.
    void calibrateHeightButtonRunsTheDialog()
    {
        prepareStart();
        MainWindow window;
        window.show();
        raw_height = 1.7325;

        BoxAnswerer answerer;
        answerer.queue([](QWidget *dialog) {
            heightField(dialog)->setText(QStringLiteral("1.5"));
            press(dialog, "pushButton_2");
        });
        calibrateButton(&window)->click();

        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().className, QStringLiteral("height_cal"));
        QCOMPARE(answerer.seen.first().title, QStringLiteral("Height Calibration"));
        QCOMPARE(standard_data_float, 1.5);
        QCOMPARE(snapheight, 1.7325);
    }

    // The tester keeps reading while the dialog is open: Set captures the
    // reading taken with the standard in place, and the readings after it
    // come out offset by the calibration (the 1.500 standard read as 1.7325).
    void readingsGoOnBehindTheDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("atCapture");
        QTest::addColumn<double>("above");
        QTest::newRow("1.500 standard") << "1.500" << 1.5 << 1.5675;
        QTest::newRow("empty field") << "" << 0.0 << 0.0675;
        // Not finite: taken as no number, so the gauge and the label stay numbers.
        QTest::newRow("infinity") << "inf" << 0.0 << 0.0675;
        QTest::newRow("not a number") << "nan" << 0.0 << 0.0675;
        QTest::newRow("overflow") << "1e999" << 0.0 << 0.0675;
    }
    void readingsGoOnBehindTheDialog()
    {
        QFETCH(QString, typed);
        QFETCH(double, atCapture);
        QFETCH(double, above);
        prepareStart();
        tester_port_name.clear();
        current_valve = 1;
        in_retainer_thickness = 0.0;
        // Outlives the window, so that the terminal's number is not given to
        // another test program while the window's port still locks it.
        PtyTester tester;
        MainWindow window;
        window.show();
        if (!tester.open())
            QSKIP("no pseudo-terminal on this system");
        tester_port_name = tester.slavePath();
        window.serialConnect();
        QVERIFY(serial_port && serial_port->isOpen());
        auto *shownHeight = window.findChild<QLabel *>(QStringLiteral("label_67"));

        QVERIFY(tester.write(testerReading(120.0, 1.9)));
        QTRY_COMPARE(raw_height, 1.9);

        bool readBehind = false;
        BoxAnswerer answerer;
        answerer.queue([&](QWidget *dialog) {
            // The standard goes in while the dialog is already open.
            readBehind = tester.write(testerReading(120.0, 1.7325, 1, 4))
                && QTest::qWaitFor([&] { return raw_height == 1.7325; }, 2000)
                && shownHeight->text() == QString::number(1.7325, 'f', 3);
            heightField(dialog)->setText(typed);
            press(dialog, "pushButton_2");
        });
        calibrateButton(&window)->click();
        QVERIFY(readBehind);
        QCOMPARE(snapheight, 1.7325);
        QCOMPARE(standard_data_float, atCapture);

        QVERIFY(tester.write(testerReading(120.0, 1.8)));
        QTRY_VERIFY(qAbs(uncomp_height - above) < 1e-9);
        QVERIFY(tester.write(testerReading(120.0, 1.7325, 1, 4)));
        QTRY_COMPARE(uncomp_height, atCapture);
        QCOMPARE(shownHeight->text(), QString::number(atCapture, 'f', 3));
        QCOMPARE(window.findChild<QwtThermo *>(QStringLiteral("Thermo"))->value(), atCapture);
    }
};

KESTRIX_TEST_MAIN(tst_height_cal)
#include "tst_height_cal.moc"
