// The update checker against a real HTTP server on the loopback interface:
// the per-URL facade, the appcast check with its notices, and the download
// window with its files in a disposable home folder.
#include "downloader.h"
#include "globals.h"
#include "http_test_server.h"
#include "mainwindow.h"
#include "test_main.h"
#include "updatefacade.h"
#include "updater.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>

namespace {

// Answers the message boxes of the update checker, one queued answer per box,
// and records what each showed. The download window is modal too, but it is
// not a box and is left alone.
class BoxReplies : public QObject
{
public:
    struct Seen
    {
        QString title, text, informative;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        Qt::TextFormat format = Qt::AutoText;
        bool hasParent = false;
    };

    BoxReplies()
    {
        connect(&timer, &QTimer::timeout, this, &BoxReplies::poll);
        timer.start(15);
    }
    void queue(QMessageBox::StandardButton answer) { answers.append(answer); }
    QList<Seen> seen;
    // Runs while a box is open, before it is answered.
    std::function<void(QMessageBox *)> inspect;
    // Boxes for which this holds are neither recorded nor answered.
    std::function<bool(QMessageBox *)> leaveOpen;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || (leaveOpen && leaveOpen(box)))
            return;
        Seen entry;
        entry.title = box->windowTitle();
        entry.text = box->text();
        entry.informative = box->informativeText();
        entry.icon = box->icon();
        entry.buttons = box->standardButtons();
        if (box->defaultButton())
            entry.defaultButton = box->standardButton(box->defaultButton());
        entry.format = box->textFormat();
        entry.hasParent = box->parentWidget() != nullptr;
        seen.append(entry);
        if (inspect)
            inspect(box);
        QAbstractButton *button = answers.isEmpty() ? box->defaultButton()
                                                    : box->button(answers.takeFirst());
        if (!button)
            button = box->buttons().value(0);
        if (button)
            button->click();
    }

    QTimer timer;
    QList<QMessageBox::StandardButton> answers;
};

// Stands in for the desktop: records the URLs the checker asks it to open.
class Desktop : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

enum Outcome { QuitRequested = 0, Done = 1, TimedOut = 2 };

// Runs the application's own event loop, so that a quit request of the code
// under test is seen (and then cleared) as it would be in the program: ends
// with QuitRequested when the code asked to quit, Done once `done` holds.
int runApp(const std::function<void()> &action, const std::function<bool()> &done,
           int timeoutMs = 10000)
{
    QTimer start, poll, settle, guard;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, action);
    settle.setSingleShot(true);
    QObject::connect(&settle, &QTimer::timeout, [] { QCoreApplication::exit(Done); });
    bool polling = false;  // `done` may open a box, whose loop fires the poll again
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (polling || settle.isActive())
            return;
        polling = true;
        if (done()) {
            poll.stop();
            settle.start(150);
        }
        polling = false;
    });
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(TimedOut); });
    start.start(0);
    poll.start(10);
    guard.start(timeoutMs);
    return QCoreApplication::exec();
}

// Points `updater` at `url` as the running version 1.12.
void aim(Updater &updater, const QString &url)
{
    updater.setUrl(url);
    updater.setModuleVersion(QStringLiteral("1.12"));
}

// Runs one appcast check of `updater` until it has finished.
int runCheck(Updater &updater, const QSignalSpy &finishedChecks)
{
    const int before = finishedChecks.size();
    return runApp([&] { updater.checkForUpdates(); }, [&] { return finishedChecks.size() > before; });
}

// The same case for an optional and for a mandatory update.
void mandatoryRows()
{
    QTest::addColumn<bool>("mandatory");
    QTest::newRow("optional") << false;
    QTest::newRow("mandatory") << true;
}

QByteArray appcast(const QJsonObject &entry, const QString &platform = QStringLiteral("windows"))
{
    return QJsonDocument(QJsonObject{{QStringLiteral("updates"), QJsonObject{{platform, entry}}}})
        .toJson();
}

QJsonObject release(const QString &version, const QString &downloadUrl = QString())
{
    return QJsonObject{{QStringLiteral("latest-version"), version},
                       {QStringLiteral("download-url"), downloadUrl},
                       {QStringLiteral("changelog"), QStringLiteral("Faster plots")}};
}

QByteArray installerBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + i / 7) & 0xff);
    return bytes;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString userAgent = QStringLiteral("Kestrix Software/ (Qt; UpdateFacade)");
const QString newerNotice = QStringLiteral("<h3>Version %1 of Kestrix Software has been released!</h3>");
const QString latestNotice =
    QStringLiteral("<h3>Congratulations! You are running the latest version of Kestrix Software</h3>");
const QString installQuestion =
    QStringLiteral("<h3>In order to install the update, you may need to quit the application.</h3>");
const QString mandatorySentence =
    QStringLiteral("This is a mandatory update, exiting now will close the application");

} // namespace

class tst_updater : public QObject
{
    Q_OBJECT

private:
    HttpTestServer server;
    Desktop desktop;
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<BoxReplies> boxes;

