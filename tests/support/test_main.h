// The main() of every test executable: like QTEST_MAIN, but the images that
// are compiled into the static core library are registered first, and the
// application starts as the program's own does.
#ifndef KESTRIX_TEST_MAIN_H
#define KESTRIX_TEST_MAIN_H

#include "globals.h"
#include "startup.h"

#include <QApplication>
#include <QtTest>

inline void kestrixInitResources()
{
    Q_INIT_RESOURCE(resources);
}

// Settings as after a normal earlier run of this version with the update check
// off, so that a new main window opens without the changelog's modal loop or a
// network request.
inline void storeQuietStart()
{
    settings.setValue(QStringLiteral("last_version_ran/config/key"), 1.12);
    settings.setValue(QStringLiteral("check_updates/config/key"), false);
}

#define KESTRIX_TEST_MAIN(TestObject)                  \
    int main(int argc, char *argv[])                   \
    {                                                  \
        kestrixInitResources();                        \
        start_up_before_application();                 \
        QApplication app(argc, argv);                  \
        start_up_application();                        \
        TestObject tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                     \
        return QTest::qExec(&tc, argc, argv);          \
    }

#endif // KESTRIX_TEST_MAIN_H
