#include "engines/ffmpeg.h"

#include "engines/fileargument.h"
#include "engines/syncrunner.h"
#include "engines/engineslogging.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

namespace {
// Engine answers are read line by line; a line end may be "\r\n", "\n" or "\r".
QStringList answerLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\\r\\n|\\n|\\r"));
    return text.split(lineEnd, Qt::SkipEmptyParts);
}

struct FixedEntry
{
    const char *name;
    const char *description;
};

// Names every FFmpeg accepts besides the encoders it lists.
constexpr FixedEntry fixedVideoCodecs[] = {
    {"auto", QT_TRANSLATE_NOOP("FFmpeg", "Encoder chooses appropriate codec")},
    {"copy", QT_TRANSLATE_NOOP("FFmpeg", "Stream copy")},
};
constexpr FixedEntry fixedAudioCodecs[] = {
    {"auto", QT_TRANSLATE_NOOP("FFmpeg", "Encoder chooses appropriate codec")},
    {"copy", QT_TRANSLATE_NOOP("FFmpeg", "Stream copy")},
    {"multi", QT_TRANSLATE_NOOP("FFmpeg", "Multi-stream")},
};
constexpr FixedEntry fixedSubtitleCodecs[] = {
    {"auto", QT_TRANSLATE_NOOP("FFmpeg", "Encoder chooses appropriate codec")},
    {"copy", QT_TRANSLATE_NOOP("FFmpeg", "Stream copy")},
    {"multi", QT_TRANSLATE_NOOP("FFmpeg", "Multi-stream")},
};

template <std::size_t N>
void insertFixed(QMap<QString, QString> &map, const FixedEntry (&entries)[N])
{
    for (const FixedEntry &entry : entries)
        map.insert(QLatin1String(entry.name), FFmpeg::tr(entry.description));
}

// The seek of a stream copy, an input option (before "-i"). A start at the very beginning
// ("00:00:00") is no seek at all: seeking to 0 is not harmless, for FFmpeg stamps an FLV's
// first video packet after 0 (at 25 ms), so "-ss 0" lands on the second key frame and
// the copy loses everything before it (2 s at a key frame every 2 s).
QStringList seekOptions(const QString &startPosition)
{
    static const QRegularExpression zero(QStringLiteral("^0+(?::0+)*(?:\\.0+)?$"));
    if (zero.match(startPosition).hasMatch())
        return {};
    return {QStringLiteral("-ss"), startPosition};
}
} // namespace

FFmpeg::FFmpeg()
{
    m_name = QStringLiteral("FFmpeg");
}

bool FFmpeg::startInterface(const QString &executablePath, const QString &libraryPath)
{
    return startFrame(executablePath, libraryPath);
}

IProcessor::QueryOutcome FFmpeg::queryEngine(QString &failureText, QString &error)
{
    struct Query
    {
        const char *argument;
        void (FFmpeg::*parse)(const QString &);
        const char *failure;
    };
    static const Query queries[] = {
        {"-formats", &FFmpeg::parseMuxers, QT_TR_NOOP("FFmpeg: %1.")},
        {"-codecs", &FFmpeg::parseCodecs, QT_TR_NOOP("FFmpeg: error %1.")},
    };
    QString banner;
    if (!runQuery({QStringLiteral("-version")}, tr("FFmpeg: %1."), banner, failureText, error))
        return QueryOutcome::RunFailed;
    if (!parseSignature(banner))
        return refuseWithoutBanner();
    for (const Query &query : queries) {
        QString stdOut;
        if (!runQuery({QLatin1String(query.argument)}, tr(query.failure), stdOut, failureText,
                      error))
            return QueryOutcome::RunFailed;
        (this->*query.parse)(stdOut);
    }
    return QueryOutcome::Ready;
}

