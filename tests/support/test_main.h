// The main() of every test executable: like QTEST_MAIN, but the images that
// are compiled into the static core library are registered first.
#ifndef KESTRIX_TEST_MAIN_H
#define KESTRIX_TEST_MAIN_H

#include <QApplication>
#include <QtTest>

inline void kestrixInitResources()
{
    Q_INIT_RESOURCE(resources);
}

#define KESTRIX_TEST_MAIN(TestObject)                  \
    int main(int argc, char *argv[])                   \
    {                                                  \
        kestrixInitResources();                        \
        QApplication app(argc, argv);                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);       \
        TestObject tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                     \
        return QTest::qExec(&tc, argc, argv);          \
    }

#endif // KESTRIX_TEST_MAIN_H
