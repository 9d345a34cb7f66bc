// The output parsers of InterfaceMplayer: identify output of a DVD and of a clip (a media
// file or one DVD title), answers of a running player, standard-error lines and the
// status run's banner and driver lists.

#include "engines/interfacemplayer.h"
#include "engines/engineslogging.h"

#include "engines/clipinfo.h"
#include "engines/diskinfo.h"
#include "engines/playbackinfo.h"
#include "engines/playercapabilities.h"
#include "engines/playeroutputcode.h"
#include "engines/playerstatus.h"
#include "engines/textsections.h"

#include <QDebug>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

constexpr auto kCaseless = QRegularExpression::CaseInsensitiveOption;

// Output is decoded per line; white space runs collapse so that column-aligned output and
// both line-end styles read alike.
QString simplifiedLine(const QByteArray &line)
{
    return QString::fromUtf8(line).simplified();
}

void debugLine(const char *parser, const QString &what, const QString &line)
{
    qCDebug(lcMplayer).noquote() << QStringLiteral("InterfaceMplayer: %1() %2").arg(QLatin1String(parser), what)
                       << QStringLiteral("\"%1\"").arg(line);
}

void debugFailure(const char *parser, const char *value, const QString &line)
{
    debugLine(parser, QStringLiteral("failed to parse %1 in").arg(QLatin1String(value)), line);
}

void debugOutcome(const char *parser, int code, const QString &line)
{
    debugLine(parser, code == 0 ? QStringLiteral("ignored output") : QStringLiteral("parsed"), line);
}

// The text of a line that follows its fixed prefix; empty when the line is shorter.
QString after(const QString &line, int prefixLength)
{
    return line.mid(prefixLength);
}

// The text without its first `head` and last `tail` characters; empty when too short.
QString between(const QString &line, int head, int tail)
{
    const qsizetype length = line.size() - head - tail;
    return length > 0 ? line.mid(head, length) : QString();
}

// A decimal number as the engine writes it. "nan" and "inf" convert as well but are no
// seconds, rates or speeds that the callers could compute with, so they do not count.
double toFiniteDouble(const QString &text, bool *ok)
{
    const double value = text.toDouble(ok);
    if (*ok && !std::isfinite(value)) {
        *ok = false;
        return 0.0;
    }
    return value;
}

// Conversions of the values that are read "without a check": a bad number becomes 0.
int lenientInt(const QString &text)
{
    return text.trimmed().toInt();
}

double lenientDouble(const QString &text)
{
    bool ok = false;
    return toFiniteDouble(text.trimmed(), &ok);
}

// The leftmost match that starts after the six-character "VIDEO:" or "AUDIO:" word.
QRegularExpressionMatch matchAfterPrefix(const QRegularExpression &pattern, const QString &line)
{
    return pattern.match(line, 6);
}

QString withoutLeading(const QString &text, const char *prefix)
{
    return text.startsWith(QLatin1String(prefix)) ? text.mid(qsizetype(qstrlen(prefix))) : text;
}

// Decoder names carry the family prefix "ffo" (old builds) or "ff" ("ffh264").
QString withoutDecoderPrefix(const QString &codec)
{
    if (codec.startsWith(QLatin1String("ffo")))
        return codec.mid(3);
    return withoutLeading(codec, "ff");
}

// A chapter start "hh:mm:ss" as older builds print it, or "hh:mm:ss.fff" as today's do.
bool chapterSeconds(const QString &text, double *seconds)
{
    static const QRegularExpression time(QStringLiteral("^(\\d+):(\\d{1,2}):(\\d{1,2}(?:\\.\\d+)?)$"));
    const QRegularExpressionMatch m = time.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    *seconds = m.captured(1).toDouble() * 3600.0 + m.captured(2).toDouble() * 60.0
               + m.captured(3).toDouble();
    return true;
}

// ---------------------------------------------------------------------------------------
// What reading one line came to. A reader writes to the record only once its line has
// parsed, so that a failed line changes nothing.

struct LineOutcome
{
    bool ok = true;
    int code = PlayerOutputCode::Ignored;
    const char *failedValue = nullptr; // names the value that did not convert
};

LineOutcome failure(const char *value)
{
    return LineOutcome{false, PlayerOutputCode::Ignored, value};
}

LineOutcome outcome(int code)
{
    return LineOutcome{true, code, nullptr};
}

// A whole number that the line must hold: stored in the field when it converts, else the
// line fails naming the value.
LineOutcome storeInt(const QString &text, int &field, const char *value, int code)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok)
        return failure(value);
    field = number;
    return outcome(code);
}

LineOutcome storeDouble(const QString &text, double &field, const char *value, int code)
{
    bool ok = false;
    const double number = toFiniteDouble(text, &ok);
    if (!ok)
        return failure(value);
    field = number;
    return outcome(code);
}

// "ID_NAME=value" lines of the identify message level.
struct IdLineReader
{
    const char *prefix;
    LineOutcome (*read)(const QString &value, ClipInfo &clip);
};

