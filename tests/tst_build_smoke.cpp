#include "globals.h"
#include "mainwindow.h"
#include "test_main.h"

class tst_build_smoke : public QObject
{
    Q_OBJECT
private slots:
    void windowBuilds()
    {
        settings.setValue(QStringLiteral("last_version_ran/config/key"), 1.12);
        settings.setValue(QStringLiteral("check_updates/config/key"), false);
        MainWindow w;
        w.show();
        QTest::qWait(100);
        w.grab().save(QStringLiteral("/tmp/kestrix_smoke.png"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarvell Engineering - Kestrix Software - V 1.12"));
    }
};

KESTRIX_TEST_MAIN(tst_build_smoke)
#include "tst_build_smoke.moc"
