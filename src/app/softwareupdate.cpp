#include "app/softwareupdate.h"

#include "app/appidentity.h"
#include "app/applogging.h"
#include "app/website.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUrl>

namespace {

struct ReplyTag
{
    const char *name;
    QString SoftwareUpdate::Answer::*value;
};

const ReplyTag kReplyTags[] = {
    {"RESPONSE", &SoftwareUpdate::Answer::response},
    {"OPENURL", &SoftwareUpdate::Answer::openUrl},
    {"MERVOURL", &SoftwareUpdate::Answer::mervoUrl},
    {"WHATYOUGET", &SoftwareUpdate::Answer::whatYouGet},
};

const char kServicePath[] = "/vexo/update/request.php";

} // namespace

SoftwareUpdate::SoftwareUpdate(QString *response, QString *whatYouGet, QString *openUrl, QString *mervoUrl,
                               QObject *parent)
    : QObject(parent),
      m_build(QString::fromLatin1(AppIdentity::kBuildNumber)),
      m_platform(QSysInfo::kernelType()),
      m_system(systemText()),
      m_version(QString::fromLatin1(AppIdentity::kFullVersion)),
      m_response(response),
      m_openUrl(openUrl),
      m_mervoUrl(mervoUrl),
      m_whatYouGet(whatYouGet)
{
    // The transfer time-out only counts silence: a service that sends a byte now and then
    // would keep the check running for ever without a deadline for the whole of it.
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &SoftwareUpdate::checkUpdateOverdue);
}

SoftwareUpdate::~SoftwareUpdate()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

QString SoftwareUpdate::systemText()
{
    QString text = QSysInfo::prettyProductName() + QLatin1Char(' ') + QSysInfo::kernelType() + QLatin1Char(' ')
            + QSysInfo::kernelVersion();
    // One line whatever the system reports.
    return text.replace(QRegularExpression(QStringLiteral("[\\r\\n]+")), QStringLiteral(" ")).simplified();
}

QByteArray SoftwareUpdate::requestBody(const QString &platform, const QString &version, const QString &build,
                                       const QString &system)
{
    const QString fields[][2] = {
        {QStringLiteral("platform"), platform},
        {QStringLiteral("version"), version},
        {QStringLiteral("build"), build},
        {QStringLiteral("system"), system},
    };
    QByteArray body;
    for (const auto &field : fields) {
        if (!body.isEmpty())
            body += '&';
        body += field[0].toLatin1() + '=' + QUrl::toPercentEncoding(field[1]);
    }
    return body;
}

SoftwareUpdate::Answer SoftwareUpdate::parseReply(const QString &body)
{
    Answer answer;
    // From the first opening tag to the last closing tag after it: found with two searches,
    // where a pattern would try every opening tag against the rest of a megabyte.
    for (const ReplyTag &tag : kReplyTags) {
        const QString opening = QStringLiteral("<%1>").arg(QLatin1String(tag.name));
        const QString closing = QStringLiteral("</%1>").arg(QLatin1String(tag.name));
        const qsizetype begin = body.indexOf(opening);
        const qsizetype end = body.lastIndexOf(closing);
        if (begin >= 0 && end >= begin + opening.size())
            answer.*tag.value = body.mid(begin + opening.size(), end - begin - opening.size()).trimmed();
    }
    return answer;
}

void SoftwareUpdate::checkUpdate()
{
    if (m_reply && m_reply->isRunning())
        return;
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    m_abortReason.clear();

    const QByteArray body = requestBody(m_platform, m_version, m_build, m_system);
    qCDebug(lcApp) << "update request body:" << body;
    QNetworkRequest request(WebSite::page(QString::fromLatin1(kServicePath)));
    request.setRawHeader("Referer", "CheckUpdates");
    request.setRawHeader("User-Agent",
                         QStringLiteral("%1 %2").arg(QString::fromLatin1(AppIdentity::kProductName), m_version).toLatin1());
    request.setRawHeader("Content-Type", "application/x-www-form-urlencoded");
    request.setTransferTimeout(m_transferTimeoutMs);
    m_reply = m_network->post(request, body);
    connect(m_reply, &QNetworkReply::errorOccurred, this, &SoftwareUpdate::checkUpdateError);
    connect(m_reply, &QNetworkReply::finished, this, &SoftwareUpdate::checkUpdateFinish);
    connect(m_reply, &QNetworkReply::readyRead, this, &SoftwareUpdate::checkUpdateRead);
    m_deadline.start(m_deadlineMs);
    emit checkUpdateStarted();
}

void SoftwareUpdate::checkUpdateRead()
{
    // The body is read when the transfer has finished; here only its size is watched, so a
    // service gone wrong cannot fill the memory.
    if (m_reply && m_reply->bytesAvailable() > kMaximumReplySize) {
        m_abortReason = tr("the reply is larger than %1 bytes").arg(kMaximumReplySize);
        m_reply->abort();
    }
}

void SoftwareUpdate::checkUpdateOverdue()
{
    if (!m_reply)
        return;
    m_abortReason = tr("no complete answer within %1 seconds").arg(m_deadlineMs / 1000.0);
    m_reply->abort();
}

void SoftwareUpdate::checkUpdateError(QNetworkReply::NetworkError code)
{
    // The outcome waits for finished(), which always follows an error notice.
    qCDebug(lcApp) << "update check: network error" << int(code);
}

void SoftwareUpdate::checkUpdateFinish()
{
    QNetworkReply *reply = m_reply;
    if (!reply)
        return;
    m_deadline.stop();
    m_reply = nullptr;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!m_abortReason.isEmpty()) {
        fail(m_abortReason);
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        // Nothing else cancels a running check: the transfer time-out ran out.
        fail(tr("no answer within %1 seconds").arg(m_transferTimeoutMs / 1000.0));
    } else if (reply->error() != QNetworkReply::NoError) {
        fail(reply->errorString());
    } else if (status < 200 || status > 299) {
        fail(tr("network error #%1").arg(status));
    } else {
        const Answer answer = parseReply(QString::fromUtf8(reply->readAll()));
        *m_response = answer.response;
        *m_openUrl = answer.openUrl;
        *m_mervoUrl = answer.mervoUrl;
        *m_whatYouGet = answer.whatYouGet;
        emit checkUpdateSucceeded();
    }
    emit checkUpdateFinished();
}

void SoftwareUpdate::fail(const QString &reason)
{
    // A failed check leaves no values of an earlier one behind.
    for (QString *value : {m_response, m_openUrl, m_mervoUrl, m_whatYouGet})
        value->clear();
    emit checkUpdateFailed(reason);
}