LineOutcome readIdLength(const QString &value, ClipInfo &clip)
{
    return storeDouble(value, clip.length, "movie 'length'", PlayerOutputCode::Length);
}

LineOutcome readIdAudioId(const QString &value, ClipInfo &clip)
{
    return storeInt(value, clip.audio.aid, "audio 'aid'", PlayerOutputCode::AudioId);
}

LineOutcome readIdAudioFormat(const QString &value, ClipInfo &clip)
{
    // Format tags 0x55 and 0x50 of the WAVE header are MPEG audio layers 3 and 2.
    static const QRegularExpression plainName(QStringLiteral("^[a-z0-9_-]+$"), kCaseless);
    const QString format = value.trimmed();
    if (format == QLatin1String("85"))
        clip.audio.format = QStringLiteral("MP3");
    else if (format == QLatin1String("80"))
        clip.audio.format = QStringLiteral("MP2");
    else if (plainName.match(format).hasMatch())
        clip.audio.format = format;
    else
        return failure("audio 'format'");
    return outcome(PlayerOutputCode::AudioFormat);
}

LineOutcome readIdAudioBitrate(const QString &value, ClipInfo &clip)
{
    // The value is in bit/s; kbit/s are truncated, so below 1000 bit/s is 0 kbit/s.
    bool ok = false;
    const qint64 bits = value.toLongLong(&ok);
    if (!ok || qAbs(bits / 1000) > std::numeric_limits<int>::max())
        return failure("audio 'bitrate'");
    clip.audio.bitrate = int(bits / 1000);
    return outcome(PlayerOutputCode::AudioBitrate);
}

LineOutcome readIdAudioRate(const QString &value, ClipInfo &clip)
{
    return storeInt(value, clip.audio.samplingRate, "audio 'sampling'",
                    PlayerOutputCode::AudioSamplingRate);
}

LineOutcome readIdAudioChannels(const QString &value, ClipInfo &clip)
{
    return storeInt(value, clip.audio.channelCount, "audio 'channel number'",
                    PlayerOutputCode::AudioChannelCount);
}

LineOutcome readIdAudioCodec(const QString &value, ClipInfo &clip)
{
    const QString codec = value.trimmed();
    if (codec.isEmpty())
        return failure("audio 'codec'");
    clip.audio.codec = withoutLeading(codec, "ff");
    return outcome(PlayerOutputCode::AudioCodec);
}

LineOutcome readIdVideoCodec(const QString &value, ClipInfo &clip)
{
    const QString codec = value.trimmed();
    if (codec.isEmpty())
        return failure("video 'codec'");
    // The first codec named wins: a later line names the decoder of a further pass.
    if (clip.videoFormat.isEmpty())
        clip.videoFormat = withoutDecoderPrefix(codec);
    return outcome(PlayerOutputCode::VideoCodec);
}

// The chapter count of a clip. A DVD title of one chapter gets no "CHAPTERS:" list, so
// for it this line is the only answer about its chapters.
LineOutcome readIdChapters(const QString &value, ClipInfo &clip)
{
    return storeInt(value, clip.chapters, "DVD chapter number", PlayerOutputCode::ChapterCount);
}

const IdLineReader kIdLineReaders[] = {
    {"ID_LENGTH=", readIdLength},
    {"ID_CHAPTERS=", readIdChapters},
    {"ID_AUDIO_ID=", readIdAudioId},
    {"ID_AUDIO_FORMAT=", readIdAudioFormat},
    {"ID_AUDIO_BITRATE=", readIdAudioBitrate},
    {"ID_AUDIO_RATE=", readIdAudioRate},
    {"ID_AUDIO_NCH=", readIdAudioChannels},
    {"ID_AUDIO_CODEC=", readIdAudioCodec},
    {"ID_VIDEO_CODEC=", readIdVideoCodec},
};

LineOutcome readClipIdLine(const QString &line, ClipInfo &clip)
{
    for (const IdLineReader &reader : kIdLineReaders) {
        if (line.startsWith(QLatin1String(reader.prefix)))
            return reader.read(after(line, int(qstrlen(reader.prefix))), clip);
    }
    return outcome(PlayerOutputCode::Ignored);
}

LineOutcome readClipAnswerLength(const QString &line, ClipInfo &clip)
{
    return storeDouble(after(line, 11), clip.length, "movie 'length'", PlayerOutputCode::Length);
}

// The "yes"/"no" answer to "get_property deinterlace"; -1 when it is neither.
int deinterlaceAnswer(const QString &value)
{
    if (value == QLatin1String("yes"))
        return 1;
    if (value == QLatin1String("no"))
        return 0;
    return -1;
}

LineOutcome readClipAnswerDeinterlace(const QString &line, ClipInfo &clip)
{
    const int state = deinterlaceAnswer(after(line, 16));
    if (state < 0)
        return failure("movie 'deinterlace'");
    clip.deinterlace = state;
    return outcome(PlayerOutputCode::Deinterlace);
}