bool FFmpeg::parseSignature(const QString &text)
{
    // Today's banner reads "ffmpeg version 5.1.9-0+deb12u1 Copyright ...": the word
    // "version" stands between the name and the version.
    static const QRegularExpression banner(QStringLiteral("(FFmpeg)\\s+(?:version\\s+)?(\\S+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    return parseSignatureWith(banner, text);
}

void FFmpeg::parseMuxers(const QString &text)
{
    // " DE ac3             raw AC-3" or "  E 3g2   3GP2 (3GPP2 file format)": "E" in the
    // second flag column marks a muxer. Names joined by commas ("sdl,sdl2") are not taken.
    static const QRegularExpression muxer(
        QStringLiteral("^\\s(?:D|\\s)E.([^=]\\w+)\\s+(\\S.*)$"));
    for (const QString &line : answerLines(text)) {
        const QRegularExpressionMatch match = muxer.match(line);
        if (!match.hasMatch())
            continue;
        const QString name = match.captured(1);
        const QString description = match.captured(2).trimmed();
        qCDebug(lcEngines).noquote() << "FFmpeg: found available format muxer:" << name << description;
        m_muxers.insert(name, description);
    }
}

void FFmpeg::parseCodecs(const QString &text)
{
    // Six flag columns, then the codec name: " DEV.L. mpeg4   MPEG-4 part 2 (decoders: ...)
    // (encoders: mpeg4 libxvid ...)". Older builds write blanks where today's write dots;
    // a row that can only encode starts with "." instead of "D". When a row names its
    // encoders, those are the names the engine accepts, besides the codec's own name.
    struct Kind
    {
        QChar letter;
        QMap<QString, QString> FFmpeg::*map;
        const char *debugText;
    };
    static const Kind kinds[] = {
        {QLatin1Char('V'), &FFmpeg::m_videoCodecs, "FFmpeg: found available video encoder:"},
        {QLatin1Char('A'), &FFmpeg::m_audioCodecs, "FFmpeg: found available audio encoder:"},
        {QLatin1Char('S'), &FFmpeg::m_subtitleCodecs, "FFmpeg: found available subtitle encoder:"},
    };
    static const QRegularExpression row(
        QStringLiteral("^\\s(?:D|\\.|\\s)E([VAS])....([^=]\\w+)\\s+(\\S.*)$"));
    // A list with no ")" after it has none after a later list either: (*COMMIT) ends the search
    // there instead of trying each later one to the end of the row. The blanks in front of a
    // list are tried only from where they start, and none are given back: both would take
    // quadratic time on a row of long blank runs.
    static const QRegularExpression encoderList(QStringLiteral("\\(encoders:(*COMMIT)\\s*+([^)]*+)\\)"));
    static const QRegularExpression codecLists(
        QStringLiteral("(?<!\\s)\\s*+\\((?:de|en)coders:(*COMMIT)[^)]*+\\)"));

    insertFixed(m_videoCodecs, fixedVideoCodecs);
    insertFixed(m_audioCodecs, fixedAudioCodecs);
    insertFixed(m_subtitleCodecs, fixedSubtitleCodecs);

    const QStringList lines = answerLines(text);
    for (const Kind &kind : kinds) {
        QMap<QString, QString> &map = this->*kind.map;
        for (const QString &line : lines) {
            const QRegularExpressionMatch match = row.match(line);
            if (!match.hasMatch() || match.captured(1).at(0) != kind.letter)
                continue;
            const QString rowText = match.captured(3);
            QString description = rowText;
            description.remove(codecLists);
            description = description.trimmed();
            QStringList names{match.captured(2)};
            const QRegularExpressionMatch encoders = encoderList.match(rowText);
            if (encoders.hasMatch())
                names += encoders.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString &name : std::as_const(names)) {
                qCDebug(lcEngines).noquote() << kind.debugText << name << description;
                map.insert(name, description);
            }
        }
    }
}

bool FFmpeg::cliCmdSplit(QString &program, QStringList &arguments, QString &error,
                         const QString &inputPath, const QString &outputPath,
                         const QString &startPosition, qint64 sizeBytes,
                         const QStringList &outputOptions, bool intoOwnFile) const
{
    error.clear();
    // Today's FFmpeg takes the seek as an input option (before "-i") and the rest as output
    // options. Every video, audio, subtitle and attachment stream is kept (FFmpeg would take
    // one of each kind: a DVD's second language would be lost), but cover pictures, which
    // the caller maps where it wants them; data streams, such as a DVD's navigation packets,
    // have no place in the output and are left out. The size goes in bytes, as the caller
    // gave it. A file that stands at the output path is never overwritten ("-n"): FFmpeg
    // then refuses, and the file stays as it was; unless it is the caller's own, made to hold
    // the name for this copy.
    QStringList list = seekOptions(startPosition);
    list << QStringLiteral("-i") << fileArgument(inputPath);
    for (const char *streams : {"0:V?", "0:a?", "0:s?", "0:t?"})
        list << QStringLiteral("-map") << QLatin1String(streams);
    list << QStringLiteral("-vcodec") << QStringLiteral("copy") << QStringLiteral("-acodec")
         << QStringLiteral("copy") << QStringLiteral("-scodec") << QStringLiteral("copy");
    if (sizeBytes > 0)
        list << QStringLiteral("-fs") << QString::number(sizeBytes);
    list << outputOptions << (intoOwnFile ? QStringLiteral("-y") : QStringLiteral("-n")) << fileArgument(outputPath);
    arguments = list;
    program = m_executablePath;
    return true;
}

bool FFmpeg::cliCmdMerge(QString &program, QStringList &arguments, QString &error,
                         const QString &listPath, const QString &firstPart, const QString &outputPath,
                         const QString &container) const
{
    error.clear();
    // The list names absolute paths, which the concat demuxer takes only as "unsafe".
    QStringList list{QStringLiteral("-f"), QStringLiteral("concat"), QStringLiteral("-safe"),
                     QStringLiteral("0"), QStringLiteral("-i"), fileArgument(listPath)};
    // The concat demuxer hands on a Matroska attachment as a stream of no known type, which
    // "0:t" does not select (FFmpeg 5.1): the attached files are the first part's, read from it.
    list << QStringLiteral("-i") << fileArgument(firstPart);
    for (const char *streams : {"0:v?", "0:a?", "0:s?", "1:t?"})
        list << QStringLiteral("-map") << QLatin1String(streams);
    list << QStringLiteral("-c") << QStringLiteral("copy") << QStringLiteral("-f") << container
         << QStringLiteral("-n") << fileArgument(outputPath);
    arguments = list;
    program = m_executablePath;
    return true;
}

QByteArray FFmpeg::concatList(const QStringList &files)
{
    // Inside single quotes everything is plain but the quote itself, which closes the
    // quotes, is escaped and opens them again.
    QByteArray list("ffconcat version 1.0\n");
    for (const QString &file : files) {
        QByteArray path = QFile::encodeName(QFileInfo(file).absoluteFilePath());
        path.replace('\'', QByteArrayLiteral("'\\''"));
        list += "file '" + path + "'\n";
    }
    return list;
}

// The same input options as the split command. The "framemd5" muxer lists the packets it is
// given, here the first one only, with its hash and, as "-copyts" keeps the input's time
// stamps, its time in the input.
QStringList FFmpeg::firstCopiedPacketArguments(const QString &inputPath, const QString &startPosition,
                                               const QString &stream)
{
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error")};
    arguments << seekOptions(startPosition) << QStringLiteral("-i") << fileArgument(inputPath) << QStringLiteral("-map")
              << QStringLiteral("0:") + stream << QStringLiteral("-c") << QStringLiteral("copy")
              << QStringLiteral("-copyts") << QStringLiteral("-frames") << QStringLiteral("1")
              << QStringLiteral("-f") << QStringLiteral("framemd5") << QStringLiteral("-");
    return arguments;
}

void FFmpeg::prefetchFirstCopiedPacket(const QString &inputPath, const QString &startPosition,
                                       const QString &stream) const
{
    prefetchRun(firstCopiedPacketArguments(inputPath, startPosition, stream));
}

void FFmpeg::dropFirstCopiedPacket(const QString &inputPath, const QString &startPosition,
                                   const QString &stream) const
{
    dropRun(firstCopiedPacketArguments(inputPath, startPosition, stream));
}

bool FFmpeg::firstCopiedPacket(QString &hash, const QString &inputPath,
                               const QString &startPosition, const QString &stream,
                               double *inputTime)
{
    hash.clear();
    if (m_state != Ready)
        return false;
    const QStringList arguments = firstCopiedPacketArguments(inputPath, startPosition, stream);
    QString stdOut;
    QString stdErr;
    QString error;
    if (!runProcess(arguments, stdOut, stdErr, error)) {
        qCDebug(lcEngines).noquote() << "FFmpeg::firstCopiedPacket() run error" << error << inputPath;
        return false;
    }
    if (!readFirstCopiedPacket(stdOut, hash, inputTime)) { // nothing to copy: a start past the end
        qCDebug(lcEngines).noquote() << "FFmpeg::firstCopiedPacket() no packet from" << startPosition
                           << inputPath << stdErr.trimmed();
        return false;
    }
    return true;
}

bool FFmpeg::readFirstCopiedPacket(const QString &answer, QString &hash, double *inputTime)
{
    hash.clear();
    // "#tb 0: 1/90000", then "0, dts, pts, duration, size, hash" per packet, and after it the
    // packet's side data (", S=1, 1, hash": an MPEG transport stream's H.264 packets carry some).
    static const QRegularExpression timeBase(QStringLiteral("^#tb \\d+: (\\d+)/(\\d+)"),
                                             QRegularExpression::MultilineOption);
    static const QRegularExpression packetLine(
        QStringLiteral("^\\d+,\\s*(-?\\d+),\\s*(-?\\d+),\\s*-?\\d+,\\s*\\d+,\\s*([0-9a-fA-F]{32})\\s*(?:,[^\\n]*)?$"),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch packet = packetLine.match(answer);
    if (!packet.hasMatch())
        return false;
    hash = QStringLiteral("MD5:") + packet.captured(3).toLower();
    if (inputTime) {
        const QRegularExpressionMatch base = timeBase.match(answer);
        // A packet without a presentation time is listed with the smallest integer.
        const qint64 pts = packet.captured(2).toLongLong();
        const qint64 stamp = pts == std::numeric_limits<qint64>::min() ? packet.captured(1).toLongLong() : pts;
        const double denominator = base.captured(2).toDouble();
        *inputTime = base.hasMatch() && denominator > 0.0
                         ? double(stamp) * base.captured(1).toDouble() / denominator
                         : qQNaN();
    }
    return true;
}
