// The system settings dialog: the form's captions and field widths, the alarm
// level's text form, what OK stores and that Cancel stores nothing.
#include "globals.h"
#include "mainwindow.h"
#include "settings_dialog.h"
#include "box_answerer.h"
#include "test_main.h"
#include "text_room.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
QLineEdit *field(QWidget *dialog, const QString &name)
{
    return dialog->findChild<QLineEdit *>(name);
}

QLineEdit *alarmField(QWidget *dialog)
{
    return field(dialog, QStringLiteral("bind_alarm_edit"));
}

QCheckBox *updateBox(QWidget *dialog)
{
    return dialog->findChild<QCheckBox *>(QStringLiteral("checkBox"));
}

void press(QWidget *dialog, QDialogButtonBox::StandardButton which)
{
    dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(which)->click();
}

// The nine company values with the fields that edit them.
QList<QPair<QString *, QString>> companyRows()
{
    return {{&company_name, QStringLiteral("comp_name_edit")},
            {&company_address, QStringLiteral("comp_address_edit")},
            {&company_city, QStringLiteral("comp_city_edit")},
            {&company_state, QStringLiteral("comp_state_edit")},
            {&company_zip, QStringLiteral("comp_zip_edit")},
            {&company_phone, QStringLiteral("comp_phone_edit")},
            {&company_web, QStringLiteral("comp_web_edit")},
            {&company_email, QStringLiteral("comp_email_edit")},
            {&company_operator, QStringLiteral("comp_operator_edit")}};
}
} // namespace