    QString downloads() const { return home->path() + QStringLiteral("/Downloads"); }
    QString appcastUrl(const QString &query = QString()) const
    {
        return server.url(QStringLiteral("/downloads/updates.json") + query);
    }
    template<typename T> T *part(QWidget *window, const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Kestrix Software"));
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(server.listen());
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &desktop, "open");
    }

    void cleanupTestCase()
    {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }

    void init()
    {
        home.reset(new QTemporaryDir);
        QVERIFY(home->isValid());
        qputenv("HOME", home->path().toLocal8Bit());
        boxes.reset(new BoxReplies);
        desktop.opened.clear();
        server.requests.clear();
    }

    // ---- Version comparison ----

    void compareVersions_data()
    {
        QTest::addColumn<QString>("x");
        QTest::addColumn<QString>("y");
        QTest::addColumn<bool>("newer");
        QTest::newRow("minor step") << "1.13" << "1.12" << true;
        QTest::newRow("equal") << "1.12" << "1.12" << false;
        QTest::newRow("numeric, not text") << "1.2" << "1.12" << false;
        QTest::newRow("patch level") << "1.12.1" << "1.12" << true;
        QTest::newRow("extra zero part") << "1.12.0" << "1.12" << true;
        QTest::newRow("fewer parts") << "1.12" << "1.12.0" << false;
        QTest::newRow("major step") << "2" << "1.99" << true;
        QTest::newRow("leading letter") << "v1.13" << "1.12" << false;
        QTest::newRow("empty") << "" << "1.12" << false;
        QTest::newRow("older major") << "0.99" << "1.12" << false;
        QTest::newRow("two digit major") << "10.0" << "9.9" << true;
        // Only digits make a number; blanks and signs make the part 0.
        QTest::newRow("trailing blank") << "1.13 " << "1.12" << false;
        QTest::newRow("blank inside") << "1. 13" << "1.12" << false;
        QTest::newRow("plus sign") << "1.+13" << "1.12" << false;
        QTest::newRow("leading blank") << " 2" << "1.12" << false;
        QTest::newRow("leading zero") << "1.013" << "1.12" << true;
        QTest::newRow("beyond 64 bits") << "1.99999999999999999999" << "1.12" << true;
    }

    void compareVersions()
    {
        QFETCH(QString, x);
        QFETCH(QString, y);
        QFETCH(bool, newer);
        QCOMPARE(Updater::compare(x, y), newer);
    }

    // ---- Update facade ----

    void facadeGetterRegistersFreshUrl()
    {
        UpdateFacade *facade = UpdateFacade::getInstance();
        QCOMPARE(UpdateFacade::getInstance(), facade);
        const QString url = QStringLiteral("http://fresh.example/downloads/updates.json");
        const int before = registeredUrls.size();

        QCOMPARE(facade->getNotifyOnUpdate(url), true);
        QCOMPARE(registeredUrls.size(), before + 1);
        QCOMPARE(registeredUpdaters.size(), registeredUrls.size());
        QCOMPARE(registeredUrls.last(), url);
        QCOMPARE(facade->getDownloaderEnabled(url), true);
        QCOMPARE(facade->getPlatformKey(url), QStringLiteral("windows"));
        QCOMPARE(facade->getUpdateAvailable(url), false);
        QCOMPARE(facade->getNotifyOnFinish(url), false);
        QCOMPARE(facade->getCustomAppcast(url), false);
        QCOMPARE(facade->getCustomInstallProcedures(url), false);
        QCOMPARE(facade->getModuleName(url), QStringLiteral("Kestrix Software"));
        QCOMPARE(facade->getModuleVersion(url), QString());
        QCOMPARE(facade->getUserAgentString(url), userAgent);
        QVERIFY(facade->getOpenUrl(url).isEmpty());
        QVERIFY(facade->getChangelog(url).isEmpty());
        QVERIFY(facade->getDownloadUrl(url).isEmpty());
        QVERIFY(facade->getLatestVersion(url).isEmpty());
        QCOMPARE(facade->getUpdater(url)->url(), url);
        QCOMPARE(registeredUrls.size(), before + 1);
    }

    void facadeKeepsOneUpdaterPerSpelling()
    {
        UpdateFacade *facade = UpdateFacade::getInstance();
        const QString plain = QStringLiteral("http://spell.example/u");
        const QString slash = plain + QLatin1Char('/');
        const QString upper = QStringLiteral("http://SPELL.example/u");
        const QString empty;

        facade->setModuleName(plain, QStringLiteral("A"));
        facade->setNotifyOnUpdate(plain, false);
        facade->setNotifyOnFinish(plain, true);
        facade->setPlatformKey(plain, QStringLiteral("linux"));
        facade->setModuleVersion(plain, QStringLiteral("3.1"));
        facade->setDownloaderEnabled(plain, false);
        facade->setUserAgentString(plain, QStringLiteral("probe/1"));
        facade->setUseCustomAppcast(plain, true);
        facade->setUseCustomInstallProcedures(plain, true);
        facade->setMandatoryUpdate(plain, true);
        facade->setModuleName(slash, QStringLiteral("B"));
        facade->setModuleName(empty, QStringLiteral("C"));

        QVERIFY(facade->getUpdater(plain) != facade->getUpdater(slash));
        QVERIFY(facade->getUpdater(plain) != facade->getUpdater(upper));
        QCOMPARE(registeredUrls.count(plain), 1);
        QCOMPARE(registeredUrls.count(empty), 1);

        QCOMPARE(facade->getModuleName(plain), QStringLiteral("A"));
        QCOMPARE(facade->getNotifyOnUpdate(plain), false);
        QCOMPARE(facade->getNotifyOnFinish(plain), true);
        QCOMPARE(facade->getPlatformKey(plain), QStringLiteral("linux"));
        QCOMPARE(facade->getModuleVersion(plain), QStringLiteral("3.1"));
        QCOMPARE(facade->getDownloaderEnabled(plain), false);
        QCOMPARE(facade->getUserAgentString(plain), QStringLiteral("probe/1"));
        QCOMPARE(facade->getCustomAppcast(plain), true);
        QCOMPARE(facade->getCustomInstallProcedures(plain), true);
        QCOMPARE(facade->getUpdater(plain)->mandatoryUpdate(), true);

        QCOMPARE(facade->getModuleName(slash), QStringLiteral("B"));
        QCOMPARE(facade->getModuleName(empty), QStringLiteral("C"));
        QCOMPARE(facade->getModuleName(upper), QStringLiteral("Kestrix Software"));
        QCOMPARE(facade->getNotifyOnUpdate(slash), true);
        QCOMPARE(facade->getPlatformKey(upper), QStringLiteral("windows"));
        QCOMPARE(facade->getUpdater(slash)->mandatoryUpdate(), false);
    }

    void facadeFollowsRedirectUnderFirstKey()
    {
        UpdateFacade *facade = UpdateFacade::getInstance();
        server.serve("/downloads/updates.json",
                     appcast(release(QStringLiteral("1.13"), server.url(QStringLiteral("/files/k.exe")))));
        server.serve("/files/k.exe", installerBytes(5000));
        server.redirect("/old/updates.json", "/downloads/updates.json", 301);
        const QString key = server.url(QStringLiteral("/old/updates.json"));
        facade->setModuleVersion(key, QStringLiteral("1.12"));
        facade->setUseCustomInstallProcedures(key, true);
        QSignalSpy finishedChecks(facade, &UpdateFacade::checkingFinished);
        QSignalSpy installers(facade, &UpdateFacade::downloadFinished);
        boxes->queue(QMessageBox::Yes);

        QCOMPARE(runApp([&] { facade->checkForUpdates(key); },
                        [&] { return finishedChecks.size() == 1 && installers.size() == 1; }),
                 int(Done));

        QCOMPARE(finishedChecks.size(), 1);
        QCOMPARE(finishedChecks.at(0).at(0).toString(), appcastUrl());
        QCOMPARE(installers.at(0).at(0).toString(), appcastUrl());
        QCOMPARE(installers.at(0).at(1).toString(), downloads() + QStringLiteral("/k.exe"));
        QVERIFY(registeredUrls.contains(key));
        QVERIFY(!registeredUrls.contains(appcastUrl()));
        QCOMPARE(facade->getUpdater(key)->url(), appcastUrl());
        QCOMPARE(facade->getUpdateAvailable(key), true);
        facade->setModuleName(key, QStringLiteral("renamed"));
        QCOMPARE(facade->getUpdater(key)->moduleName(), QStringLiteral("renamed"));
        QCOMPARE(server.hits("/old/updates.json"), 1);
        QCOMPARE(server.hits("/downloads/updates.json"), 1);
    }

    void facadeRunsEveryCheckAndLeavesOthersIdle()
    {
        UpdateFacade *facade = UpdateFacade::getInstance();
        server.serve("/downloads/updates.json?twice", appcast(release(QStringLiteral("1.12"))));
        server.serve("/downloads/updates.json?idle", appcast(release(QStringLiteral("9.0"))));
        server.serve("/downloads/updates.json?custom", "raw appcast bytes");
        const QString twice = appcastUrl(QStringLiteral("?twice"));
        const QString idle = appcastUrl(QStringLiteral("?idle"));
        const QString custom = appcastUrl(QStringLiteral("?custom"));
        facade->setModuleVersion(twice, QStringLiteral("1.12"));
        facade->setModuleVersion(idle, QStringLiteral("1.12"));
        facade->setUseCustomAppcast(custom, true);
        QSignalSpy finishedChecks(facade, &UpdateFacade::checkingFinished);
        QSignalSpy appcasts(facade, &UpdateFacade::appcastDownloaded);

        QCOMPARE(runApp([&] {
                            facade->checkForUpdates(twice);
                            facade->checkForUpdates(twice);
                            facade->checkForUpdates(custom);
                        },
                        [&] { return finishedChecks.size() == 3; }),
                 int(Done));

        QCOMPARE(server.hits("/downloads/updates.json?twice"), 2);
        QCOMPARE(server.hits("/downloads/updates.json?idle"), 0);
        QCOMPARE(finishedChecks.count({QVariant(twice)}), 2);
        QCOMPARE(appcasts.size(), 1);
        QCOMPARE(appcasts.at(0).at(0).toString(), custom);
        QCOMPARE(appcasts.at(0).at(1).toByteArray(), QByteArray("raw appcast bytes"));
        QCOMPARE(facade->getLatestVersion(twice), QStringLiteral("1.12"));
        QVERIFY(facade->getLatestVersion(idle).isEmpty());
        QVERIFY(boxes->seen.isEmpty());
    }

    // ---- The application's configuration ----

    void mainWindowConfiguresTheCheck_data()
    {
        QTest::addColumn<bool>("checkOn");
        QTest::newRow("check on") << true;
        QTest::newRow("check off") << false;
    }

    void mainWindowConfiguresTheCheck()
    {
        QFETCH(bool, checkOn);
        const QString query = checkOn ? QStringLiteral("?main-on") : QStringLiteral("?main-off");
        server.serve("/downloads/updates.json" + query.toLatin1(), appcast(release(QStringLiteral("1.12"))));
        update_url = appcastUrl(query);
        settings.setValue(QStringLiteral("last_version_ran/config/key"), 1.12);
        settings.setValue(QStringLiteral("check_updates/config/key"), checkOn);
        const int registered = registeredUrls.size();
        QSignalSpy finishedChecks(UpdateFacade::getInstance(), &UpdateFacade::checkingFinished);

        {
            MainWindow window;
            if (checkOn)
                QTRY_COMPARE(finishedChecks.size(), 1);
            else
                QTest::qWait(300);
        }

        if (!checkOn) {
            QCOMPARE(registeredUrls.size(), registered);
            QCOMPARE(server.requests.size(), 0);
            return;
        }
        UpdateFacade *facade = UpdateFacade::getInstance();
        QCOMPARE(facade->getModuleVersion(update_url), QStringLiteral("1.12"));
        QCOMPARE(facade->getNotifyOnFinish(update_url), false);
        QCOMPARE(facade->getNotifyOnUpdate(update_url), true);
        QCOMPARE(facade->getCustomAppcast(update_url), false);
        QCOMPARE(facade->getDownloaderEnabled(update_url), true);
        QCOMPARE(facade->getUpdater(update_url)->mandatoryUpdate(), false);
        QCOMPARE(facade->getPlatformKey(update_url), QStringLiteral("windows"));
        QCOMPARE(facade->getUpdateAvailable(update_url), false);
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.at(0).userAgent, userAgent.toUtf8());
        QVERIFY(boxes->seen.isEmpty());
    }

    // ---- Appcast check and notices ----

    void noticeFollowsVersionAndConfiguration_data()
    {
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("notifyOnUpdate");
        QTest::addColumn<bool>("notifyOnFinish");
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("notice");
        QTest::newRow("newer") << "1.13" << true << false << true << newerNotice.arg("1.13");
        QTest::newRow("extra zero part") << "1.12.0" << true << false << true << newerNotice.arg("1.12.0");
        QTest::newRow("equal") << "1.12" << true << false << false << QString();
        QTest::newRow("equal, notice on finish") << "1.12" << true << true << false << latestNotice;
        QTest::newRow("newer, no notices") << "1.13" << false << false << true << QString();
        QTest::newRow("newer, only finish notice") << "1.13" << false << true << true << newerNotice.arg("1.13");
        QTest::newRow("older") << "1.11" << true << false << false << QString();
        QTest::newRow("markup in the version") << "2.0.<a href=\"file:///run.exe\">b</a>" << true << false << true
                                               << newerNotice.arg("2.0.&lt;a href=&quot;file:///run.exe&quot;&gt;b&lt;/a&gt;");
    }

    void noticeFollowsVersionAndConfiguration()
    {
        QFETCH(QString, latest);
        QFETCH(bool, notifyOnUpdate);
        QFETCH(bool, notifyOnFinish);
        QFETCH(bool, available);
        QFETCH(QString, notice);
        server.serve("/downloads/updates.json", appcast(release(latest, server.url("/files/k.exe"))));
        Updater updater;
        aim(updater, appcastUrl());
        updater.setNotifyOnUpdate(notifyOnUpdate);
        updater.setNotifyOnFinish(notifyOnFinish);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);
        boxes->queue(QMessageBox::No);
        boxes->queue(QMessageBox::Close);

        QCOMPARE(runCheck(updater, finishedChecks), int(Done));

        QCOMPARE(finishedChecks.size(), 1);
        QCOMPARE(finishedChecks.at(0).at(0).toString(), appcastUrl());
        QCOMPARE(updater.updateAvailable(), available);
        QCOMPARE(updater.latestVersion(), latest);
        QCOMPARE(updater.changelog(), QStringLiteral("Faster plots"));
        QCOMPARE(updater.downloadUrl(), server.url("/files/k.exe"));
        QCOMPARE(server.requests.at(0).userAgent, userAgent.toUtf8());
        QCOMPARE(server.hits("/files/k.exe"), 0);
        if (notice.isEmpty()) {
            QVERIFY(boxes->seen.isEmpty());
            return;
        }
        QCOMPARE(boxes->seen.size(), 1);
        const BoxReplies::Seen box = boxes->seen.at(0);
        QCOMPARE(box.text, notice);
        QCOMPARE(box.icon, QMessageBox::Information);
        QCOMPARE(box.format, Qt::RichText);
        QVERIFY(box.title.isEmpty());
        QVERIFY(!box.hasParent);
        if (available) {
            QCOMPARE(box.informative, QStringLiteral("Would you like to download the update now?"));
            QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
            QCOMPARE(box.defaultButton, QMessageBox::Yes);
        } else {
            QCOMPARE(box.informative, QStringLiteral("No updates are available for the moment"));
            QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Close));
        }
    }

    void unusableAppcastMeansNoUpdate_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("404") << QByteArray("/missing/updates.json") << QByteArray();
        QTest::newRow("not JSON") << QByteArray("/downloads/updates.json") << QByteArray("<html>oops</html>");
        QTest::newRow("top level array") << QByteArray("/downloads/updates.json") << QByteArray("[1, 2]");
        QTest::newRow("no updates object")
            << QByteArray("/downloads/updates.json") << QByteArray(R"({"windows": {"latest-version": "9"}})");
        QTest::newRow("other platform only")
            << QByteArray("/downloads/updates.json") << appcast(release("9.0"), QStringLiteral("macos"));
        QTest::newRow("version not a string")
            << QByteArray("/downloads/updates.json")
            << QByteArray(R"({"updates": {"windows": {"latest-version": 9}}})");
        QTest::newRow("empty version") << QByteArray("/downloads/updates.json") << appcast(release(""));
    }

    void unusableAppcastMeansNoUpdate()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, body);
        if (!body.isEmpty())
            server.serve(path, body);
        Updater updater;
        aim(updater, server.url(QString::fromLatin1(path)));
        updater.setNotifyOnUpdate(false);
        updater.setUpdateAvailable(true);
        updater.setNotifyOnFinish(true);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);

        QCOMPARE(runCheck(updater, finishedChecks), int(Done));

        QCOMPARE(finishedChecks.size(), 1);
        QCOMPARE(updater.updateAvailable(), false);
        QCOMPARE(boxes->seen.size(), 1);
        QCOMPARE(boxes->seen.at(0).text, latestNotice);
    }

    void appcastValuesReplaceOldOnes()
    {
        Updater updater;
        aim(updater, appcastUrl());
        updater.setNotifyOnUpdate(false);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);
        auto check = [&](const QByteArray &body) {
            server.serve("/downloads/updates.json", body);
            return runCheck(updater, finishedChecks);
        };

        QJsonObject first = release(QStringLiteral("1.13"), QStringLiteral("http://x/a.exe"));
        first.insert(QStringLiteral("open-url"), QStringLiteral("http://x/notes"));
        first.insert(QStringLiteral("mandatory-update"), true);
        QCOMPARE(check(appcast(first)), int(Done));
        QCOMPARE(updater.openUrl(), QStringLiteral("http://x/notes"));
        QCOMPARE(updater.mandatoryUpdate(), true);

        // Without the key the flag stays; missing strings become empty.
        QCOMPARE(check(appcast(QJsonObject{{QStringLiteral("latest-version"), QStringLiteral("1.14")}})),
                 int(Done));
        QCOMPARE(updater.latestVersion(), QStringLiteral("1.14"));
        QVERIFY(updater.openUrl().isEmpty());
        QVERIFY(updater.downloadUrl().isEmpty());
        QVERIFY(updater.changelog().isEmpty());
        QCOMPARE(updater.mandatoryUpdate(), true);

        QJsonObject cleared = release(QStringLiteral("1.14"));
        cleared.insert(QStringLiteral("mandatory-update"), false);
        QCOMPARE(check(appcast(cleared)), int(Done));
        QCOMPARE(updater.mandatoryUpdate(), false);

        updater.setMandatoryUpdate(true);
        QJsonObject notBool = release(QStringLiteral("1.14"));
        notBool.insert(QStringLiteral("mandatory-update"), QStringLiteral("yes"));
        QCOMPARE(check(appcast(notBool)), int(Done));
        QCOMPARE(updater.mandatoryUpdate(), false);

        // Custom mode hands the body over and leaves every value as it was.
        updater.setUseCustomAppcast(true);
        QSignalSpy appcasts(&updater, &Updater::appcastDownloaded);
        const QByteArray custom = appcast(release(QStringLiteral("7.0")));
        QCOMPARE(check(custom), int(Done));
        QCOMPARE(appcasts.size(), 1);
        QCOMPARE(appcasts.at(0).at(1).toByteArray(), custom);
        QCOMPARE(updater.latestVersion(), QStringLiteral("1.14"));
        QCOMPARE(updater.updateAvailable(), true);
        QVERIFY(boxes->seen.isEmpty());
    }

    void mandatoryUpdateDeclinedQuits_data()
    {
        mandatoryRows();
    }

    void mandatoryUpdateDeclinedQuits()
    {
        QFETCH(bool, mandatory);
        QJsonObject entry = release(QStringLiteral("1.13"), server.url("/files/k.exe"));
        entry.insert(QStringLiteral("mandatory-update"), mandatory);
        server.serve("/downloads/updates.json", appcast(entry));
        Updater updater;
        aim(updater, appcastUrl());
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);
        boxes->queue(QMessageBox::No);

        const int outcome = runCheck(updater, finishedChecks);

        QCOMPARE(outcome, mandatory ? int(QuitRequested) : int(Done));
        QCOMPARE(boxes->seen.size(), 1);
        QCOMPARE(boxes->seen.at(0).informative.endsWith(mandatorySentence), mandatory);
        QCOMPARE(server.hits("/files/k.exe"), 0);
    }

    // Declined while the main window is still being built: the answer to the
    // appcast arrives while the command-line open's "Warning" box is up, before
    // the main event loop runs. The command line is fixed when the process
    // starts, so the window is built in a child run of this program whose last
    // argument names a file (in its working folder) that is not a session.
    void mandatoryDeclineAtStartUpQuits()
    {
        QJsonObject entry = release(QStringLiteral("1.13"), server.url("/files/k.exe"));
        entry.insert(QStringLiteral("mandatory-update"), true);
        server.serve("/downloads/updates.json?start-up", appcast(entry));
        QTemporaryDir work;
        QFile notASession(work.filePath(QStringLiteral("startUpChild")));
        QVERIFY(notASession.open(QIODevice::WriteOnly));
        notASession.write("not a session");
        notASession.close();

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KESTRIX_CHILD_APPCAST"), appcastUrl(QStringLiteral("?start-up")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), work.filePath(QStringLiteral("config")));
        child.setProcessEnvironment(environment);
        child.setWorkingDirectory(work.path());
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("startUpChild")});
        // The appcast is served from this process's event loop: wait in it.
        QTRY_VERIFY_WITH_TIMEOUT(child.state() == QProcess::NotRunning, 60000);
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAll().right(900).constData());
        QCOMPARE(server.hits("/downloads/updates.json?start-up"), 1);
    }

    void startUpChild()
    {
        const QString appcastAddress = qEnvironmentVariable("KESTRIX_CHILD_APPCAST");
        if (appcastAddress.isEmpty())
            QSKIP("runs only inside mandatoryDeclineAtStartUpQuits");
        update_url = appcastAddress;
        settings.setValue(QStringLiteral("last_version_ran/config/key"), 1.12);
        settings.setValue(QStringLiteral("check_updates/config/key"), true);
        // The warning stays up: only the quit can end it, from the notice on top.
        const auto isWarning = [](const QWidget *box) {
            return box->isVisible() && box->windowTitle() == QLatin1String("Warning");
        };
        boxes->leaveOpen = isWarning;
        bool warningUnderNotice = false;
        boxes->inspect = [&](QMessageBox *) {
            const QWidgetList windows = QApplication::topLevelWidgets();
            warningUnderNotice = std::any_of(windows.cbegin(), windows.cend(), isWarning);
        };
        boxes->queue(QMessageBox::No);

        MainWindow window;
        window.show();

        QVERIFY(warningUnderNotice);
        QCOMPARE(boxes->seen.size(), 1);
        QVERIFY(boxes->seen.at(0).informative.endsWith(mandatorySentence));
        QCOMPARE(runApp([] {}, [] { return false; }), int(QuitRequested));
    }

    void acceptedUpdateGoesToDesktopOrDownload_data()
    {
        QTest::addColumn<QString>("openUrl");
        QTest::addColumn<bool>("downloaderEnabled");
        QTest::addColumn<QString>("expectOpened");
        QTest::newRow("open-url wins") << "http://127.0.0.1:1/notes.html" << true << "http://127.0.0.1:1/notes.html";
        QTest::newRow("open-url wins, no downloader") << "http://127.0.0.1:1/notes.html" << false
                                                      << "http://127.0.0.1:1/notes.html";
        QTest::newRow("installer to the desktop") << "" << false << "installer";
    }

    void acceptedUpdateGoesToDesktopOrDownload()
    {
        QFETCH(QString, openUrl);
        QFETCH(bool, downloaderEnabled);
        QFETCH(QString, expectOpened);
        QJsonObject entry = release(QStringLiteral("1.13"), server.url("/files/k.exe"));
        entry.insert(QStringLiteral("open-url"), openUrl);
        server.serve("/downloads/updates.json", appcast(entry));
        Updater updater;
        aim(updater, appcastUrl());
        updater.setDownloaderEnabled(downloaderEnabled);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);
        boxes->queue(QMessageBox::Yes);

        QCOMPARE(runCheck(updater, finishedChecks), int(Done));

        const QUrl expected(expectOpened == QLatin1String("installer") ? server.url("/files/k.exe") : expectOpened);
        QCOMPARE(desktop.opened, QList<QUrl>{expected});
        QCOMPARE(server.hits("/files/k.exe"), 0);
        QVERIFY(!QFile::exists(downloads() + QStringLiteral("/k.exe")));
    }

    void appcastRedirectsAreFollowed_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::newRow("relative") << QByteArray("../downloads/updates.json");
        QTest::newRow("absolute path") << QByteArray("/downloads/updates.json");
        QTest::newRow("absolute URL") << QByteArray("full");
    }

    void appcastRedirectsAreFollowed()
    {
        QFETCH(QByteArray, location);
        if (location == "full")
            location = appcastUrl().toLatin1();
        server.serve("/downloads/updates.json", appcast(release(QStringLiteral("1.13"))));
        server.redirect("/moved/updates.json", location);
        Updater updater;
        aim(updater, server.url("/moved/updates.json"));
        updater.setNotifyOnUpdate(false);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);

        QCOMPARE(runCheck(updater, finishedChecks), int(Done));

        QCOMPARE(finishedChecks.size(), 1);
        QCOMPARE(finishedChecks.at(0).at(0).toString(), appcastUrl());
        QCOMPARE(updater.url(), appcastUrl());
        QCOMPARE(updater.updateAvailable(), true);
        QCOMPARE(server.hits("/downloads/updates.json"), 1);
        QCOMPARE(server.requests.last().userAgent, userAgent.toUtf8());
    }

    void appcastRedirectLoopEndsAsNoUpdate()
    {
        server.redirect("/loop/updates.json", "updates.json");
        Updater updater;
        updater.setUrl(server.url("/loop/updates.json"));
        updater.setNotifyOnUpdate(false);
        updater.setUpdateAvailable(true);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);

        QCOMPARE(runCheck(updater, finishedChecks), int(Done));

        QCOMPARE(finishedChecks.size(), 1);
        QCOMPARE(updater.updateAvailable(), false);
        QCOMPARE(server.hits("/loop/updates.json"), 1 + maxRedirects);
    }

    void appcastRedirectToALocalFileEndsAsNoUpdate()
    {
        // A local file that would offer an update if it were ever read.
        QTemporaryDir local;
        QFile offer(local.filePath(QStringLiteral("updates.json")));
        QVERIFY(offer.open(QIODevice::WriteOnly));
        offer.write(appcast(release(QStringLiteral("9.99"), server.url("/files/setup.exe"))));
        offer.close();
        server.redirect("/local/updates.json", QUrl::fromLocalFile(offer.fileName()).toEncoded());
        Updater updater;
        updater.setUrl(server.url("/local/updates.json"));
        updater.setNotifyOnUpdate(false);
        updater.setUpdateAvailable(true);
        QSignalSpy finishedChecks(&updater, &Updater::checkingFinished);

        QCOMPARE(runCheck(updater, finishedChecks), int(Done));

        QCOMPARE(finishedChecks.size(), 1);
        QCOMPARE(updater.updateAvailable(), false);
        QCOMPARE(server.hits("/local/updates.json"), 1);
    }

    void acceptedUpdateIsDownloaded_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("named installer") << QByteArray("/files/kestrix-1.13.exe") << "kestrix-1.13.exe";
        QTest::newRow("URL ending in a slash") << QByteArray("/files/") << "Update.bin";
        QTest::newRow("parent folder as name") << QByteArray("/files/..") << "Update.bin";
        QTest::newRow("Windows separator in name") << QByteArray("/files/..\\setup.exe") << "Update.bin";
    }

    void acceptedUpdateIsDownloaded()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, fileName);
        const QByteArray body = installerBytes(70000);
        const QString downloadUrl = server.url(QString::fromLatin1(path));
        server.serve(QUrl(downloadUrl).path(QUrl::FullyEncoded).toLatin1(), body);
        server.serve("/", body);
        server.serve("/downloads/updates.json", appcast(release(QStringLiteral("1.13"), downloadUrl)));
        Updater updater;
        aim(updater, appcastUrl());
        QSignalSpy finishedDownloads(&updater, &Updater::downloadFinished);
        boxes->queue(QMessageBox::Yes);
        boxes->queue(QMessageBox::Ok);

        QCOMPARE(runApp([&] { updater.checkForUpdates(); }, [&] { return !finishedDownloads.isEmpty(); }),
                 int(Done));

        const QString installer = downloads() + QLatin1Char('/') + fileName;
        QCOMPARE(finishedDownloads.at(0).at(0).toString(), appcastUrl());
        QCOMPARE(finishedDownloads.at(0).at(1).toString(), installer);
        QCOMPARE(readFile(installer), body);
        QVERIFY(!QFile::exists(installer + partialSuffix));
        QCOMPARE(QDir(home->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(server.requests.last().userAgent, userAgent.toUtf8());
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(installer)});
    }

    // ---- Download window ----

    void windowMatchesItsForm()
    {
        Downloader window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Updater"));
        QCOMPARE(window.windowModality(), Qt::ApplicationModal);
        QCOMPARE(window.windowFlags() & (Qt::WindowType_Mask | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint
                                         | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint),
                 Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        QVERIFY(window.windowIcon().isNull());
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(window.isHidden());
        QCOMPARE(window.downloadDir(), QDir(downloads()).absolutePath());
        QCOMPARE(window.customInstallProcedures(), false);

        auto *open = part<QPushButton>(&window, "openButton");
        QVERIFY(open->isHidden());
        QVERIFY(!open->isEnabled());
        QCOMPARE(part<QPushButton>(&window, "stopButton")->text(), QStringLiteral("Stop"));
        QCOMPARE(part<QLabel>(&window, "downloadLabel")->text(), QStringLiteral("Downloading updates"));
        QVERIFY(part<QLabel>(&window, "downloadLabel")->font().bold());
        QCOMPARE(part<QLabel>(&window, "timeLabel")->text(), QStringLiteral("Time remaining: 0 minutes"));
        QVERIFY(part<QProgressBar>(&window, "progressBar")->minimumWidth() >= 320);
        const QLabel *icon = part<QLabel>(&window, "updater_icon");
        QVERIFY(!icon->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(icon->minimumSize(), QSize(96, 96));

        window.setDownloadDir(home->path());
        QCOMPARE(window.downloadDir(), home->path());
    }

    void sizeTexts_data()
    {
        QTest::addColumn<qlonglong>("received");
        QTest::addColumn<qlonglong>("total");
        QTest::addColumn<QString>("label");
        QTest::newRow("bytes and one KB") << 1023LL << 1024LL << "Downloading updates (1023 bytes of 1 KB)";
        QTest::newRow("KB and one MB") << 1048575LL << 1048576LL << "Downloading updates (1023 KB of 1 MB)";
        QTest::newRow("worked example") << 1048576LL << 2500000LL << "Downloading updates (1 MB of 2 MB)";
        QTest::newRow("nothing yet") << 0LL << 5LL << "Downloading updates (0 bytes of 5 bytes)";
    }

    void sizeTexts()
    {
        QFETCH(qlonglong, received);
        QFETCH(qlonglong, total);
        QFETCH(QString, label);
        Downloader window;
        window.calculateSizes(received, total);
        QCOMPARE(part<QLabel>(&window, "downloadLabel")->text(), label);
    }

    void labelsShowTheirWholeText()
    {
        Downloader window;
        window.setFileName(QStringLiteral("setup.exe"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QSize fixedSize = window.size();
        QStringList cut;
        auto check = [&](const char *name) {
            auto *label = part<QLabel>(&window, name);
            if (label->width() < label->sizeHint().width())
                cut.append(label->text());
        };

        for (const qlonglong size : {1023LL, 1048575LL, 250LL << 20})
            for (const qlonglong received : {size / 3, size}) {
                window.calculateSizes(received, size);
                check("downloadLabel");
            }
        boxes->inspect = [&](QMessageBox *) {
            check("downloadLabel");
            check("timeLabel");
        };
        boxes->queue(QMessageBox::Cancel);
        window.installUpdate();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        check("timeLabel");

        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
        QCOMPARE(window.size(), fixedSize);
        QCOMPARE(window.minimumSize(), window.maximumSize());
    }

    void absurdLengthStillGivesAnEstimate()
    {
        // Never started, so the whole time since 1970 counts as elapsed: a
        // few billion bytes make a speed of a byte or two per second, and a
        // length near the 64-bit limit leaves billions of hours.
        Downloader window;
        window.calculateTimeRemaining(4000000000LL, std::numeric_limits<qint64>::max());
        const QString text = part<QLabel>(&window, "timeLabel")->text();
        const QString prefix = QStringLiteral("Time remaining: about ");
        QVERIFY2(text.startsWith(prefix) && text.endsWith(QStringLiteral(" hours")), qPrintable(text));
        const qlonglong hours = text.mid(prefix.size()).section(QLatin1Char(' '), 0, 0).toLongLong();
        QVERIFY2(hours > 1000000000000000LL, qPrintable(text));
    }

    void timeRemaining()
    {
        // Whole seconds decide the estimate: start just after a second begins.
        server.route("/files/stalled.exe", [] { HttpTestServer::Response r; r.silent = true; return r; }());
        Downloader window;
        window.setFileName(QStringLiteral("stalled.exe"));
        while (QDateTime::currentMSecsSinceEpoch() % 1000 > 100)
            QTest::qWait(5);
        const qint64 started = QDateTime::currentSecsSinceEpoch();
        window.startDownload(QUrl(server.url("/files/stalled.exe")));
        auto *time = part<QLabel>(&window, "timeLabel");
        QCOMPARE(time->text(), QStringLiteral("Time remaining: unknown"));
        QCOMPARE(part<QPushButton>(&window, "stopButton")->text(), QStringLiteral("Stop"));
        window.calculateTimeRemaining(500000, 1000000);
        QCOMPARE(time->text(), QStringLiteral("Time remaining: unknown"));

        auto waitForSecond = [&](qint64 n) {
            while (QDateTime::currentSecsSinceEpoch() < started + n)
                QTest::qWait(5);
            QVERIFY(QDateTime::currentMSecsSinceEpoch() % 1000 < 700);
        };
        waitForSecond(1);
        // One second in, 1000 bytes received: 1000 bytes per second.
        window.calculateTimeRemaining(0, 1000000);
        QCOMPARE(time->text(), QStringLiteral("Time remaining: unknown"));
        const QList<QPair<qlonglong, QString>> cases = {
            {0, "1 second"},         {1, "1 second"},        {2, "2 seconds"},
            {60, "60 seconds"},      {61, "1 minute"},       {89, "1 minute"},
            {90, "2 minutes"},       {3600, "60 minutes"},   {7200, "120 minutes"},
            {7201, "about 2 hours"}, {9000, "about 3 hours"}, {36000, "about 10 hours"}};
        for (const auto &c : cases) {
            window.calculateTimeRemaining(1000, 1000 + c.first * 1000);
            QCOMPARE(time->text(), QStringLiteral("Time remaining: ") + c.second);
        }

        waitForSecond(4);
        window.updateProgress(1048576, 2500000);
        QCOMPARE(part<QProgressBar>(&window, "progressBar")->value(), 41);
        QCOMPARE(part<QLabel>(&window, "downloadLabel")->text(), QStringLiteral("Downloading updates (1 MB of 2 MB)"));
        QCOMPARE(time->text(), QStringLiteral("Time remaining: 5 seconds"));
    }

    void chunkedDownloadEndsWithInstallQuestion_data()
    {
        mandatoryRows();
    }

    void chunkedDownloadEndsWithInstallQuestion()
    {
        QFETCH(bool, mandatory);
        const QByteArray body = installerBytes(300000);
        HttpTestServer::Response slow;
        slow.body = body;
        slow.chunks = 6;
        slow.pauseMs = 80;
        server.route("/files/setup.exe", slow);
        QDir().mkpath(downloads());
        const QString installer = downloads() + QStringLiteral("/setup.exe");
        for (const QString &stale : {installer, installer + partialSuffix}) {
            QFile file(stale);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("stale bytes of an earlier attempt");
        }

        Downloader window;
        window.setUrlId(QStringLiteral("appcast-key"));
        window.setFileName(QStringLiteral("setup.exe"));
        window.setUserAgentString(QStringLiteral("probe/2"));
        window.setMandatoryUpdate(mandatory);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        QList<int> progress;
        connect(part<QProgressBar>(&window, "progressBar"), &QProgressBar::valueChanged,
                [&](int value) { progress.append(value); });
        QStringList windowDuringQuestion;
        boxes->inspect = [&](QMessageBox *) {
            windowDuringQuestion = QStringList{window.isVisible() ? QStringLiteral("visible") : QStringLiteral("hidden"),
                                    part<QPushButton>(&window, "stopButton")->text(),
                                    part<QLabel>(&window, "downloadLabel")->text(),
                                    part<QLabel>(&window, "timeLabel")->text()};
        };
        boxes->queue(QMessageBox::Cancel);

        const int outcome = runApp(
            [&] {
                window.startDownload(QUrl(server.url("/files/setup.exe")));
                QVERIFY(!QFile::exists(installer));
                QVERIFY(!QFile::exists(installer + partialSuffix));
                QVERIFY(window.isVisible());
            },
            [&] { return !boxes->seen.isEmpty() && window.isHidden(); });

        QCOMPARE(outcome, mandatory ? int(QuitRequested) : int(Done));
        QCOMPARE(readFile(installer), body);
        QVERIFY(!QFile::exists(installer + partialSuffix));
        QCOMPARE(finishedDownloads.size(), 1);
        QCOMPARE(finishedDownloads.at(0), (QList<QVariant>{QStringLiteral("appcast-key"), installer}));
        QCOMPARE(server.requests.last().userAgent, QByteArray("probe/2"));
        QVERIFY(std::any_of(progress.begin(), progress.end(), [](int v) { return v > 0 && v < 100; }));
        QCOMPARE(progress.last(), 100);

        QCOMPARE(boxes->seen.size(), 1);
        const BoxReplies::Seen question = boxes->seen.at(0);
        QCOMPARE(question.icon, QMessageBox::Question);
        QCOMPARE(question.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(question.defaultButton, QMessageBox::Ok);
        QCOMPARE(question.informative, QStringLiteral("Click \"OK\" to begin installing the update"));
        QVERIFY(!question.hasParent);
        if (mandatory) {
            QCOMPARE(question.text, installQuestion.chopped(5) + QLatin1Char(' ') + mandatorySentence
                                        + QStringLiteral("</h3>"));
            return;
        }
        QCOMPARE(question.text, installQuestion);
        QCOMPARE(windowDuringQuestion, (QStringList{"visible", "Close", "Download complete!",
                                                    "The installer will open separately..."}));

        auto *open = part<QPushButton>(&window, "openButton");
        QVERIFY(window.isHidden());
        QVERIFY(!open->isHidden());
        QVERIFY(open->isEnabled());
        QCOMPARE(part<QLabel>(&window, "timeLabel")->text(),
                 QStringLiteral("Click the \"Open\" button to apply the update"));
        QVERIFY(desktop.opened.isEmpty());

        // Open asks again before anything is started.
        boxes->queue(QMessageBox::Ok);
        open->click();
        QCOMPARE(boxes->seen.size(), 2);
        QCOMPARE(boxes->seen.at(1).text, installQuestion);
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(installer)});
    }

    void downloadWithoutSizeShowsBusyBar()
    {
        HttpTestServer::Response unsized;
        unsized.body = installerBytes(90000);
        unsized.sendLength = false;
        unsized.chunks = 3;
        unsized.pauseMs = 120;
        server.route("/files/unsized.exe", unsized);
        Downloader window;
        window.setFileName(QStringLiteral("unsized.exe"));
        window.setUseCustomInstallProcedures(true);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        auto *bar = part<QProgressBar>(&window, "progressBar");
        QSet<QString> states;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            states.insert(QStringLiteral("%1..%2 %3 | %4")
                              .arg(bar->minimum())
                              .arg(bar->maximum())
                              .arg(part<QLabel>(&window, "downloadLabel")->text(),
                                   part<QLabel>(&window, "timeLabel")->text()));
        });
        watch.start(5);

        QCOMPARE(runApp([&] { window.startDownload(QUrl(server.url("/files/unsized.exe"))); },
                        [&] { return !finishedDownloads.isEmpty(); }),
                 int(Done));

        QVERIFY2(states.contains(QStringLiteral("0..0 Downloading Updates... | Time Remaining: Unknown")),
                 qPrintable(QStringList(states.values()).join(QLatin1Char('\n'))));
        QCOMPARE(readFile(downloads() + QStringLiteral("/unsized.exe")), unsized.body);
        QVERIFY(boxes->seen.isEmpty());
        QVERIFY(window.isHidden());
    }

    void redirectedDownloadKeepsItsName_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QByteArray>("page");
        QTest::newRow("relative") << QByteArray("../mirror/setup-1.13.exe") << QByteArray();
        QTest::newRow("absolute URL") << QByteArray("full") << QByteArray();
        // Servers often send a small page along with the redirect; it must
        // never end up in the installer.
        QTest::newRow("with a page") << QByteArray("../mirror/setup-1.13.exe")
                                     << QByteArray("<html>Moved</html>").repeated(400);
    }

    void redirectedDownloadKeepsItsName()
    {
        QFETCH(QByteArray, location);
        QFETCH(QByteArray, page);
        if (location == "full")
            location = server.url("/mirror/setup-1.13.exe").toLatin1();
        const QByteArray body = installerBytes(40000);
        server.serve("/mirror/setup-1.13.exe", body);
        HttpTestServer::Response moved;
        moved.status = 302;
        moved.headers.append({"Location", location});
        moved.body = page;
        moved.chunks = page.isEmpty() ? 1 : 3;
        moved.pauseMs = 60;
        server.route("/files/latest.exe", moved);
        Downloader window;
        window.setFileName(QStringLiteral("latest.exe"));
        window.setUseCustomInstallProcedures(true);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);

        QCOMPARE(runApp([&] { window.startDownload(QUrl(server.url("/files/latest.exe"))); },
                        [&] { return !finishedDownloads.isEmpty(); }),
                 int(Done));

        QCOMPARE(finishedDownloads.size(), 1);
        QCOMPARE(readFile(downloads() + QStringLiteral("/latest.exe")), body);
        QCOMPARE(server.hits("/mirror/setup-1.13.exe"), 1);
        QCOMPARE(QDir(downloads()).entryList(QDir::Files), QStringList{"latest.exe"});
    }

    void failedDownloadIsNeverOffered_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("mandatory");
        QTest::newRow("404") << QByteArray("/files/gone.exe") << "Not Found" << false;
        QTest::newRow("404, mandatory") << QByteArray("/files/gone.exe") << "Not Found" << true;
        QTest::newRow("redirect loop") << QByteArray("/files/loop.exe") << "Too many redirects" << false;
        QTest::newRow("redirect to a local file") << QByteArray("/files/local.exe") << "not on the web" << false;
        QTest::newRow("cut short") << QByteArray("/files/short.exe") << "" << false;
        // What failed, and on which file, is in the box ({dir}: the Downloads folder).
        QTest::newRow("partial file blocked")
            << QByteArray("/files/fine.exe") << "Could not write the update to {dir}/setup.exe.part:\n" << false;
        QTest::newRow("installer blocked")
            << QByteArray("/files/fine.exe") << "Could not rename {dir}/setup.exe.part\nto {dir}/setup.exe:\n"
            << false;
        // Another program removes the partial file mid-transfer: what follows
        // would make an installer without its head.
        QTest::newRow("partial file removed")
            << QByteArray("/files/slow.exe") << "Could not write the update to {dir}/setup.exe.part:\n" << false;
    }

    void failedDownloadIsNeverOffered()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, error);
        QFETCH(bool, mandatory);
        server.redirect("/files/loop.exe", "loop.exe");
        server.redirect("/files/local.exe", "file:///etc/hostname");
        HttpTestServer::Response cut;
        cut.body = installerBytes(50000);
        cut.headers.append(qMakePair(QByteArray("Content-Length"), QByteArray("80000")));
        cut.sendLength = false;
        server.route("/files/short.exe", cut);
        server.serve("/files/fine.exe", installerBytes(3000));
        HttpTestServer::Response slow;
        slow.body = installerBytes(60000);
        slow.chunks = 3;
        slow.pauseMs = 200;
        server.route("/files/slow.exe", slow);
        const QString partial = downloads() + QStringLiteral("/setup.exe") + partialSuffix;
        bool removed = false;
        // A folder where the download's file has to go.
        if (QLatin1String(QTest::currentDataTag()) == QLatin1String("partial file blocked"))
            QVERIFY(QDir().mkpath(downloads() + QStringLiteral("/setup.exe") + partialSuffix));
        if (QLatin1String(QTest::currentDataTag()) == QLatin1String("installer blocked"))
            QVERIFY(QDir().mkpath(downloads() + QStringLiteral("/setup.exe")));
        error.replace(QStringLiteral("{dir}"), QDir::toNativeSeparators(downloads()));
        Downloader window;
        window.setFileName(QStringLiteral("setup.exe"));
        window.setMandatoryUpdate(mandatory);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);

        const int outcome = runApp([&] { window.startDownload(QUrl(server.url(QString::fromLatin1(path)))); },
                                   [&] {
                                       if (path == "/files/slow.exe" && !removed && QFileInfo(partial).size() > 0)
                                           removed = QFile::remove(partial);
                                       return !boxes->seen.isEmpty() && window.isHidden();
                                   });

        QCOMPARE(outcome, mandatory ? int(QuitRequested) : int(Done));
        QCOMPARE(removed, path == "/files/slow.exe");
        QCOMPARE(boxes->seen.size(), 1);
        QCOMPARE(boxes->seen.at(0).title, QStringLiteral("Error"));
        QCOMPARE(boxes->seen.at(0).icon, QMessageBox::Critical);
        QVERIFY(boxes->seen.at(0).hasParent);
        QVERIFY2(!boxes->seen.at(0).text.isEmpty() && boxes->seen.at(0).text.contains(error),
                 qPrintable(boxes->seen.at(0).text));
        QCOMPARE(finishedDownloads.size(), 0);
        QCOMPARE(QDir(downloads()).entryList(QDir::Files), QStringList());
        QVERIFY(desktop.opened.isEmpty());
        if (path == "/files/loop.exe")
            QCOMPARE(server.hits(path), 1 + maxRedirects);
    }

    void stopAsksBeforeCancelling_data()
    {
        mandatoryRows();
    }

    void stopAsksBeforeCancelling()
    {
        QFETCH(bool, mandatory);
        HttpTestServer::Response stalling;
        stalling.body = installerBytes(60000);
        stalling.chunks = 3;
        stalling.pauseMs = 3000;
        server.route("/files/stalling.exe", stalling);
        Downloader window;
        window.setFileName(QStringLiteral("stalling.exe"));
        window.setMandatoryUpdate(mandatory);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        const QString partial = downloads() + QStringLiteral("/stalling.exe") + partialSuffix;
        auto *stop = part<QPushButton>(&window, "stopButton");
        bool stillShownAfterNo = false;

        const int outcome = runApp(
            [&] { window.startDownload(QUrl(server.url("/files/stalling.exe"))); },
            [&] {
                if (QFileInfo(partial).size() == 0 || !boxes->seen.isEmpty())
                    return boxes->seen.size() == 2 && window.isHidden();
                boxes->queue(QMessageBox::No);
                stop->click();
                stillShownAfterNo = window.isVisible();
                boxes->queue(QMessageBox::Yes);
                stop->click();
                return false;
            });

        QCOMPARE(outcome, mandatory ? int(QuitRequested) : int(Done));
        QVERIFY(stillShownAfterNo);
        QVERIFY(window.isHidden());
        QCOMPARE(boxes->seen.size(), 2);
        QCOMPARE(boxes->seen.at(0).title, QStringLiteral("Updater"));
        QCOMPARE(boxes->seen.at(0).icon, QMessageBox::Question);
        QCOMPARE(boxes->seen.at(0).buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(boxes->seen.at(0).text,
                 mandatory ? QStringLiteral("Are you sure you want to cancel the download? ") + mandatorySentence
                           : QStringLiteral("Are you sure you want to cancel the download?"));
        QTest::qWait(100);
        QCOMPARE(finishedDownloads.size(), 0);
        QCOMPARE(QDir(downloads()).entryList(QDir::Files), QStringList());
    }

    // The question runs its own loop: the transfer ends under it, completed
    // (the install question comes on top) or cut (the "Error" box). Yes then
    // has nothing left to abort.
    void transferEndingUnderTheCancelQuestion_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("mandatory");
        QTest::newRow("released") << false << false;
        QTest::newRow("released, mandatory") << false << true;
        QTest::newRow("cut") << true << false;
    }

    void transferEndingUnderTheCancelQuestion()
    {
        QFETCH(bool, cut);
        QFETCH(bool, mandatory);
        HttpTestServer::Response stalling;
        stalling.body = installerBytes(60000);
        // The reply reports its first chunk with the second; the third ends it.
        stalling.chunks = 3;
        stalling.pauseMs = 500;
        if (cut) {
            stalling.headers.append(qMakePair(QByteArray("Content-Length"), QByteArray("90000")));
            stalling.sendLength = false;
        }
        server.route("/files/stalling.exe", stalling);
        Downloader window;
        window.setFileName(QStringLiteral("stalling.exe"));
        window.setMandatoryUpdate(mandatory);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        const QString installer = downloads() + QStringLiteral("/stalling.exe");
        auto *stop = part<QPushButton>(&window, "stopButton");
        bool askedWhileRunning = false;
        boxes->leaveOpen = [&](QMessageBox *box) {
            const bool running = finishedDownloads.isEmpty() && boxes->seen.isEmpty();
            if (box->text().contains(QLatin1String("cancel the download")) && running)
                return askedWhileRunning = true;
            return false;
        };
        boxes->queue(cut ? QMessageBox::Close : QMessageBox::Ok);
        boxes->queue(QMessageBox::Yes);
        bool stopped = false;

        const int outcome = runApp(
            [&] { window.startDownload(QUrl(server.url("/files/stalling.exe"))); },
            [&] {
                if (!stopped && QFileInfo(installer + partialSuffix).size() > 0) {
                    stopped = true;
                    stop->click();
                }
                return stopped && window.isHidden();
            });

        QCOMPARE(outcome, mandatory ? int(QuitRequested) : int(Done));
        QVERIFY(askedWhileRunning);
        QVERIFY(window.isHidden());
        QCOMPARE(boxes->seen.size(), 2);
        QCOMPARE(boxes->seen.at(0).title, cut ? QStringLiteral("Error") : QString());
        QVERIFY(boxes->seen.at(1).text.startsWith(QLatin1String("Are you sure you want to cancel")));
        QCOMPARE(finishedDownloads.size(), cut ? 0 : 1);
        QCOMPARE(readFile(installer), cut ? QByteArray() : stalling.body);
        QCOMPARE(desktop.opened, cut ? QList<QUrl>() : QList<QUrl>{QUrl::fromLocalFile(installer)});
    }

    void stopAfterTheEndOnlyHides_data()
    {
        mandatoryRows();
    }

    void stopAfterTheEndOnlyHides()
    {
        QFETCH(bool, mandatory);
        server.serve("/files/small.exe", installerBytes(2000));
        Downloader window;
        window.setFileName(QStringLiteral("small.exe"));
        window.setUseCustomInstallProcedures(true);
        window.setMandatoryUpdate(mandatory);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        QCOMPARE(runApp([&] { window.startDownload(QUrl(server.url("/files/small.exe"))); },
                        [&] { return !finishedDownloads.isEmpty(); }),
                 int(Done));
        QVERIFY(window.isHidden());

        const int outcome = runApp(
            [&] {
                window.show();
                part<QPushButton>(&window, "stopButton")->click();
            },
            [&] { return window.isHidden(); });

        QCOMPARE(outcome, mandatory ? int(QuitRequested) : int(Done));
        QVERIFY(window.isHidden());
        QVERIFY(boxes->seen.isEmpty());
        QVERIFY(QFile::exists(downloads() + QStringLiteral("/small.exe")));
    }

    void newDownloadSupersedesTheRunningOne()
    {
        HttpTestServer::Response slow;
        slow.body = QByteArray(40000, 'A');
        slow.chunks = 4;
        slow.pauseMs = 150;
        server.route("/files/first.exe", slow);
        const QByteArray second = installerBytes(30000);
        server.serve("/files/second.exe", second);
        Downloader window;
        window.setFileName(QStringLiteral("setup.exe"));
        window.setUseCustomInstallProcedures(true);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        const QString partial = downloads() + QStringLiteral("/setup.exe") + partialSuffix;
        bool restarted = false;

        QCOMPARE(runApp([&] { window.startDownload(QUrl(server.url("/files/first.exe"))); },
                        [&] {
                            if (!restarted && QFileInfo(partial).size() > 0) {
                                restarted = true;
                                window.startDownload(QUrl(server.url("/files/second.exe")));
                            }
                            return restarted && !finishedDownloads.isEmpty();
                        }),
                 int(Done));
        QTest::qWait(700);

        QCOMPARE(finishedDownloads.size(), 1);
        QCOMPARE(readFile(downloads() + QStringLiteral("/setup.exe")), second);
        QVERIFY(!QFile::exists(partial));
        QVERIFY(boxes->seen.isEmpty());
    }

    void slotsWithoutATransferDoNothing()
    {
        server.serve("/files/small.exe", installerBytes(2000));
        Downloader window;
        window.setFileName(QStringLiteral("small.exe"));
        window.setUseCustomInstallProcedures(true);
        QSignalSpy finishedDownloads(&window, &Downloader::downloadFinished);
        const QString installer = downloads() + QStringLiteral("/small.exe");
        const auto callEverySlot = [&] {
            window.updateProgress(100, 2000);
            window.updateProgress(100, -1);
            window.saveFile(100, 2000);
            window.finished();
        };

        callEverySlot();
        QVERIFY(!QFileInfo::exists(downloads()));

        QCOMPARE(runApp([&] { window.startDownload(QUrl(server.url("/files/small.exe"))); },
                        [&] { return !finishedDownloads.isEmpty(); }),
                 int(Done));
        callEverySlot();
        QCOMPARE(finishedDownloads.size(), 1);
        QCOMPARE(readFile(installer), installerBytes(2000));
        QCOMPARE(QDir(downloads()).entryList(QDir::Files), QStringList{"small.exe"});
        QVERIFY(boxes->seen.isEmpty());
    }

    void openWithoutFileNameComplains()
    {
        Downloader window;
        boxes->queue(QMessageBox::Close);
        window.openDownload();
        QCOMPARE(boxes->seen.size(), 1);
        QCOMPARE(boxes->seen.at(0).title, QStringLiteral("Error"));
        QCOMPARE(boxes->seen.at(0).text, QStringLiteral("Cannot find downloaded update!"));
        QCOMPARE(boxes->seen.at(0).icon, QMessageBox::Critical);
        QCOMPARE(boxes->seen.at(0).buttons, QMessageBox::StandardButtons(QMessageBox::Close));
        QVERIFY(desktop.opened.isEmpty());
    }
};

KESTRIX_TEST_MAIN(tst_updater)
#include "tst_updater.moc"
