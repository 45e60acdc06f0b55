#include "downloader.h"
#include "ui_downloader.h"

#include "globals.h"
#include "quitrequest.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

quint32 nowInSeconds()
{
    return static_cast<quint32>(QDateTime::currentSecsSinceEpoch());
}

QString sizeText(qlonglong bytes)
{
    if (bytes < 1024)
        return Downloader::tr("%1 bytes").arg(bytes);
    if (bytes < 1048576)
        return Downloader::tr("%1 KB").arg(bytes >> 10);
    return Downloader::tr("%1 MB").arg(bytes >> 20);
}

QString remainingText(qlonglong seconds)
{
    if (seconds > 7200) {
        // A server may announce any length; the estimate must not overflow.
        const qlonglong hours = qlonglong(seconds / 3600.0 + 0.5);
        return Downloader::tr("about %1 hours").arg(hours);
    }
    if (seconds > 60) {
        const int minutes = int(seconds / 60.0 + 0.5);
        return minutes <= 1 ? Downloader::tr("1 minute") : Downloader::tr("%1 minutes").arg(minutes);
    }
    return seconds <= 1 ? Downloader::tr("1 second") : Downloader::tr("%1 seconds").arg(seconds);
}

QString sizesText(qlonglong received, qlonglong total)
{
    return Downloader::tr("Downloading updates") + QStringLiteral(" (") + sizeText(received)
           + QStringLiteral(" ") + Downloader::tr("of") + QStringLiteral(" ") + sizeText(total)
           + QStringLiteral(")");
}

QString unsizedText()
{
    return Downloader::tr("Downloading Updates") + QStringLiteral("...");
}

QString completeText()
{
    return Downloader::tr("Download complete!");
}

QString timeText(const QString &estimate)
{
    return Downloader::tr("Time remaining") + QStringLiteral(": ") + estimate;
}

QString unknownTimeText()
{
    return timeText(Downloader::tr("unknown"));
}

QString unsizedTimeText()
{
    return QStringLiteral("%1: %2").arg(Downloader::tr("Time Remaining"), Downloader::tr("Unknown"));
}

QString installerOpensText()
{
    return Downloader::tr("The installer will open separately") + QStringLiteral("...");
}

QString openButtonHint()
{
    return Downloader::tr("Click the \"Open\" button to apply the update");
}

// The window's size is fixed once, so a label must get room up front for the
// widest text it will show; otherwise sizes and hints are cut off mid-word.
void reserveWidth(QLabel *label, const QStringList &texts)
{
    const QString shown = label->text();
    int widest = 0;
    for (const QString &text : texts) {
        label->setText(text);
        widest = qMax(widest, label->sizeHint().width());
    }
    label->setText(shown);
    label->setMinimumWidth(widest);
}

} // namespace

