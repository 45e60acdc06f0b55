// The about and changelog windows, and the changelog shown once at start-up
// after an update.
#include "about_dialog.h"
#include "changelog.h"
#include "globals.h"
#include "mainwindow.h"
#include "box_answerer.h"
#include "test_main.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSerialPort>
#include <QTextBlock>
#include <QTextBrowser>

namespace {
QString labelText(QWidget *window, const char *name)
{
    return window->findChild<QLabel *>(QLatin1String(name))->text();
}

QTextBrowser *browser(QWidget *window)
{
    return window->findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
}

QPushButton *button(QWidget *window, const char *name)
{
    return window->findChild<QPushButton *>(QLatin1String(name));
}

// Clicks from the event loop, not from inside the answerer's own timer,
// because the click may open a further modal window.
BoxAnswerer::Handler clickLater(const char *name)
{
    return [name](QWidget *window) { QTimer::singleShot(0, button(window, name), &QPushButton::click); };
}

BoxAnswerer::Handler closeWindow()
{
    return [](QWidget *window) { window->close(); };
}

QStringList releaseNotes()
{
    const QString rule87(87, QLatin1Char('-'));
    const QString rule88(88, QLatin1Char('-'));
    return {"Version 1.12 - 1/28/2022",
            "* Fixed many issues with text not displaying correctly on the screen and in",
            "   printed reports if system DPI setting were over 100%.",
            "* Other minor bug fixes.",
            rule87,
            "Version 1.11 - 4/9/2021",
            "* Added overload safety warnings for units with firmware 2.0.7 and above.",
            "* Few other bug fixes.",
            rule87,
            "Version 1.10 - 7/10/2020",
            "* Improved algorithms for calculating target installed height.",
            "* Improved algorithms for calculating target seat load.",
            "* Fixed a few of the issues with smaller display size. (many more to go)",
            rule87,
            "Version 1.09 - 5/6/2020",
            "* Bugfix not recording of data under 1\" height.",
            "* Reset plot on new session.",
            "* Few other minor fixes.",
            rule88,
            "Version 1.08 - 1/15/2020",
            "* Changed algorithm for finding bind height.",
            "* Added changelog window to show on first run after update.",
            "  (Can also be viewed from about dialog.)",
            "* Changed how data was handled from tester to avoid error",
            "   that was causing program to crash periodically.",
            "* Many other bug fixes."};
}

QStringList dialogsSeen(const BoxAnswerer &answerer)
{
    QStringList classes;
    for (const auto &seen : answerer.seen)
        classes << seen.className;
    return classes;
}

void prepareStart(const QVariant &lastVersionRan)
{
    settings.remove(QStringLiteral("last_version_ran/config/key"));
    if (lastVersionRan.isValid())
        settings.setValue(QStringLiteral("last_version_ran/config/key"), lastVersionRan);
    settings.setValue(QStringLiteral("check_updates/config/key"), false);
    last_version_ran = 0.0;
    serial_port = nullptr;
}
} // namespace

class tst_about_changelog : public QObject
{
    Q_OBJECT

private slots:
    void bothWindowsShowTheVersion()
    {
        about_dialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Tarvell Engineering Kestrix Software"));
        QVERIFY(labelText(&about, "label_2").endsWith(QLatin1String(" / Kestrix Software v-")));
        QCOMPARE(labelText(&about, "label_3"), QStringLiteral("1.12"));
        // The three labels read as one line; the notice does not run into the version.
        const QString line = labelText(&about, "label_2") + labelText(&about, "label_3") + labelText(&about, "label_4");
        QVERIFY2(line.contains(QStringLiteral(" v-1.12 © ")), qPrintable(line));

        changelog notes;
        QCOMPARE(notes.windowTitle(), QStringLiteral("Tarvell Engineering - Kestrix Software V 1.12 - Changelog"));
        QCOMPARE(labelText(&notes, "label"), QStringLiteral("What's new in version 1.12"));
    }