class tst_settings_dialog : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        bind_clearance_alarm = 0.08;
        bind_alarm_text.clear();
        check_updates = true;
        int i = 0;
        for (const auto &row : companyRows())
            *row.first = QStringLiteral("stored %1").arg(++i);
    }

    void formHasItsCaptionsAndWidths_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("captionText");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("width");
        QTest::newRow("name") << "label_2" << "Company Name" << "comp_name_edit" << 275;
        QTest::newRow("address") << "label_3" << "Address  " << "comp_address_edit" << 315;
        QTest::newRow("city") << "label_7" << "City  " << "comp_city_edit" << 201;
        QTest::newRow("state") << "label_8" << "State  " << "comp_state_edit" << 24;
        QTest::newRow("zip") << "label_12" << "zip  " << "comp_zip_edit" << 41;
        QTest::newRow("phone") << "label_4" << "Phone#  " << "comp_phone_edit" << 113;
        QTest::newRow("web") << "label_5" << "Company web" << "comp_web_edit" << 270;
        QTest::newRow("email") << "label_6" << "Company email" << "comp_email_edit" << 270;
        QTest::newRow("operator") << "label_11" << "Test Operator" << "comp_operator_edit" << 270;
    }
    void formHasItsCaptionsAndWidths()
    {
        QFETCH(QString, caption);
        QFETCH(QString, captionText);
        QFETCH(QString, edit);
        QFETCH(int, width);
        settings_dialog dialog;
        dialog.show();
        QLabel *label = dialog.findChild<QLabel *>(caption);
        QCOMPARE(label->text(), captionText);
        QLineEdit *line = field(&dialog, edit);
        QCOMPARE(line->width(), width);
        // The caption's last letter stands clear of its field.
        const int gap = line->x() - label->x() - label->fontMetrics().horizontalAdvance(captionText.trimmed());
        QVERIFY2(gap >= 4, qPrintable(QStringLiteral("%1 px from caption to field").arg(gap)));
        QCOMPARE(line->maxLength(), 32767);
        QVERIFY(!line->validator());
        QVERIFY(line->inputMask().isEmpty());
    }

    void formHasItsHeadingsAndAlarmRow()
    {
        settings_dialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("System Settings"));
        QCOMPARE(dialog.minimumSize(), QSize(472, 0));
        // Once laid out: rows in a larger type than the 8 pt dialog font
        // would make the dialog taller.
        dialog.show();
        QCOMPARE(dialog.size(), QSize(472, 449));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label_9"))->text(), QStringLiteral("Company Info"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label_10"))->text(),
                 QStringLiteral("(for printed reports)"));
        QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label"))->text(), QStringLiteral("Bind Height Alarm"));
        QCOMPARE(updateBox(&dialog)->text(), QStringLiteral("Check for updates on program launch"));
        QCOMPARE(alarmField(&dialog)->maximumSize(), QSize(44, 16));
        // Tab runs down the company rows and ends on the alarm.
        QWidget *w = field(&dialog, QStringLiteral("comp_name_edit"));
        QStringList order;
        for (int i = 0; i < 10; ++i) {
            order << w->objectName();
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || !qobject_cast<QLineEdit *>(w))
                w = w->nextInFocusChain();
        }
        QCOMPARE(order, (QStringList{"comp_name_edit", "comp_address_edit", "comp_city_edit", "comp_state_edit",
                                     "comp_zip_edit", "comp_phone_edit", "comp_web_edit", "comp_email_edit",
                                     "comp_operator_edit", "bind_alarm_edit"}));
    }

    // A field narrower than its usual contents scrolls them: "0.08" read as
    // ".08", "00000" as "0000".
    void fieldsShowTheirWholeText_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::newRow("state") << "comp_state_edit" << "WY";
        QTest::newRow("zip") << "comp_zip_edit" << "00000";
        QTest::newRow("phone, default") << "comp_phone_edit" << "Company Phone";
        QTest::newRow("phone, number") << "comp_phone_edit" << "(555) 555-0100";
        QTest::newRow("alarm, default") << "bind_alarm_edit" << "0.08";
        QTest::newRow("alarm, four decimals") << "bind_alarm_edit" << "0.0625";
        QTest::newRow("alarm, exponent form") << "bind_alarm_edit" << "5e-05";
    }
    void fieldsShowTheirWholeText()
    {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        settings_dialog dialog;
        dialog.show();
        QLineEdit *line = field(&dialog, edit);
        line->setText(text);
        const QString shortfall = textRoomShortfall(line, text);
        QVERIFY2(shortfall.isEmpty(), qPrintable(shortfall));
    }

    void alarmShownWithSixSignificantDigits_data()
    {
        QTest::addColumn<double>("alarm");
        QTest::addColumn<QString>("shown");
        QTest::newRow("default") << 0.08 << "0.08";
        QTest::newRow("0.2") << 0.2 << "0.2";
        QTest::newRow("0.125") << 0.125 << "0.125";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("tiny") << 0.00005 << "5e-05";
        QTest::newRow("seven digits") << 0.1234567 << "0.123457";
    }
    void alarmShownWithSixSignificantDigits()
    {
        QFETCH(double, alarm);
        QFETCH(QString, shown);
        bind_clearance_alarm = alarm;
        settings_dialog dialog;
        QCOMPARE(alarmField(&dialog)->text(), shown);
        QCOMPARE(bind_alarm_text, shown);
    }

    void okReadsAlarmTextBack_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("stored");
        QTest::addColumn<QString>("shownNext");
        QTest::newRow("exponent form") << "5e-05" << 0.00005 << "5e-05";
        QTest::newRow("plain") << "0.1" << 0.1 << "0.1";
        QTest::newRow("empty") << "" << 0.0 << "0";
        QTest::newRow("decimal comma") << "0,1" << 0.0 << "0";
        QTest::newRow("letters") << "abc" << 0.0 << "0";
        // Never an alarm level of infinity or NaN, for the pages or the file.
        QTest::newRow("infinity") << "inf" << 0.0 << "0";
        QTest::newRow("minus infinity") << "-inf" << 0.0 << "0";
        QTest::newRow("not a number") << "nan" << 0.0 << "0";
        QTest::newRow("overflow") << "1e999" << 0.0 << "0";
    }
    void okReadsAlarmTextBack()
    {
        QFETCH(QString, typed);
        QFETCH(double, stored);
        QFETCH(QString, shownNext);
        {
            settings_dialog dialog;
            alarmField(&dialog)->setText(typed);
            press(&dialog, QDialogButtonBox::Ok);
            QCOMPARE(bind_clearance_alarm, stored);
            QCOMPARE(bind_alarm_text, typed);
        }
        settings_dialog again;
        QCOMPARE(alarmField(&again)->text(), shownNext);
    }

    void okUnchangedKeepsEverything()
    {
        bind_clearance_alarm = 0.1234567;
        check_updates = false;
        const QStringList before = [] {
            QStringList texts;
            for (const auto &row : companyRows())
                texts << *row.first;
            return texts;
        }();
        settings_dialog dialog;
        dialog.show();
        press(&dialog, QDialogButtonBox::Ok);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
        // The alarm survives only to the six digits of its text.
        QCOMPARE(bind_clearance_alarm, 0.123457);
        QCOMPARE(check_updates, false);
        int i = 0;
        for (const auto &row : companyRows())
            QCOMPARE(*row.first, before.at(i++));
    }

    void okStoresCompanyTextsUntrimmed()
    {
        settings_dialog dialog;
        int i = 0;
        for (const auto &row : companyRows())
            field(&dialog, row.second)->setText(QStringLiteral("  typed %1  ").arg(++i));
        field(&dialog, QStringLiteral("comp_web_edit"))->clear();
        press(&dialog, QDialogButtonBox::Ok);
        i = 0;
        for (const auto &row : companyRows()) {
            ++i;
            if (row.second == QLatin1String("comp_web_edit"))
                QCOMPARE(*row.first, QString());
            else
                QCOMPARE(*row.first, QStringLiteral("  typed %1  ").arg(i));
        }
    }

    void updateBoxFollowsAndStoresTheSetting_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::newRow("on, then off") << true;
        QTest::newRow("off, then on") << false;
    }
    void updateBoxFollowsAndStoresTheSetting()
    {
        QFETCH(bool, stored);
        check_updates = stored;
        settings_dialog dialog;
        QCOMPARE(updateBox(&dialog)->isChecked(), stored);
        updateBox(&dialog)->setChecked(!stored);
        press(&dialog, QDialogButtonBox::Ok);
        QCOMPARE(check_updates, !stored);
    }

    void cancelAfterEditsStoresNothing_data()
    {
        QTest::addColumn<bool>("byTitleBar");
        QTest::newRow("Cancel") << false;
        QTest::newRow("title bar") << true;
    }
    void cancelAfterEditsStoresNothing()
    {
        QFETCH(bool, byTitleBar);
        bind_clearance_alarm = 0.125;
        settings_dialog dialog;
        dialog.show();
        for (const auto &row : companyRows())
            field(&dialog, row.second)->setText(QStringLiteral("edited"));
        alarmField(&dialog)->setText(QStringLiteral("0.5"));
        updateBox(&dialog)->setChecked(false);
        if (byTitleBar)
            dialog.close();
        else
            press(&dialog, QDialogButtonBox::Cancel);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(bind_clearance_alarm, 0.125);
        QCOMPARE(bind_alarm_text, QStringLiteral("0.125"));
        QCOMPARE(check_updates, true);
        int i = 0;
        for (const auto &row : companyRows())
            QCOMPARE(*row.first, QStringLiteral("stored %1").arg(++i));
    }

    // Through the "Program Settings" button: OK ends exec as Accepted with
    // the values already stored.
    // The update check is switched off for the next start: the setting
    // reaches the file at exit.
    void programSettingsButtonRunsTheDialog()
    {
        storeQuietStart();
        {
            MainWindow window;
            window.show();
            bind_clearance_alarm = 0.08;
            check_updates = true;
            settings.remove(QStringLiteral("check_updates/config/key"));

            BoxAnswerer answerer;
            answerer.queue([](QWidget *dialog) {
                QCOMPARE(alarmField(dialog)->text(), QStringLiteral("0.08"));
                alarmField(dialog)->setText(QStringLiteral("0.2"));
                field(dialog, QStringLiteral("comp_operator_edit"))->setText(QStringLiteral(" J. Smith "));
                updateBox(dialog)->setChecked(false);
                press(dialog, QDialogButtonBox::Ok);
            });
            window.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();

            QCOMPARE(answerer.seen.size(), 1);
            QCOMPARE(answerer.seen.first().className, QStringLiteral("settings_dialog"));
            QCOMPARE(bind_clearance_alarm, 0.2);
            QCOMPARE(company_operator, QStringLiteral(" J. Smith "));
            QCOMPARE(check_updates, false);
        }
        QCOMPARE(settings.value(QStringLiteral("check_updates/config/key"), true).toBool(), false);
        QCOMPARE(settings.value(QStringLiteral("company_operator/config/key")).toString(), QStringLiteral(" J. Smith "));
    }
};

KESTRIX_TEST_MAIN(tst_settings_dialog)
#include "tst_settings_dialog.moc"