LineOutcome readClipMovieAspect(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression aspect(QStringLiteral("^Movie-Aspect is\\s+([^\\s]+):1\\s"),
                                           kCaseless);
    const QRegularExpressionMatch m = aspect.match(line);
    bool ok = false;
    const double value = m.hasMatch() ? toFiniteDouble(m.captured(1), &ok) : 0.0;
    if (!ok)
        return outcome(PlayerOutputCode::Ignored);
    clip.aspect = value;
    return outcome(PlayerOutputCode::MovieAspect);
}

LineOutcome readClipVideoOutput(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression scaled(
        QStringLiteral("^VO:.*(?<!\\d)\\d+x\\d+\\s*=>\\s*(\\d+)x(\\d+)\\s"), kCaseless);
    const QRegularExpressionMatch m = scaled.match(line);
    if (!m.hasMatch())
        return outcome(PlayerOutputCode::Ignored);
    clip.scaledWidth = lenientInt(m.captured(1));
    clip.scaledHeight = lenientInt(m.captured(2));
    return outcome(PlayerOutputCode::ScaledResolution);
}

QString videoLineCodec(const QString &line)
{
    static const QRegularExpression mpeg(QStringLiteral("(MPEG\\d)\\s"), kCaseless);
    static const QRegularExpression raw(QStringLiteral("^VIDEO:\\s*\\[\\]\\s+"), kCaseless);
    static const QRegularExpression bracketed(QStringLiteral("^VIDEO:\\s*\\[([^\\s]+)\\]\\s+"),
                                              kCaseless);
    const QRegularExpressionMatch m = matchAfterPrefix(mpeg, line);
    if (m.hasMatch())
        return m.captured(1);
    if (raw.match(line).hasMatch())
        return QStringLiteral("Raw");
    const QRegularExpressionMatch b = bracketed.match(line);
    if (b.hasMatch())
        return withoutDecoderPrefix(b.captured(1));
    return QStringLiteral("Unknown");
}

LineOutcome readClipVideoLine(const QString &line, ClipInfo &clip)
{
    // The look-behinds start each number at the beginning of its digits and each value
    // at the beginning of its word: the captures are the same, and a long line is read in
    // linear time rather than tried again from every character.
    static const QRegularExpression size(QStringLiteral("(?<!\\d)(\\d+)x(\\d+)\\s"), kCaseless);
    static const QRegularExpression depth(QStringLiteral("(?<!\\d)(\\d+)bpp\\s"), kCaseless);
    static const QRegularExpression aspectCode(QStringLiteral("\\(aspect\\s*(\\d)\\)\\s"), kCaseless);
    static const QRegularExpression fps(QStringLiteral("(?<!\\S)(\\S+)\\s*fps\\s"), kCaseless);
    static const QRegularExpression kbps(QStringLiteral("(?<!\\S)(\\S+)\\s*kbps\\s"), kCaseless);

    clip.aspect = 0.0;
    clip.aspectCode = 0;
    clip.colorDepth = 0;
    clip.videoFormat = videoLineCodec(line);

    QRegularExpressionMatch m = matchAfterPrefix(size, line);
    if (m.hasMatch()) {
        clip.width = lenientInt(m.captured(1));
        clip.height = lenientInt(m.captured(2));
    }
    m = matchAfterPrefix(depth, line);
    if (m.hasMatch())
        clip.colorDepth = lenientInt(m.captured(1));
    m = matchAfterPrefix(aspectCode, line);
    if (m.hasMatch())
        clip.aspectCode = lenientInt(m.captured(1));
    m = matchAfterPrefix(fps, line);
    if (m.hasMatch()) {
        clip.frameRate = lenientDouble(m.captured(1));
        clip.frameRateCode = InterfaceMplayer::frameRateCode(m.captured(1));
    }
    m = matchAfterPrefix(kbps, line);
    if (m.hasMatch())
        clip.videoBitrate = lenientDouble(m.captured(1));
    return outcome(PlayerOutputCode::VideoStream);
}

LineOutcome readClipThereAre(const QString &line, ClipInfo &clip)
{
    const QString s = line.trimmed();
    if (s.endsWith(QLatin1String("chapters in this DVD title."))) {
        return storeInt(between(s, 9, 28).trimmed(), clip.chapters, "DVD chapter number",
                        PlayerOutputCode::ChapterCount);
    }
    if (s.endsWith(QLatin1String("angles in this DVD title."))) {
        return storeInt(between(s, 9, 26).trimmed(), clip.angles, "DVD angle number",
                        PlayerOutputCode::AngleCount);
    }
    return outcome(PlayerOutputCode::Ignored);
}

LineOutcome readClipAudioCount(const QString &line, ClipInfo &clip)
{
    return storeInt(between(line.trimmed(), 34, 1).trimmed(), clip.audioCount,
                    "DVD number of audio channels", PlayerOutputCode::AudioStreamCount);
}

