#include "engines/mencoder.h"
#include "engines/engineslogging.h"

#include <QDebug>
#include <QRegularExpression>

MEncoder::MEncoder()
    : m_fourCCs{QStringLiteral("DVI3"), QStringLiteral("DVI4"), QStringLiteral("DIVX"),
                QStringLiteral("DX50")}
    , m_defaultFourCC(QStringLiteral("DX50"))
{
    m_name = QStringLiteral("MEncoder");
}

bool MEncoder::startInterface(const QString &executablePath, const QString &libraryPath)
{
    return startFrame(executablePath, libraryPath);
}

IProcessor::QueryOutcome MEncoder::queryEngine(QString &failureText, QString &error)
{
    QString stdOut;
    const QStringList arguments{QStringLiteral("-ovc"), QStringLiteral("help"),
                                QStringLiteral("-oac"), QStringLiteral("help"),
                                QStringLiteral("-of"), QStringLiteral("help")};
    if (!runQuery(arguments, tr("MEncoder: %1."), stdOut, failureText, error))
        return QueryOutcome::RunFailed;
    parseSignature(stdOut);

    // The three answers follow each other: video codecs, audio codecs, output formats.
    static const QRegularExpression sections(
        QStringLiteral("Available codecs:(.*)Available codecs:(.*)Available output formats:(.*)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = sections.match(stdOut);
    if (!match.hasMatch()) {
        qCDebug(lcEngines).noquote() << "MEncoder: failed to split codecs/formats help"
                           << '"' + m_executablePath + '"';
        return QueryOutcome::Refused;
    }
    parseHelpList(match.captured(1), m_videoCodecs);
    parseHelpList(match.captured(2), m_audioCodecs);
    parseHelpList(match.captured(3), m_muxers);
    m_subtitleCodecs.insert(QStringLiteral("inlay"), tr("Inlaid subtitles"));
    return QueryOutcome::Ready;
}

void MEncoder::parseSignature(const QString &text)
{
    // "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team": the name, then the version token.
    static const QRegularExpression banner(
        QStringLiteral("(mencoder)\\s+(\\S+).*MPlayer Team"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    parseSignatureWith(banner, text);
}

void MEncoder::parseHelpList(const QString &text, QMap<QString, QString> &map)
{
    // One entry per line: "   lavc     - libavcodec codecs - best quality!". Lines end with
    // "\r\n" on some systems and "\n" on others; the description stops at either.
    static const QRegularExpression entry(QStringLiteral("(\\S+)[ \\t]+-[ \\t]+([^\\r\\n]*)\\r?\\n"));
    QRegularExpressionMatchIterator it = entry.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString name = match.captured(1);
        const QString description = match.captured(2);
        qCDebug(lcEngines).noquote() << "MEncoder: found available codec or muxer:" << name << description;
        map.insert(name, description);
    }
}
