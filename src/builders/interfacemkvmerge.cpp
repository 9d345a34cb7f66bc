#include "builders/interfacemkvmerge.h"
#include "builders/builderslogging.h"

#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"

#include <QDebug>
#include <QRegularExpression>

InterfaceMKVmerge::InterfaceMKVmerge()
{
    supportedMuxers = QStringList{"mkv"};
    supportedVideoCodecs = QStringList{"copy"};
    supportedAudioCodecs = QStringList{"copy"};
    supportedSubtitleCodecs = QStringList{"copy"};
    addMuxerRows({{"mkv", {}, {}, {}}});
}

void InterfaceMKVmerge::cliCmdGetStatus(QString &program, QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"--version"};
    logCommand("InterfaceMKVmerge::cliCmdGetStatus() returns command:", program, arguments);
}

void InterfaceMKVmerge::parseStatus()
{
    qCDebug(lcBuilders) << "InterfaceMKVmerge::parseStatus() starts parsing status raw data";
    if (!status || status->state != InterfaceStatus::OutputCaptured)
        return;
    const QString text = QString::fromUtf8(status->stdOut);
    // The classic banner names the build: "mkvmerge v4.0.0 ('The Stars were mine') built on
    // Jun  6 2010 16:18:42"; today's has no build date: "mkvmerge v74.0.0 ('You Oughta
    // Know') 64-bit", whose version is the word after the program's name.
    // The blanks before "built" are tried only from where they start, and those after the
    // name are not given back: both overlap the version's text, and a long run of blanks
    // would otherwise be tried at each split, in quadratic time.
    static const QRegularExpression classic(QStringLiteral("(mkvmerge)\\s++([^\\r\\n]*)(?<!\\s)\\s++built"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression today(QStringLiteral("(mkvmerge)\\s+(v\\d[^\\s]*)"),
                                          QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = classic.match(text);
    if (!match.hasMatch())
        match = today.match(text);
    if (match.captured(1).isEmpty() || match.captured(2).trimmed().isEmpty()) {
        qCDebug(lcBuilders) << "InterfaceMKVmerge::parseStatus() - Failed to parse MKVmerge standard output (signature)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    status->signature = match.captured(1);
    status->version = match.captured(2).trimmed();
    qCDebug(lcBuilders) << "InterfaceMKVmerge::parseStatus() - signature:" << status->signature
                        << "version:" << status->version;
    if (capabilities && capabilities->muxerMap) {
        capabilities->muxerMap->clear();
        capabilities->muxerMap->insert(QStringLiteral("mkv"), QStringLiteral("Matroska"));
    }
    status->state = InterfaceStatus::Ready;
}