LineOutcome readClipDvdAudioStream(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression stream(
        QStringLiteral("audio stream:\\s*(\\d+)\\s+format:\\s*([^\\s]+)\\s+\\(([^\\s]+)\\)\\s+"
                       "language:\\s*([^\\s]+)\\s+aid:\\s*(\\d+)"),
        kCaseless);
    // The fields come from the captures even when the line does not fit: empty captures
    // read as 0 and as empty texts.
    const QRegularExpressionMatch m = stream.match(line);
    clip.audio.streamNumber = lenientInt(m.captured(1));
    clip.audio.format = m.captured(2);
    clip.audio.channels = m.captured(3);
    clip.audio.language = m.captured(4);
    clip.audio.aid = lenientInt(m.captured(5));
    return outcome(PlayerOutputCode::AudioStream);
}

LineOutcome readClipSubtitleCount(const QString &line, ClipInfo &clip)
{
    return storeInt(after(line.trimmed(), 29).trimmed(), clip.subtitleCount,
                    "DVD number of subtitles", PlayerOutputCode::SubtitleCount);
}

// The line begins with "subtitle", so the pattern is only tried from there: trying it
// from every later "subtitle" of a long line would take quadratic time.
LineOutcome readClipDvdSubtitle(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression subtitle(
        QStringLiteral("^subtitle[^:]*:\\s*(\\d+)\\s+language:\\s+([^\\s]+)"), kCaseless);
    const QRegularExpressionMatch m = subtitle.match(line);
    clip.subtitle.sid = lenientInt(m.captured(1));
    clip.subtitle.streamNumber = clip.subtitle.sid;
    clip.subtitle.language = m.captured(2);
    return outcome(PlayerOutputCode::SubtitleStream);
}

LineOutcome readClipAudioLine(const QString &line, ClipInfo &clip)
{
    // Numbers start at the beginning of their digits (see the VIDEO line); the bit rate is
    // a decimal number such as "128.0".
    static const QRegularExpression hertz(QStringLiteral("(?<!\\d)(\\d+)\\s*Hz"), kCaseless);
    static const QRegularExpression channels(QStringLiteral("(?<!\\d)(\\d+)\\s*ch"), kCaseless);
    static const QRegularExpression kbit(QStringLiteral("(?<!\\d)(\\d+(?:\\.\\d+)?)\\s*kbit"),
                                         kCaseless);
    QRegularExpressionMatch m = matchAfterPrefix(hertz, line);
    if (m.hasMatch())
        clip.audio.samplingRate = lenientInt(m.captured(1));
    m = matchAfterPrefix(channels, line);
    if (m.hasMatch())
        clip.audio.channelCount = lenientInt(m.captured(1));
    m = matchAfterPrefix(kbit, line);
    if (m.hasMatch())
        clip.audio.bitrate = lenientDouble(m.captured(1));
    // This line describes the stream being played, which the panel takes as the first.
    clip.audio.streamNumber = 1;
    clip.audio.aid = 0;
    return outcome(PlayerOutputCode::AudioDetails);
}

// Where a demuxer's stream line holds each field: the numbers of the capture groups.
struct StreamGroups
{
    int number, format, id, language, description;
};

// A demuxer's line that names a stream by its kind (the second group of `type`: "audio" or
// the demuxer's subtitle word), read by the kind's pattern into the clip's audio or subtitle
// entry. The audio format loses `audioPrefix`.
LineOutcome readClipStreamLine(const QString &line, ClipInfo &clip, const QRegularExpression &type,
                               const QRegularExpression &audio, const QRegularExpression &subtitle,
                               const char *subtitleWord, StreamGroups g, const char *audioPrefix)
{
    const QRegularExpressionMatch t = type.match(line);
    const QString kind = t.captured(2).toLower();
    const bool isAudio = kind == QLatin1String("audio");
    if (!t.hasMatch() || (!isAudio && kind != QLatin1String(subtitleWord)))
        return outcome(PlayerOutputCode::Ignored);
    const QRegularExpressionMatch m = (isAudio ? audio : subtitle).match(line);
    const auto fill = [&](auto &stream, int &id) {
        stream.streamNumber = lenientInt(m.captured(g.number));
        id = lenientInt(m.captured(g.id));
        stream.language = m.captured(g.language);
        stream.description = m.captured(g.description);
    };
    if (isAudio) {
        fill(clip.audio, clip.audio.aid);
        clip.audio.format = withoutLeading(m.captured(g.format), audioPrefix);
        return outcome(PlayerOutputCode::AudioStream);
    }
    fill(clip.subtitle, clip.subtitle.sid);
    clip.subtitle.format = m.captured(g.format);
    return outcome(PlayerOutputCode::SubtitleStream);
}

// "[lavf] stream N: audio (codec), -aid I, -alang L, Title". The language and the title
// are left out for untagged streams; the id is kept then.
LineOutcome readClipLavfStream(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression type(
        QStringLiteral("stream\\s+(\\d+):\\s+(audio|video|subtitle)\\s+"), kCaseless);
    static const QRegularExpression audio(
        QStringLiteral("stream\\s+(\\d+):\\s+audio\\s+\\(([^\\s]+)\\),\\s+-aid\\s+(\\d+)"
                       "(?:,\\s+-alang\\s+([^\\s^,]+))?(?:,\\s+(.*))?"),
        kCaseless);
    static const QRegularExpression subtitle(
        QStringLiteral("stream\\s+(\\d+):\\s+subtitle\\s+\\(([^\\s]+)\\),\\s+-sid\\s+(\\d+)"
                       "(?:,\\s+-slang\\s+([^\\s^,]+))?(?:,\\s+(.*))?"),
        kCaseless);
    return readClipStreamLine(line, clip, type, audio, subtitle, "subtitle", {1, 2, 3, 4, 5}, "");
}

