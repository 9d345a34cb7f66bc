#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;

// Asks the update service once per check whether a newer release exists: one form-encoded
// POST telling the platform, version, build and system, answered by a text with up to four
// tagged values (RESPONSE, OPENURL, MERVOURL, WHATYOUGET) that land in the owner's strings.
//
// The reply is read whole, once, when the transfer has finished, and every check ends in
// exactly one outcome: checkUpdateSucceeded() or checkUpdateFailed(reason). An HTTP error
// (a 404 with a body included), a closed connection, no answer within the transfer time-out,
// a redirect loop, a reply larger than kMaximumReplySize and a check still running at its
// deadline (kDefaultDeadlineMs for the whole of it) all fail. checkUpdateFinished()
// follows either outcome as the notice that the check is over.
class SoftwareUpdate : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaximumReplySize = 1024 * 1024;
    static constexpr int kDefaultTransferTimeoutMs = 30000;
    static constexpr int kDefaultDeadlineMs = 60000;

    // The four values of a reply.
    struct Answer
    {
        QString response;
        QString openUrl;
        QString mervoUrl;
        QString whatYouGet;
    };

    SoftwareUpdate(QString *response, QString *whatYouGet, QString *openUrl, QString *mervoUrl,
                   QObject *parent = nullptr);
    ~SoftwareUpdate() override;

    // Sends the request unless one is still running.
    virtual void checkUpdate();

    void setTransferTimeout(int milliseconds) { m_transferTimeoutMs = milliseconds; }
    void setDeadline(int milliseconds) { m_deadlineMs = milliseconds; }
    QString system() const { return m_system; }
    QString platform() const { return m_platform; }

    // "platform=…&version=…&build=…&system=…", each value percent-encoded.
    static QByteArray requestBody(const QString &platform, const QString &version, const QString &build,
                                  const QString &system);
    // The tagged values of a reply body: from the first opening to the last closing tag of
    // each name, trimmed; empty when a tag is missing.
    static Answer parseReply(const QString &body);
    // A one-line description of the operating system.
    static QString systemText();

signals:
    void checkUpdateFailed(const QString &reason);
    void checkUpdateFinished();
    void checkUpdateStarted();
    void checkUpdateSucceeded();

protected slots:
    void checkUpdateError(QNetworkReply::NetworkError code);
    void checkUpdateFinish();
    void checkUpdateRead();
    void checkUpdateOverdue();

private:
    void fail(const QString &reason);

    QString m_build;
    QString m_platform;
    QString m_system;
    QString m_version;
    QNetworkAccessManager *m_network = nullptr;
    QNetworkReply *m_reply = nullptr;
    // Why the checker itself aborted the pending reply; empty otherwise.
    QString m_abortReason;
    int m_transferTimeoutMs = kDefaultTransferTimeoutMs;
    int m_deadlineMs = kDefaultDeadlineMs;
    QTimer m_deadline;
    QString *m_response;
    QString *m_openUrl;
    QString *m_mervoUrl;
    QString *m_whatYouGet;
};