    // The version alone is in the application's family, whatever that is.
    void aboutVersionIsInTheApplicationFamily()
    {
        const QFont before = QApplication::font();
        QApplication::setFont(QFont(QStringLiteral("Kestrix Probe Family"), 9));
        about_dialog about;
        QApplication::setFont(before);
        const QFont version = about.findChild<QLabel *>(QStringLiteral("label_3"))->font();
        QCOMPARE(version.family(), QStringLiteral("Kestrix Probe Family"));
        QCOMPARE(version.pointSize(), 10);
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("label_2"))->font().family(), QStringLiteral("DejaVu Sans"));
    }

    // The product line and the buttons have fixed boxes; each has to hold
    // its text, and the three buttons stay alike.
    void aboutTextsAreNotCut()
    {
        about_dialog about;
        about.show();
        QCOMPARE(about.size(), QSize(481, 426));
        QCOMPARE(button(&about, "pushButton")->size(), QSize(80, 25));
        for (const char *name : {"label_2", "label_3", "label_4", "pushButton_2", "pushButton_3", "pushButton"}) {
            QWidget *widget = about.findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(widget->width() >= widget->sizeHint().width(),
                     qPrintable(QStringLiteral("%1: %2 px for %3 px").arg(QLatin1String(name))
                                    .arg(widget->width()).arg(widget->sizeHint().width())));
        }
        QCOMPARE(button(&about, "pushButton_2")->size(), button(&about, "pushButton")->size());
        QCOMPARE(button(&about, "pushButton_3")->size(), button(&about, "pushButton")->size());
    }

    // The logo is narrower than its label; it stands centred over the
    // centred lines below it, not at the label's left edge.
    void aboutLogoIsCentred()
    {
        about_dialog about;
        about.show();
        auto *logo = about.findChild<QLabel *>(QStringLiteral("label"));
        QCOMPARE(logo->size(), QSize(200, 80));
        const QImage image = logo->grab().toImage();
        const QRgb background = image.pixel(0, 0);
        int left = image.width();
        int right = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != background) {
                    left = qMin(left, x);
                    right = qMax(right, x);
                }
            }
        }
        QVERIFY(right > left);
        const int margins = left - (image.width() - 1 - right);
        QVERIFY2(qAbs(margins) <= 1,
                 qPrintable(QStringLiteral("%1 px left, %2 px right").arg(left).arg(image.width() - 1 - right)));
    }

    void changelogHoldsTheReleaseNotes()
    {
        changelog notes;
        QTextDocument *doc = browser(&notes)->document();
        QCOMPARE(doc->toPlainText().split(QLatin1Char('\n')), releaseNotes());

        // Headings are bold, entries and headings 10 pt, the rules body size.
        const QStringList lines = releaseNotes();
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            const QTextCharFormat format = block.begin().fragment().charFormat();
            const bool heading = block.text().startsWith(QLatin1String("Version "));
            const bool rule = block.text().startsWith(QLatin1Char('-'));
            QCOMPARE(format.fontWeight() >= QFont::Bold, heading);
            QCOMPARE(qRound(format.fontPointSize() * 100), rule ? 825 : 1000);
        }
    }

    void changelogCannotBeResized()
    {
        changelog notes;
        notes.show();
        QCOMPARE(notes.size(), QSize(640, 480));
        notes.resize(800, 600);
        QCOMPARE(notes.size(), QSize(640, 480));
        notes.resize(300, 200);
        QCOMPARE(notes.size(), QSize(640, 480));
        QCOMPARE(button(&notes, "pushButton")->geometry(), QRect(520, 440, 80, 23));
        // Its fixed box holds "Close" in the dialog font.
        QVERIFY(button(&notes, "pushButton")->sizeHint().height() <= 23);
    }

    void closeButtonsCloseTheirWindow()
    {
        about_dialog about;
        about.show();
        button(&about, "pushButton")->click();
        QVERIFY(!about.isVisible());

        changelog notes;
        notes.show();
        button(&notes, "pushButton")->click();
        QVERIFY(!notes.isVisible());
    }

    void aboutLinksOpenExternally()
    {
        about_dialog about;
        auto *link = about.findChild<QLabel *>(QStringLiteral("label_5"));
        QCOMPARE(link->text(), QStringLiteral("<a href=\"https://www.tarvell.example\">https://www.tarvell.example</a>"));
        QCOMPARE(link->textFormat(), Qt::RichText);
        QVERIFY(link->openExternalLinks());
        QCOMPARE(link->textInteractionFlags(),
                 Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        QVERIFY(browser(&about)->openExternalLinks());
        QVERIFY(!about.findChild<QLabel *>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue).isNull());
    }

    void noticesCarryVersionsAndFullLicence()
    {
        about_dialog about;
        const QString notices = browser(&about)->toPlainText();
        const QString qtLine = QStringLiteral("Qt %1 (built against %2)")
                                   .arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
        QFile licenceFile(QStringLiteral(":/licenses/LGPL-3"));
        QVERIFY(licenceFile.open(QIODevice::ReadOnly));
        const QString licence = QString::fromUtf8(licenceFile.readAll()).trimmed();
        QVERIFY(licence.contains(QLatin1String("GNU LESSER GENERAL PUBLIC LICENSE")));

        const QStringList inOrder{QStringLiteral("GNU Lesser General Public License, version 3"),
                                  qtLine,
                                  QStringLiteral("Qt libraries"),
                                  QStringLiteral("Qwt project"),
                                  QStringLiteral("WITHOUT WARRANTY OF ANY KIND"),
                                  QString(40, QLatin1Char('=')),
                                  licence};
        int at = 0;
        for (const QString &part : inOrder) {
            const int found = notices.indexOf(part, at);
            QVERIFY2(found >= 0, qPrintable(part.left(60)));
            at = found + part.size();
        }
        QVERIFY(notices.mid(at).trimmed().isEmpty());
    }

    void aboutQtOpensOverTheAboutWindow()
    {
        about_dialog about;
        about.show();
        QPointer<QWidget> parentSeen;
        BoxAnswerer answerer;
        answerer.queue([&parentSeen](QWidget *box) {
            parentSeen = box->parentWidget();
            box->close();
        });
        button(&about, "pushButton_2")->click();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.first().className, QStringLiteral("QMessageBox"));
        QCOMPARE(answerer.seen.first().title, QStringLiteral("About Qt"));
        QCOMPARE(parentSeen.data(), static_cast<QWidget *>(&about));
    }

    void changelogFromAboutOpensOverIt()
    {
        bool aboutVisibleBeneath = false;
        bool notesModal = false;
        BoxAnswerer answerer;
        answerer.queue(clickLater("pushButton_3"));
        answerer.queue([&](QWidget *notes) {
            notesModal = notes->isModal();
            for (QWidget *top : QApplication::topLevelWidgets())
                if (qobject_cast<about_dialog *>(top))
                    aboutVisibleBeneath = top->isVisible();
            button(notes, "pushButton")->click();
        });
        answerer.queue(clickLater("pushButton"));

        about_dialog about;
        about.setModal(false);
        about.exec();

        QStringList classes;
        for (const auto &seen : answerer.seen)
            classes << seen.className;
        QCOMPARE(classes, (QStringList{"about_dialog", "changelog", "about_dialog"}));
        QCOMPARE(answerer.seen.at(1).title, QStringLiteral("Tarvell Engineering - Kestrix Software V 1.12 - Changelog"));
        QVERIFY(aboutVisibleBeneath);
        QVERIFY(notesModal);
    }

    void aboutButtonRunsTheAboutWindow()
    {
        prepareStart(1.12);
        MainWindow window;
        window.show();
        BoxAnswerer answerer;
        answerer.queue(clickLater("pushButton"));
        button(&window, "pushButton_3")->click();
        QCOMPARE(dialogsSeen(answerer), QStringList{"about_dialog"});
    }

    // The changelog comes up over the shown main window, before the tester
    // port is connected, on a first run and after an update only.
    void startUpChangelogOnlyForANewerVersion_data()
    {
        QTest::addColumn<QVariant>("lastVersionRan");
        QTest::addColumn<bool>("shown");
        QTest::newRow("first run") << QVariant() << true;
        QTest::newRow("older version") << QVariant(1.11) << true;
        QTest::newRow("same version") << QVariant(1.12) << false;
        QTest::newRow("newer version") << QVariant(1.13) << false;
    }
    void startUpChangelogOnlyForANewerVersion()
    {
        QFETCH(QVariant, lastVersionRan);
        QFETCH(bool, shown);
        prepareStart(lastVersionRan);

        bool windowShownBeneath = false;
        bool portConnected = true;
        BoxAnswerer answerer;
        answerer.queue([&](QWidget *notes) {
            for (QWidget *top : QApplication::topLevelWidgets())
                if (qobject_cast<MainWindow *>(top))
                    windowShownBeneath = top->isVisible();
            portConnected = serial_port != nullptr;
            notes->close();
        });
        {
            MainWindow window;
            QTest::qWait(60);
        }
        QCOMPARE(dialogsSeen(answerer), shown ? QStringList{"changelog"} : QStringList());
        if (shown) {
            QVERIFY(windowShownBeneath);
            QVERIFY(!portConnected);
        }
    }

    void startUpChangelogNotShownAfterNormalExit()
    {
        prepareStart(QVariant());
        BoxAnswerer answerer;
        { MainWindow first; }
        QCOMPARE(dialogsSeen(answerer), QStringList{"changelog"});
        QCOMPARE(settings.value(QStringLiteral("last_version_ran/config/key")).toDouble(), 1.12);

        last_version_ran = 0.0;
        { MainWindow second; QTest::qWait(60); }
        QCOMPARE(dialogsSeen(answerer), QStringList{"changelog"});
    }
};

KESTRIX_TEST_MAIN(tst_about_changelog)
#include "tst_about_changelog.moc"