// "[mkv] Track ID N: audio (A_AAC) "name", -aid I, -alang L" of the Matroska demuxer.
LineOutcome readClipMkvTrack(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression type(
        QStringLiteral("Track ID\\s+(\\d+):\\s+(audio|video|subtitles)\\s+"), kCaseless);
    static const QRegularExpression audio(
        QStringLiteral("Track ID\\s+(\\d+):\\s+audio\\s+\\(([^\\s]+)\\)(?:\\s+\"([^\"]+)\")?,"
                       "\\s+-aid\\s+(\\d+)(?:,\\s+-alang\\s+([^\\s]+))?"),
        kCaseless);
    static const QRegularExpression subtitle(
        QStringLiteral("Track ID\\s+(\\d+):\\s+subtitles\\s+\\(([^\\s]+)\\)(?:\\s+\"([^\"]+)\")?,"
                       "\\s+-sid\\s+(\\d+)(?:,\\s+-slang\\s+([^\\s]+))?"),
        kCaseless);
    return readClipStreamLine(line, clip, type, audio, subtitle, "subtitles", {1, 2, 4, 5, 3}, "ff");
}

// "[aviheader] Audio stream found, -aid 1" of the AVI demuxer. As for the subtitle line,
// the pattern is tried from the start of the line only.
LineOutcome readClipAviHeader(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression stream(
        QStringLiteral("^\\[aviheader\\]\\s+(audio|video|subtitles).+\\s+-(a|s)id\\s+(\\d+)"),
        kCaseless);
    const QRegularExpressionMatch m = stream.match(line);
    if (!m.hasMatch())
        return outcome(PlayerOutputCode::Ignored);
    const QString kind = m.captured(1).toLower();
    const int id = lenientInt(m.captured(3));
    if (kind == QLatin1String("audio")) {
        clip.audio.aid = id;
        clip.audio.streamNumber = id;
        return outcome(PlayerOutputCode::AudioStream);
    }
    if (kind == QLatin1String("subtitles")) {
        clip.subtitle.sid = id;
        clip.subtitle.streamNumber = id;
        return outcome(PlayerOutputCode::SubtitleStream);
    }
    return outcome(PlayerOutputCode::Ignored);
}

// "CHAPTERS: 00:00:00.000,00:00:04.200," with one start per chapter. A part that is no
// time is left out rather than given a start it does not have.
LineOutcome readClipChapters(const QString &line, ClipInfo &clip)
{
    const QStringList parts = after(line, 10).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        double seconds = 0.0;
        if (chapterSeconds(part, &seconds))
            clip.chapterTimes.append(seconds);
    }
    clip.chapters = int(clip.chapterTimes.size());
    return outcome(PlayerOutputCode::ChapterList);
}

// "VIDEO MPEG2(pid=256) AUDIO A52(pid=258) SUB DVB(pid=259)  PROGRAM N. 1" of the transport
// stream reader, which names a subtitle here from the program's table, before any of its
// packets (a DVB subtitle's first may come seconds in, past the identify run's end).
LineOutcome readClipTransportStreams(const QString &line, ClipInfo &clip)
{
    static const QRegularExpression subtitle(QStringLiteral("\\sSUB\\s+([^\\s(]+)\\(pid=(\\d+)\\)"));
    const QRegularExpressionMatch m = subtitle.match(line);
    if (!m.hasMatch())
        return outcome(PlayerOutputCode::Ignored);
    clip.subtitle.format = m.captured(1);
    return storeInt(m.captured(2), clip.subtitle.sid, "subtitle 'pid'", PlayerOutputCode::SubtitleId);
}

// The rules of the clip parser in the order they are tried; the first one whose prefix
// begins the line decides.
struct ClipLineRule
{
    const char *prefix;
    LineOutcome (*read)(const QString &line, ClipInfo &clip);
};

const ClipLineRule kClipPrefixRules[] = {
    {"ID_", readClipIdLine},
    {"ANS_LENGTH", readClipAnswerLength},
    {"ANS_deinterlace", readClipAnswerDeinterlace},
    {"Movie-Aspect is ", readClipMovieAspect},
    {"VO:", readClipVideoOutput},
    {"VIDEO:", readClipVideoLine},
    {"VIDEO ", readClipTransportStreams},
    {"There are", readClipThereAre},
    {"number of audio channels on disk:", readClipAudioCount},
    {"audio stream:", readClipDvdAudioStream},
    {"number of subtitles on disk:", readClipSubtitleCount},
    {"subtitle", readClipDvdSubtitle},
    {"AUDIO:", readClipAudioLine},
    {"[lavf] stream", readClipLavfStream},
    {"[mkv] Track ID", readClipMkvTrack},
    {"[aviheader]", readClipAviHeader},
    {"CHAPTERS:", readClipChapters},
};