Downloader::Downloader(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui_Downloader)
{
    ui->setupUi(this);
    m_manager = new QNetworkAccessManager();
    m_downloadDir.setPath(QDir::homePath() + QStringLiteral("/Downloads/"));

    setWindowIcon(QIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    ui->openButton->setEnabled(false);
    ui->openButton->hide();
    connect(ui->stopButton, &QPushButton::clicked, this, &Downloader::cancelDownload);
    connect(ui->openButton, &QPushButton::clicked, this, &Downloader::installUpdate);

    const qlonglong widestSize = Q_INT64_C(9999) << 20;
    reserveWidth(ui->downloadLabel, {sizesText(1023, 1023), sizesText(1048575, 1048575),
                                     sizesText(widestSize, widestSize), unsizedText(), completeText()});
    reserveWidth(ui->timeLabel, {unknownTimeText(), unsizedTimeText(), timeText(remainingText(99 * 3600)),
                                 timeText(remainingText(7200)), timeText(remainingText(60)),
                                 installerOpensText(), openButtonHint()});
    setFixedSize(minimumSizeHint());
}

Downloader::~Downloader()
{
    delete ui;
    delete m_reply;
    delete m_manager;
}

bool Downloader::customInstallProcedures() const
{
    return m_customInstallProcedures;
}

QString Downloader::downloadDir() const
{
    return m_downloadDir.absolutePath();
}

void Downloader::setDownloadDir(const QString &path)
{
    if (m_downloadDir.absolutePath() != path)
        m_downloadDir.setPath(path);
}

void Downloader::setUrlId(const QString &url)
{
    m_urlId = url;
}

void Downloader::setFileName(const QString &file)
{
    m_fileName = file.isEmpty() ? QStringLiteral("Update.bin") : file;
}

void Downloader::setUserAgentString(const QString &agent)
{
    m_userAgentString = agent;
}

void Downloader::setUseCustomInstallProcedures(bool custom)
{
    m_customInstallProcedures = custom;
}

void Downloader::setMandatoryUpdate(bool mandatory_update)
{
    m_mandatoryUpdate = mandatory_update;
}

QString Downloader::installerPath() const
{
    return m_downloadDir.filePath(m_fileName);
}

QString Downloader::partialPath() const
{
    return installerPath() + partialSuffix;
}

void Downloader::startDownload(const QUrl &url)
{
    m_redirects = 0;
    request(url);
}

void Downloader::request(const QUrl &url)
{
    ui->progressBar->setValue(0);
    ui->stopButton->setText(tr("Stop"));
    ui->downloadLabel->setText(tr("Downloading updates"));
    ui->timeLabel->setText(unknownTimeText());

    QNetworkRequest req(url);
    if (!m_userAgentString.isEmpty())
        req.setRawHeader("User-Agent", m_userAgentString.toUtf8());

    // Only the current transfer may reach the window: a superseded one would
    // otherwise append to the new partial file or end the new download.
    dropReply();
    m_reply = m_manager->get(req);
    m_startTime = nowInSeconds();
    m_writeFailed = false;
    m_written = 0;

    if (!m_downloadDir.exists())
        QDir().mkpath(m_downloadDir.absolutePath());
    QFile::remove(installerPath());
    QFile::remove(partialPath());

    connect(m_reply, &QNetworkReply::downloadProgress, this, &Downloader::updateProgress);
    connect(m_reply, &QNetworkReply::finished, this, &Downloader::finished);
    connect(m_reply, &QNetworkReply::redirected, this, &Downloader::followRedirect);

    showNormal();
}

void Downloader::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *old = m_reply;
    m_reply = nullptr;
    disconnect(old, nullptr, this, nullptr);
    old->abort();
    old->deleteLater();
}

void Downloader::followRedirect(const QUrl &target)
{
    // Servers commonly send a target relative to the URL they were asked for.
    const QUrl next = m_reply->url().resolved(target);
    if (++m_redirects > maxRedirects) {
        failTransfer(tr("Too many redirects"));
        return;
    }
    // Never let a server turn the download into a copy of a local file.
    if (!isWebUrl(next)) {
        failTransfer(tr("Redirected to an address that is not on the web"));
        return;
    }
    request(next);
}

void Downloader::updateProgress(qlonglong received, qlonglong total)
{
    // An aborted transfer still reports its last progress, and with no
    // transfer at all there is nothing to show or to save.
    if (!m_reply || !m_reply->isOpen())
        return;
    if (total > 0) {
        ui->progressBar->setRange(0, 100);
        ui->progressBar->setValue(int(received * 100 / total));
        calculateSizes(received, total);
        calculateTimeRemaining(received, total);
        saveFile(received, total);
        return;
    }
    ui->progressBar->setRange(0, 0);
    ui->progressBar->setValue(-1);
    ui->downloadLabel->setText(unsizedText());
    ui->timeLabel->setText(unsizedTimeText());
    saveFile(received, total);
}

void Downloader::calculateSizes(qlonglong received, qlonglong total)
{
    ui->downloadLabel->setText(sizesText(received, total));
}

void Downloader::calculateTimeRemaining(qlonglong received, qlonglong total)
{
    const quint32 elapsed = nowInSeconds() - m_startTime;
    if (elapsed == 0)
        return;
    const qlonglong speed = received / qlonglong(elapsed);
    if (speed == 0)
        return;
    const qlonglong remaining = (total - received) / speed;
    ui->timeLabel->setText(timeText(remainingText(remaining)));
}

void Downloader::saveFile(qlonglong, qlonglong)
{
    if (!m_reply)
        return;
    const QUrl target = m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!target.isEmpty()) {
        followRedirect(target);
        return;
    }
    appendArrivedData();
}

QString Downloader::writeErrorText(const QString &path, const QString &reason) const
{
    return tr("Could not write the update to %1:\n%2").arg(QDir::toNativeSeparators(path), reason);
}

