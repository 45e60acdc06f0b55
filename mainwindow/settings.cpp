// Moving the settings between the INI store and the program-wide values.
#include "mainwindow.h"

#include "globals.h"
#include "typed_number.h"

#include <QByteArray>

namespace {
const QString key_geometry = QStringLiteral("mainWindowGeometry");
const QString key_state = QStringLiteral("mainWindowState");
} // namespace

void MainWindow::read_settings()
{
    restoreGeometry(settings.value(key_geometry, QByteArray()).toByteArray());
    restoreState(settings.value(key_state, QByteArray()).toByteArray(), 0);
    standard_data_float = stored_double(settings, settings_key("standard_data_float"), 0.0);
    snapheight = stored_double(settings, settings_key("snapheight"), 0.0);
    dialrange = settings.value(settings_key("dialrange"), 800).toInt();
    plot_all_data = settings.value(settings_key("plot_all_data"), true).toBool();
    bind_clearance_alarm = stored_double(settings, settings_key("bind_clearance_alarm"), 0.08);
    show_retainer_warning = settings.value(settings_key("retainer_warning"), true).toBool();
    company_name = settings.value(settings_key("company_name"), QStringLiteral("Your Company Name")).toString();
    company_address = settings.value(settings_key("company_address"), QStringLiteral("Your Company Address")).toString();
    company_city = settings.value(settings_key("company_city"), QStringLiteral("City")).toString();
    company_state = settings.value(settings_key("company_state"), QStringLiteral("ST")).toString();
    company_zip = settings.value(settings_key("company_zip"), QStringLiteral("00000")).toString();
    company_phone = settings.value(settings_key("company_phone"), QStringLiteral("Company Phone")).toString();
    company_web = settings.value(settings_key("company_web"), QStringLiteral("www.yourcompany.example")).toString();
    company_email = settings.value(settings_key("company_email"), QStringLiteral("info@yourcompany.example")).toString();
    company_operator = settings.value(settings_key("company_operator"), QStringLiteral("Your Name")).toString();
    last_dir = settings.value(settings_key("last_dir"), QString()).toString();
    check_updates = settings.value(settings_key("check_updates"), true).toBool();
    last_version_ran = stored_double(settings, settings_key("last_version_ran"), 0.0);
}

void MainWindow::write_settings()
{
    settings.setValue(key_geometry, saveGeometry());
    settings.setValue(key_state, saveState(0));
    settings.setValue(settings_key("standard_data_float"), standard_data_float);
    settings.setValue(settings_key("snapheight"), snapheight);
    settings.setValue(settings_key("dialrange"), dialrange);
    settings.setValue(settings_key("plot_all_data"), plot_all_data);
    settings.setValue(settings_key("bind_clearance_alarm"), bind_clearance_alarm);
    settings.setValue(settings_key("retainer_warning"), show_retainer_warning);
    settings.setValue(settings_key("company_name"), company_name);
    settings.setValue(settings_key("company_address"), company_address);
    settings.setValue(settings_key("company_city"), company_city);
    settings.setValue(settings_key("company_state"), company_state);
    settings.setValue(settings_key("company_zip"), company_zip);
    settings.setValue(settings_key("company_phone"), company_phone);
    settings.setValue(settings_key("company_web"), company_web);
    settings.setValue(settings_key("company_email"), company_email);
    settings.setValue(settings_key("company_operator"), company_operator);
    settings.setValue(settings_key("last_dir"), last_dir);
    settings.setValue(settings_key("check_updates"), check_updates);
    settings.setValue(settings_key("last_version_ran"), last_version_ran);
}