LineOutcome readClipLine(const QString &line, ClipInfo &clip)
{
    if (line.startsWith(QLatin1String("Exiting")))
        return outcome(PlayerOutputCode::Exiting);
    if (line.startsWith(QLatin1String("Audio only file format detected."))
        || line.startsWith(QLatin1String("Video: no video"))) {
        clip.audioOnly = true;
        return outcome(PlayerOutputCode::AudioOnlyFile);
    }
    if (line.endsWith(QLatin1String("file format detected."))) {
        clip.fileFormat = between(line, 0, 22);
        return outcome(PlayerOutputCode::FileFormat);
    }
    for (const ClipLineRule &rule : kClipPrefixRules) {
        if (line.startsWith(QLatin1String(rule.prefix)))
            return rule.read(line, clip);
    }
    return outcome(PlayerOutputCode::Ignored);
}

// ---------------------------------------------------------------------------------------
// DVD identify lines.

enum class TitleValue { Chapters, Angles, Length };

// "ID_DVD_TITLE_<t>_<NAME>=<value>" into the entry of title t. A title number outside
// the table is refused: it names no title of a DVD, and must never write past the table.
bool readDvdTitleValue(const QRegularExpressionMatch &m, TitleValue value, DiskInfo *disk)
{
    bool ok = false;
    const int title = m.captured(1).toInt(&ok);
    DiskTitle *entry = ok ? disk->title(title) : nullptr;
    if (!entry)
        return false;
    if (value == TitleValue::Length) {
        const double length = toFiniteDouble(m.captured(2), &ok);
        if (!ok)
            return false;
        entry->length = std::trunc(length);
    } else {
        const int count = m.captured(2).toInt(&ok);
        if (!ok)
            return false;
        (value == TitleValue::Chapters ? entry->chapters : entry->angles) = count;
    }
    disk->currentTitle = title;
    return true;
}

LineOutcome readDvdIdLine(const QString &line, DiskInfo *disk)
{
    struct TitleRule
    {
        QRegularExpression pattern;
        TitleValue value;
        int code;
    };
    static const QRegularExpression titles(QStringLiteral("^ID_DVD_TITLES=(\\d+)"), kCaseless);
    static const TitleRule rules[] = {
        {QRegularExpression(QStringLiteral("^ID_DVD_TITLE_(\\d+)_CHAPTERS=(\\d+)"), kCaseless),
         TitleValue::Chapters, PlayerOutputCode::ChapterCount},
        {QRegularExpression(QStringLiteral("^ID_DVD_TITLE_(\\d+)_ANGLES=(\\d+)"), kCaseless),
         TitleValue::Angles, PlayerOutputCode::AngleCount},
        {QRegularExpression(QStringLiteral("^ID_DVD_TITLE_(\\d+)_LENGTH=(\\d+\\.\\d+)"), kCaseless),
         TitleValue::Length, PlayerOutputCode::Length},
    };

    const QRegularExpressionMatch t = titles.match(line);
    if (t.hasMatch()) {
        return storeInt(t.captured(1), disk->titleCount, "DVD title number",
                        PlayerOutputCode::DvdTitleCount);
    }
    for (const TitleRule &rule : rules) {
        const QRegularExpressionMatch m = rule.pattern.match(line);
        if (!m.hasMatch())
            continue;
        if (!readDvdTitleValue(m, rule.value, disk))
            return failure("DVD title value");
        return outcome(rule.code);
    }
    return outcome(PlayerOutputCode::Ignored);
}

LineOutcome readDiskLine(const QString &line, DiskInfo &disk)
{
    if (line.startsWith(QLatin1String("Exiting")))
        return outcome(PlayerOutputCode::Exiting);
    if (line.startsWith(QLatin1String("Playing")))
        return outcome(PlayerOutputCode::Playing);
    if (line.startsWith(QLatin1String("Starting playback...")))
        return outcome(PlayerOutputCode::StartingPlayback);
    if (line.startsWith(QLatin1String("There are"))) {
        if (!line.endsWith(QLatin1String("titles on this DVD.")))
            return outcome(PlayerOutputCode::Ignored);
        return storeInt(between(line, 9, 20).trimmed(), disk.titleCount, "DVD title number",
                        PlayerOutputCode::DvdTitleCount);
    }
    if (line.startsWith(QLatin1String("ID_DVD_VOLUME_ID="))) {
        disk.volumeId = after(line, 17);
        return outcome(PlayerOutputCode::DvdVolumeId);
    }
    if (line.startsWith(QLatin1String("ID_DVD_")))
        return readDvdIdLine(line.trimmed(), &disk);
    return outcome(PlayerOutputCode::Ignored);
}

