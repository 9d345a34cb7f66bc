#include "engines/mencoder.h"
#include "engines/engineslogging.h"
#include "engines/fileargument.h"
#include "engines/textsections.h"

#include <QDebug>
#include <QRegularExpression>

#include <algorithm>

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
    const QList<QStringView> sections =
        TextSections::split(stdOut, {QLatin1String("Available codecs:"), QLatin1String("Available codecs:"),
                                     QLatin1String("Available output formats:")},
                            Qt::CaseInsensitive);
    if (sections.isEmpty()) {
        qCDebug(lcEngines).noquote() << "MEncoder: failed to split codecs/formats help"
                           << '"' + m_executablePath + '"';
        return QueryOutcome::Refused;
    }
    parseHelpList(sections.at(0).toString(), m_videoCodecs);
    parseHelpList(sections.at(1).toString(), m_audioCodecs);
    parseHelpList(sections.at(2).toString(), m_muxers);
    m_subtitleCodecs.insert(QStringLiteral("inlay"), tr("Inlaid subtitles"));
    return QueryOutcome::Ready;
}

void MEncoder::parseSignature(const QString &text)
{
    // "MEncoder UNKNOWN-12 (C) 2000-2023 MPlayer Team": the name, then the version token.
    static const QRegularExpression banner(
        // (*COMMIT): a later "mencoder" cannot find the team's name where the first failed to.
        QStringLiteral("(mencoder)\\s+(\\S+)(*COMMIT).*MPlayer Team"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    parseSignatureWith(banner, text);
}

QList<MEncoder::HelpEntry> MEncoder::helpEntries(const QString &text)
{
    // One entry per line: "   lavc     - libavcodec codecs - best quality!". Lines end with
    // "\r\n" on some systems and "\n" on others; an unended last line is no entry. Each line
    // is read alone, its name starting where a word starts: tried across the whole text, the
    // description would be searched to the text's end from every dash of a long line.
    static const QRegularExpression entry(QStringLiteral("(?<!\\S)(\\S+)[ \\t]+-[ \\t]+(.*)"));
    QList<HelpEntry> entries;
    const QStringView whole(text);
    for (qsizetype begin = 0, end = 0; (end = whole.indexOf(QLatin1Char('\n'), begin)) >= 0; begin = end + 1) {
        QStringView line = whole.sliced(begin, end - begin);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QRegularExpressionMatch match = entry.match(line.toString());
        if (match.hasMatch())
            entries.append({match.captured(1), match.captured(2)});
    }
    return entries;
}

void MEncoder::parseHelpList(const QString &text, QMap<QString, QString> &map)
{
    for (const HelpEntry &entry : helpEntries(text)) {
        qCDebug(lcEngines).noquote() << "MEncoder: found available codec or muxer:" << entry.name
                                     << entry.description;
        map.insert(entry.name, entry.description);
    }
}

QString MEncoder::lavfFormat(const QString &container)
{
    // libavformat knows Matroska and QuickTime only by these names: "mkv" and "qt" are
    // accepted by today's MEncoder only when the output file name happens to end in the
    // matching extension.
    if (container == QLatin1String("mkv"))
        return QStringLiteral("matroska");
    if (container == QLatin1String("mov") || container == QLatin1String("qt"))
        return QStringLiteral("mov");
    if (container == QLatin1String("mpeg_vcd"))
        return QStringLiteral("vcd");
    return container;
}

namespace {

// A tag MEncoder can write: four printable characters. FFprobe shows an unprintable byte
// as "[n]", so a missing tag as "[0][0][0][0]", of which "-ffourcc" would write "[0][".
bool isFourCC(const QString &tag)
{
    if (tag.size() != 4 || tag.trimmed().isEmpty())
        return false;
    return std::all_of(tag.cbegin(), tag.cend(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
}

} // namespace

QStringList MEncoder::mergeArguments(const QStringList &inputs, const QString &output,
                                     const QString &container, const QString &fourcc)
{
    QStringList arguments;
    for (const QString &input : inputs)
        arguments << fileArgument(input);
    // Every picture is kept as it is: MEncoder otherwise drops or doubles pictures where the
    // sound of a file ends a sound frame before or after its pictures ("Skipping frame!",
    // "1 duplicate frame(s)!"), as volumes cut between key frames do.
    arguments << QStringLiteral("-ovc") << QStringLiteral("copy") << QStringLiteral("-oac")
              << QStringLiteral("copy") << QStringLiteral("-mc") << QStringLiteral("0")
              << QStringLiteral("-noskip");
    if (container == QLatin1String("avi")) {
        arguments << QStringLiteral("-of") << QStringLiteral("avi");
        if (isFourCC(fourcc))
            arguments << QStringLiteral("-ffourcc") << fourcc;
    } else if (container == QLatin1String("mpeg")) {
        arguments << QStringLiteral("-of") << QStringLiteral("mpeg");
    } else {
        arguments << QStringLiteral("-of") << QStringLiteral("lavf") << QStringLiteral("-lavfopts")
                  << QStringLiteral("format=") + lavfFormat(container);
    }
    arguments << QStringLiteral("-o") << output;
    return arguments;
}

bool MEncoder::cliCmdMerge(QString &program, QStringList &arguments, QString &error,
                           const QStringList &inputs, const QString &output,
                           const QString &container, const QString &fourcc) const
{
    error.clear();
    arguments = mergeArguments(inputs, output, container, fourcc);
    program = binary(); // as given: a path outside Latin-1 must stay a path
    return true;
}