// Appends what the reply holds to the partial file. When the file cannot be
// opened the data stays in the reply for the next attempt; a short write
// loses data for good and spoils the whole transfer.
bool Downloader::appendArrivedData()
{
    QFile file(partialPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_writeError = writeErrorText(file.fileName(), file.errorString());
        return false;
    }
    const QByteArray data = m_reply->readAll();
    const qint64 written = file.write(data);
    m_written += qMax<qint64>(written, 0);
    if (written != data.size()) {
        m_writeFailed = true;
        m_writeError = writeErrorText(file.fileName(), file.errorString());
    }
    file.close();
    return !m_writeFailed;
}

// Another program may remove or cut the partial file between two notices; the
// next notice then starts a new file with only the rest of the installer.
bool Downloader::partialFileIsWhole()
{
    const qint64 size = QFileInfo(partialPath()).size();
    if (size == m_written)
        return true;
    m_writeError = writeErrorText(partialPath(),
                                  tr("%1 bytes were written to it, but it holds %2; another "
                                     "program changed or removed it during the download.")
                                      .arg(m_written)
                                      .arg(size));
    return false;
}

void Downloader::finished()
{
    // Only the end of the current transfer counts: without one there is
    // nothing to finish, and a half-arrived installer must never be offered.
    if (!m_reply || !m_reply->isFinished())
        return;
    const QUrl target = m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!target.isEmpty()) {
        followRedirect(target);
        return;
    }
    if (m_reply->error() == QNetworkReply::OperationCanceledError) {
        // The operator's Stop: cancelDownload has already hidden the window.
        QFile::remove(partialPath());
        dropReply();
        return;
    }
    if (m_reply->error() != QNetworkReply::NoError) {
        failTransfer(m_reply->errorString());
        return;
    }
    // Whatever arrived after the last progress notice still belongs to the
    // installer; an installer missing its tail must never be offered.
    if (!appendArrivedData() || !partialFileIsWhole()) {
        failTransfer(m_writeError);
        return;
    }
    QFile::remove(installerPath());
    QFile partial(partialPath());
    if (!partial.rename(installerPath())) {
        failTransfer(tr("Could not rename %1\nto %2:\n%3")
                         .arg(QDir::toNativeSeparators(partialPath()),
                              QDir::toNativeSeparators(installerPath()), partial.errorString()));
        return;
    }

    // The transfer is over; released before anyone hears of it, so that a
    // download started from there is not taken for this one.
    m_reply->close();
    dropReply();
    emit downloadFinished(m_urlId, installerPath());
    installUpdate();
    hide();
}

void Downloader::failTransfer(const QString &reason)
{
    dropReply();
    QFile::remove(partialPath());
    QMessageBox::critical(this, tr("Error"), reason, QMessageBox::Close);
    if (m_mandatoryUpdate)
        quitApplication();
    hide();
}

void Downloader::installUpdate()
{
    if (m_customInstallProcedures)
        return;

    ui->stopButton->setText(tr("Close"));
    ui->downloadLabel->setText(completeText());
    ui->timeLabel->setText(installerOpensText());

    QMessageBox box;
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setInformativeText(tr("Click \"OK\" to begin installing the update"));
    const QString text = m_mandatoryUpdate
        ? tr("In order to install the update, you may need to quit the application. This is a "
             "mandatory update, exiting now will close the application")
        : tr("In order to install the update, you may need to quit the application.");
    box.setText(QStringLiteral("<h3>") + text + QStringLiteral("</h3>"));

    if (box.exec() == QMessageBox::Ok) {
        openDownload();
        return;
    }
    if (m_mandatoryUpdate)
        quitApplication();
    ui->openButton->setEnabled(true);
    ui->openButton->show();
    ui->timeLabel->setText(openButtonHint());
}

void Downloader::openDownload()
{
    if (m_fileName.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Cannot find downloaded update!"),
                              QMessageBox::Close);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(installerPath()));
}

void Downloader::cancelDownload()
{
    if (!m_reply || m_reply->isFinished()) {
        if (m_mandatoryUpdate)
            quitApplication();
        hide();
        return;
    }

    QMessageBox box;
    box.setWindowTitle(tr("Updater"));
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setText(m_mandatoryUpdate
                    ? tr("Are you sure you want to cancel the download? This is a mandatory "
                         "update, exiting now will close the application")
                    : tr("Are you sure you want to cancel the download?"));
    if (box.exec() != QMessageBox::Yes)
        return;

    // The question runs its own event loop: the transfer may have completed
    // or failed under it, and its reply is then already released.
    hide();
    if (m_reply && !m_reply->isFinished())
        m_reply->abort();
    if (m_mandatoryUpdate)
        quitApplication();
}