// The frame of the disc and clip parsers. The line is read into the caller's record itself:
// read into a copy, a record kept for a whole run would have its lists (the chapter starts)
// copied at every line, in quadratic time.
template <class Record>
bool parseRecordLine(const char *parser, const QByteArray &line, bool kindHandled, int *code,
                     Record *record, LineOutcome (*read)(const QString &, Record &))
{
    const QString s = simplifiedLine(line);
    if (!kindHandled) {
        qCDebug(lcMplayer).noquote() << QStringLiteral("InterfaceMplayer: %1() method not implemented for media")
                                  .arg(QLatin1String(parser))
                           << record->kind << "ignoring" << QStringLiteral("\"%1\"").arg(s);
        return false;
    }
    const LineOutcome outcome = read(s, *record);
    if (!outcome.ok) {
        debugFailure(parser, outcome.failedValue, s);
        return false;
    }
    *code = outcome.code;
    debugOutcome(parser, outcome.code, s);
    return true;
}

} // namespace

bool InterfaceMplayer::parseStdoutDisk(const QByteArray &line, int *code, DiskInfo *disk) const
{
    if (!code || !disk)
        return false;
    return parseRecordLine("parseStdoutDisk", line, disk->kind == Dvd, code, disk, readDiskLine);
}

bool InterfaceMplayer::parseStdoutClip(const QByteArray &line, int *code, ClipInfo *clip) const
{
    if (!code || !clip)
        return false;
    return parseRecordLine("parseStdoutClip", line, clip->kind == MediaFile || clip->kind == Dvd,
                           code, clip, readClipLine);
}

bool InterfaceMplayer::parseStdoutRun(const QByteArray &line, int *code, PlaybackInfo *info) const
{
    if (!code || !info)
        return false;
    const QString s = simplifiedLine(line);
    PlaybackInfo answer = *info;
    int result = PlayerOutputCode::Ignored;
    const char *failedValue = nullptr;
    bool ok = true;

    if (s.startsWith(QLatin1String("ANS_TIME_POSITION"))) {
        answer.position = toFiniteDouble(after(s, 18), &ok);
        failedValue = "time position";
        result = PlayerOutputCode::TimePosition;
    } else if (s.startsWith(QLatin1String("ANS_chapter"))) {
        const double chapter = toFiniteDouble(after(s, 12), &ok);
        // Truncation toward zero; a value beyond the int range does not name a chapter.
        ok = ok && std::fabs(chapter) < 2147483647.0;
        answer.chapter = ok ? int(chapter) : 0;
        failedValue = "current chapter";
        result = PlayerOutputCode::CurrentChapter;
    } else if (s.startsWith(QLatin1String("ANS_VIDEO_RESOLUTION"))) {
        QString value = after(s, 21);
        value.remove(QLatin1Char('\'')).remove(QLatin1Char(' '));
        const qsizetype x = value.indexOf(QLatin1Char('x'));
        const QString width = x < 0 ? value : value.left(x);
        const QString height = x < 0 ? QString() : value.mid(x + 1);
        answer.videoWidth = width.toInt(&ok);
        failedValue = "resX";
        if (ok) {
            answer.videoHeight = height.toInt(&ok);
            failedValue = "resY";
        }
        result = PlayerOutputCode::VideoResolution;
    } else if (s.startsWith(QLatin1String("ANS_deinterlace"))) {
        answer.deinterlace = deinterlaceAnswer(after(s, 16));
        ok = answer.deinterlace >= 0;
        failedValue = "deinterlace";
        result = PlayerOutputCode::Deinterlace;
    } else if (s.startsWith(QLatin1String("ANS_speed"))) {
        answer.speed = toFiniteDouble(after(s, 10), &ok);
        failedValue = "speed";
        result = PlayerOutputCode::Speed;
    } else if (s.startsWith(QLatin1String("ANS_LENGTH"))) {
        answer.length = toFiniteDouble(after(s, 11), &ok);
        ok = ok && answer.length > 0.0;
        failedValue = "length";
        result = PlayerOutputCode::Length;
    } else if (s.startsWith(QLatin1String("Exiting"))) {
        result = PlayerOutputCode::Exiting;
    }

    if (!ok) {
        debugLine("parseStdoutRun",
                  QStringLiteral("failed to parse movie '%1' in").arg(QLatin1String(failedValue)), s);
        return false;
    }
    *info = answer;
    *code = result;
    debugOutcome("parseStdoutRun", result, s);
    return true;
}

namespace {

// Warnings that the Linux build prints for every run, whatever the source: the remote
// control and its socket (when not switched off) and the threading notice of today's
// decoders. They say nothing of the source, so they must not count as its errors.
bool isPlatformNoise(const QString &line)
{
    static const char *const prefixes[] = {
        "do_connect: could not connect to socket",
        "connect: No such file or directory",
        "Failed to open LIRC support.",
        "mplayer: could not connect to socket",
        "mplayer: No such file or directory",
    };
    static const QRegularExpression threading(
        QStringLiteral("^\\[[^\\]]+ @ 0x[0-9a-f]+\\]Requested frame threading with a custom get_buffer2\\(\\)"));
    for (const char *prefix : prefixes) {
        if (line.startsWith(QLatin1String(prefix)))
            return true;
    }
    return threading.match(line).hasMatch();
}

} // namespace

void InterfaceMplayer::parseStderr(const QByteArray &line, int *code, QString *text) const
{
    if (!code || !text)
        return;
    const QString s = simplifiedLine(line);
    if (s.startsWith(QLatin1String("File not found"))) {
        *text = s;
        *code = PlayerOutputCode::FileNotFound;
        qCDebug(lcMplayer) << "InterfaceMplayer: parseStderr() detected File not found";
    } else if (s.startsWith(QLatin1String("Can't open VMG info"))) {
        *text = s;
        *code = PlayerOutputCode::NoDvdStructure;
        qCDebug(lcMplayer) << "InterfaceMplayer: parseStderr() detected no DVD VMG";
    } else if (s.startsWith(QLatin1String("Error opening/initializing the selected video_out"))
               || s.startsWith(QLatin1String("FATAL: Cannot initialize video driver"))) {
        // The player goes on without a picture: the caller may try another output.
        *text = s;
        *code = PlayerOutputCode::VideoOutputFailed;
    } else if (isPlatformNoise(s)) {
        *text = s;
        *code = PlayerOutputCode::PlatformNoise;
    } else if (!s.isEmpty()) {
        *text = s;
        *code = PlayerOutputCode::OtherError;
        qCDebug(lcMplayer).noquote() << "InterfaceMplayer: parseStderr() reported unmanaged info" << s;
    } else {
        text->clear();
        *code = PlayerOutputCode::NothingToReport;
    }
}

namespace {

// Driver list lines: a name, blanks or tabs, and the description up to the line end.
// Older builds end lines with "\r\n" and indent with blanks, today's with "\n" and tabs.
void readDriverList(const QString &list, QMap<QString, QString> *drivers)
{
    static const QRegularExpression entry(
        QStringLiteral("^[ \\t]*([^\\s]+)(?:[ \\t]+([^\\r\\n]*))?\\r?$"),
        QRegularExpression::MultilineOption);
    if (!drivers)
        return;
    QRegularExpressionMatchIterator it = entry.globalMatch(list);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        drivers->insert(m.captured(1), m.captured(2).trimmed());
    }
}

} // namespace

void InterfaceMplayer::parseStatus()
{
    qCDebug(lcMplayer) << "InterfaceMplayer::parseStatus() starts parsing status raw data";
    if (!m_status || m_status->state != PlayerStatus::OutputCaptured)
        return;

    // (*COMMIT): when the team's name does not follow the first "mplayer" and its version,
    // it follows no later one either; each later "mplayer" of a long answer is not tried.
    static const QRegularExpression banner(
        QStringLiteral("(mplayer\\s+[^\\s]+(*COMMIT).*?MPlayer Team)"),
        kCaseless | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression signature(
        QStringLiteral("(mplayer)\\s+([^\\s]+)(*COMMIT).*?(MPlayer Team)"),
        kCaseless | QRegularExpression::DotMatchesEverythingOption);

    const QString output = QString::fromUtf8(m_status->stdOut);
    const QString bannerText = banner.match(output).captured(1);
    if (bannerText.isEmpty()) {
        qCDebug(lcMplayer) << "InterfaceMplayer::parseStatus() - Failed to parse MPlayer log (signature)";
        m_status->state = PlayerStatus::ParseFailed;
        return;
    }
    const QRegularExpressionMatch m = signature.match(bannerText);
    if (m.captured(1).isEmpty() || m.captured(2).isEmpty()) {
        qCDebug(lcMplayer) << "InterfaceMplayer::parseStatus() - Failed to parse MPlayer log (parsing signature)";
        m_status->state = PlayerStatus::ParseFailed;
        return;
    }
    m_status->signature = m.captured(1);
    m_status->version = m.captured(2);

    const QList<QStringView> lists = TextSections::split(
        output, {QLatin1String("Available video output drivers:"), QLatin1String("Available audio output drivers:")});
    if (!lists.isEmpty() && m_capabilities) {
        readDriverList(lists.at(0).toString(), m_capabilities->videoDrivers);
        readDriverList(lists.at(1).toString(), m_capabilities->audioDrivers);
    }
    const QMap<QString, QString> *video = m_capabilities ? m_capabilities->videoDrivers : nullptr;
    if (video && (video->contains(QStringLiteral("gl")) || video->contains(QStringLiteral("gl2"))))
        m_status->openGl = true;
    m_status->state = PlayerStatus::Ready;
}

// Substring tests in a fixed order, the first hit wins: each NTSC rate is tried before
// the whole rate that its text also contains.
int InterfaceMplayer::frameRateCode(const QString &text)
{
    struct Rate
    {
        const char *first;
        const char *second;
        int code;
    };
    static const Rate rates[] = {
        {"24000/1001", "23.976", 1}, {"24", nullptr, 2}, {"25", nullptr, 3},
        {"30000/1001", "29.97", 4},  {"30", nullptr, 5}, {"50", nullptr, 6},
        {"60000/1001", "59.94", 7},  {"60", nullptr, 8},
    };
    for (const Rate &rate : rates) {
        if (text.contains(QLatin1String(rate.first))
            || (rate.second && text.contains(QLatin1String(rate.second))))
            return rate.code;
    }
    return -1;
}
