#include "engines/interfaceffprobe.h"
#include "engines/engineslogging.h"

#include "engines/ffprobedata.h"
#include "engines/ffprobereport.h"
#include "engines/fileargument.h"
#include "engines/interfacestatus.h"
#include "engines/picturebounds.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace {
// The only keys taken from FFprobe's answer; every other line is ignored.
const QStringList kFormatKeys = {"filename", "format_name", "format_long_name",
                                 "TAG:major_brand", "duration"};
const QStringList kStreamKeys = {"index", "duration", "start_time", "bit_rate", "codec_type",
                                 "codec_name", "codec_long_name", "codec_tag_string", "width",
                                 "height", "sample_aspect_ratio", "display_aspect_ratio",
                                 "pix_fmt", "avg_frame_rate", "r_frame_rate", "sample_rate",
                                 "bits_per_sample", "channels", "TAG:language", "TAG:title",
                                 "DISPOSITION:attached_pic", "field_order", "TAG:rotate",
                                 "SIDE_DATA:rotation", "TAG:DURATION", "nb_frames", "color_transfer",
                                 "color_primaries", "color_space", "color_range", "DISPOSITION:default",
                                 "DISPOSITION:forced"};

// The packets the analysis lists from the file's start, of every stream.
constexpr int kSampledPackets = 400;
// The points spread through the file where a stretch of the picture's packets is read, and
// the packets of each: a stretch of a second or more at the rates of phones and recorders,
// and the points a tenth of the file apart or closer.
constexpr int kSpreadPoints = 8;
constexpr int kSpreadPackets = 32;
// The decoded pictures whose flags tell the field order.
constexpr int kFieldPictures = 6;
// The decoded sound frames of each sound stream read at the start and at each spread point:
// a second or more of MPEG or AC-3 sound.
constexpr int kSoundFrames = 48;
// The frames of a window whose samples over their time give a rate: a quarter of a second
// of MPEG sound, whose times a Matroska clock rounds by a millisecond at most.
constexpr qsizetype kSoundWindow = 12;
// The sampling rates sound is made at; a window's rate within this share of one is that one.
// A window that holds a change of rate, a gap in its sound or the step to the next point read
// comes out between them (or below nothing) and tells nothing.
const int kSamplingRates[] = {8000,  11025, 12000, 16000, 22050, 24000,  32000,
                              44100, 48000, 64000, 88200, 96000, 176400, 192000};
constexpr double kSamplingRateSlack = 0.015;
// A file this small has its picture's packets counted whole where its container counts none:
// that reads no more than any sample run may. 256 MB, read in 0.2 s from the disk's cache,
// take 55 s from a network share of 4.7 MB/s.
constexpr qint64 kCountedBytes = InterfaceFFprobe::LeastSampleRead;

// The packets of every stream read at each point of the sound's sampling rates, so that each
// sound stream has its frames there: the sound's frames as many times over as all the packets
// listed from the file's start are to those of its sparest sound stream (16 at most).
constexpr int kSoundShareLimit = 16;
int soundPointPackets(const FFprobeData &data)
{
    qsizetype sparest = data.sampledPackets;
    for (const FFprobeAudioStream &stream : data.audioStreams)
        sparest = std::min(sparest, stream.sampledTimes.size() + stream.discardedTimes.size());
    const double over = sparest > 0 ? double(data.sampledPackets) / double(sparest) : kSoundShareLimit;
    return int(std::ceil(kSoundFrames * std::min<double>(over, kSoundShareLimit)));
}

double decimal(const QString &text)
{
    return text.toDouble(); // "N/A" and other words read as 0
}

// Whole clockwise degrees as 0, 90, 180 or 270; a turn between them counts as the nearest.
int quarterTurns(double clockwise)
{
    const int quarters = int(std::lround(clockwise / 90.0)) % 4;
    return (quarters + 4) % 4 * 90;
}
} // namespace

InterfaceFFprobe::InterfaceFFprobe() = default;

void InterfaceFFprobe::init(const QString &binary, FFprobeData *data, InterfaceStatus *status)
{
    m_binary = binary;
    m_data = data;
    m_status = status;
    m_formatKeys.append(kFormatKeys);
    m_streamKeys.append(kStreamKeys);
}

QString InterfaceFFprobe::binary() const
{
    return m_binary;
}

void InterfaceFFprobe::setBinary(const QString &binary)
{
    m_binary = binary;
}

void InterfaceFFprobe::cliCmdGetStatus(QString &program, QStringList &arguments) const
{
    program = m_binary;
    arguments = QStringList{QStringLiteral("-version")};
    qCDebug(lcEngines) << "InterfaceFFprobe::cliCmdGetStatus() returns command:" << program << "with options"
             << arguments;
}

void InterfaceFFprobe::cliCmdGetInfo(const QString &file, QString &program,
                                     QStringList &arguments) const
{
    program = m_binary;
    // The first packets' times tell whether the picture keeps a constant rate: no header
    // says so (a Matroska file names its default picture length as its rate).
    arguments = QStringList{fileArgument(file), QStringLiteral("-show_format"),
                            QStringLiteral("-show_streams"), QStringLiteral("-show_entries"),
                            QStringLiteral("packet=stream_index,pts_time,dts_time,duration_time,flags"),
                            QStringLiteral("-read_intervals"), QStringLiteral("%+#%1").arg(kSampledPackets)}
                + FFprobeReport::outputOptions();
    qCDebug(lcEngines) << "InterfaceFFprobe::cliCmdGetInfo() returns command:" << program << "with options"
             << arguments;
}

bool InterfaceFFprobe::parseStatus(const QString &stdOut)
{
    qCDebug(lcEngines) << "InterfaceFFprobe::parseStatus() starts parsing status raw data";
    // Today's banner is "ffprobe version 5.1.x ...": the word "version" is skipped so that
    // the version is the number. A comma that ends the token is not part of it.
    static const QRegularExpression banner(QStringLiteral("(FFprobe)\\s+(?:version\\s+)?([^\\s,]+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = banner.match(stdOut);
    if (match.hasMatch() && !match.captured(1).isEmpty() && !match.captured(2).isEmpty()) {
        if (m_status) {
            m_status->signature = match.captured(1);
            m_status->version = match.captured(2);
            m_status->state = InterfaceStatus::Ready;
        }
        return true;
    }
    qCDebug(lcEngines) << "InterfaceFFprobe::parseStatus() - Failed to parse FFprobe standard output "
                "(parsing signature)";
    if (m_status)
        m_status->state = InterfaceStatus::ParseFailed;
    return false;
}

// key -> value of the block's fields for the keys asked for; a later field for the same key
// wins.
InterfaceFFprobe::KeyTable InterfaceFFprobe::keyTable(const FFprobeReport::Block &block,
                                                      const QStringList &keys)
{
    const QSet<QString> wanted(keys.cbegin(), keys.cend());
    KeyTable table;
    for (const FFprobeReport::Field &field : block) {
        if (wanted.contains(field.first))
            table.insert(field.first, field.second);
    }
    return table;
}

void InterfaceFFprobe::readFormat(FFprobeData *data, const KeyTable &table)
{
    data->filename = table.value(QStringLiteral("filename"));
    data->format_long_name = table.value(QStringLiteral("format_long_name"));
    data->duration = decimal(table.value(QStringLiteral("duration"), QStringLiteral("0.0")));

    // "mov,mp4,m4a,3gp,3g2,mj2" names a family: the brand says which member the file is.
    const QString names = table.value(QStringLiteral("format_name"));
    if (!names.contains(QLatin1Char(','))) {
        data->format_name = names;
        return;
    }
    const QString brand = table.value(QStringLiteral("TAG:major_brand"));
    if (!brand.isEmpty()) {
        data->format_name = brand;
        return;
    }
    const QStringList parts = names.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (!parts.isEmpty())
        data->format_name = parts.first();
}

void InterfaceFFprobe::readStream(FFprobeData *data, const KeyTable &table)
{
    const auto text = [&table](const char *key) { return table.value(QLatin1String(key)); };
    const auto integer = [&table](const char *key, const char *absent) {
        return table.value(QLatin1String(key), QLatin1String(absent)).toInt();
    };
    const auto number = [&table](const char *key) {
        return decimal(table.value(QLatin1String(key), QStringLiteral("0.0")));
    };
    const auto ratio = [&table](const char *key) {
        return parseRatio(table.value(QLatin1String(key), QStringLiteral("0.0")));
    };
    // A stream's own length; Matroska gives it only as a tag.
    const auto length = [&table, &number]() {
        const double seconds = number("duration");
        return seconds > 0.0 ? seconds : std::max(clockSeconds(table.value(QStringLiteral("TAG:DURATION"))), 0.0);
    };

    const QString type = text("codec_type");
    if (type == QLatin1String("video")) {
        FFprobeVideoStream stream;
        stream.index = integer("index", "-1");
        stream.codec_name = text("codec_name");
        stream.codec_long_name = text("codec_long_name");
        stream.codec_tag_string = text("codec_tag_string");
        stream.pix_fmt = text("pix_fmt");
        // Sizes and aspects are what the panel is sized from: kept within sane bounds.
        stream.sample_aspect_ratio = PictureBounds::aspect(ratio("sample_aspect_ratio"));
        stream.display_aspect_ratio = PictureBounds::aspect(ratio("display_aspect_ratio"));
        stream.avg_frame_rate = ratio("avg_frame_rate");
        stream.r_frame_rate = ratio("r_frame_rate");
        stream.bit_rate = number("bit_rate");
        stream.start_time = number("start_time");
        stream.duration = length();
        stream.nb_frames = std::max(integer("nb_frames", "0"), 0);
        // FFprobe names what the stream does not say "unknown".
        const auto named = [&text](const char *key) {
            return text(key) == QLatin1String("unknown") ? QString() : text(key);
        };
        stream.field_order = named("field_order");
        stream.color_transfer = named("color_transfer");
        stream.color_primaries = named("color_primaries");
        stream.color_space = named("color_space");
        stream.color_range = named("color_range");
        bool turned = false;
        const double counterclockwise = text("SIDE_DATA:rotation").toDouble(&turned);
        stream.rotation = turned ? quarterTurns(-counterclockwise) : quarterTurns(number("TAG:rotate"));
        stream.size.setHeight(PictureBounds::side(integer("height", "0")));
        stream.size.setWidth(PictureBounds::side(integer("width", "0")));
        stream.attached_pic = integer("DISPOSITION:attached_pic", "0") == 1;
        data->videoStreams.append(stream);
    } else if (type == QLatin1String("audio")) {
        FFprobeAudioStream stream;
        stream.index = integer("index", "-1");
        stream.codec_name = text("codec_name");
        stream.codec_long_name = text("codec_long_name");
        stream.sample_rate = integer("sample_rate", "0");
        stream.bits_per_sample = integer("bits_per_sample", "0");
        stream.channels = integer("channels", "0");
        stream.bit_rate = number("bit_rate");
        stream.start_time = number("start_time");
        stream.duration = length();
        stream.language = text("TAG:language");
        stream.title = text("TAG:title");
        stream.disposition_default = integer("DISPOSITION:default", "0") == 1;
        data->audioStreams.append(stream);
    } else if (type == QLatin1String("subtitle")) {
        FFprobeSubtitleStream &stream = data->addSubtitleStream();
        stream.index = integer("index", "-1");
        stream.codec_name = text("codec_name");
        stream.codec_long_name = text("codec_long_name");
        stream.language = text("TAG:language");
        stream.title = text("TAG:title");
        stream.disposition_default = integer("DISPOSITION:default", "0") == 1;
        stream.disposition_forced = integer("DISPOSITION:forced", "0") == 1;
    } else {
        qCDebug(lcEngines) << "InterfaceFFprobe::parseData() - Ignore stream data which 'codec_type' is"
                 << type;
    }
}

double InterfaceFFprobe::clockSeconds(const QString &text)
{
    static const QRegularExpression clock(QStringLiteral("^(\\d+):(\\d\\d):(\\d\\d(?:\\.\\d+)?)$"));
    const QRegularExpressionMatch time = clock.match(text);
    if (!time.hasMatch())
        return -1.0;
    return time.captured(1).toDouble() * 3600.0 + time.captured(2).toDouble() * 60.0 + time.captured(3).toDouble();
}

void InterfaceFFprobe::parseData(FFprobeData *data, const QString &stdOut,
                                 const QString &stdErr) const
{
    Q_UNUSED(stdErr) // FFprobe's banner and warnings tell nothing the blocks don't
    qCDebug(lcEngines) << "InterfaceFFprobe::parseData() starts parsing data";
    FFprobeReport report;
    if (!data || !report.read(stdOut)) {
        qCDebug(lcEngines) << "InterfaceFFprobe::parseData() - Failed to parse FFprobe standard output";
        return;
    }
    qCDebug(lcEngines) << "InterfaceFFprobe::parseData() format:" << report.format;
    qCDebug(lcEngines) << "InterfaceFFprobe::parseData() streams:" << report.streams;

    readFormat(data, keyTable(report.format, m_formatKeys));
    for (const FFprobeReport::Block &stream : std::as_const(report.streams)) {
        const KeyTable table = keyTable(stream, m_streamKeys);
        if (!table.contains(QStringLiteral("codec_type"))) {
            qCDebug(lcEngines) << "InterfaceFFprobe::parseData() - Ignore stream data with missing "
                        "'codec_type'";
            continue;
        }
        readStream(data, table);
    }
    readSampledTimes(data, report.packets);
}

namespace {
// One packet of a listing: its stream, its time ("pts_time", else "dts_time": an AVI's
// packets carry a decoding time only), whether it is to be discarded.
struct ListedPacket
{
    int stream = -1;
    bool timed = false;
    double time = 0.0;
    double duration = 0.0; // "duration_time"; 0 where it states none ("N/A")
    bool discarded = false;
    bool key = false;
};

ListedPacket listedPacket(const FFprobeReport::Block &block)
{
    ListedPacket packet;
    bool presented = false, decoded = false;
    double presentation = 0.0, decoding = 0.0;
    for (const FFprobeReport::Field &field : block) {
        if (field.first == QLatin1String("stream_index"))
            packet.stream = field.second.toInt();
        else if (field.first == QLatin1String("pts_time"))
            presentation = field.second.toDouble(&presented);
        else if (field.first == QLatin1String("dts_time"))
            decoding = field.second.toDouble(&decoded);
        else if (field.first == QLatin1String("duration_time"))
            packet.duration = field.second.toDouble();
        else if (field.first == QLatin1String("flags"))
        {
            packet.discarded = field.second.contains(QLatin1Char('D'));
            packet.key = field.second.startsWith(QLatin1Char('K'));
        }
    }
    packet.timed = (presented && std::isfinite(presentation)) || (decoded && std::isfinite(decoding));
    packet.time = presented && std::isfinite(presentation) ? presentation : decoding;
    return packet;
}

// The value of a field of a block, empty when it has none.
QString fieldValue(const FFprobeReport::Block &block, const char *key)
{
    for (const FFprobeReport::Field &field : block)
        if (field.first == QLatin1String(key))
            return field.second;
    return QString();
}
} // namespace

void InterfaceFFprobe::readSampledTimes(FFprobeData *data, const QList<FFprobeReport::Block> &packets)
{
    QHash<int, QList<double> *> sample, discarded; // stream index to its times
    for (FFprobeVideoStream &stream : data->videoStreams) {
        sample.insert(stream.index, &stream.sampledTimes);
        discarded.insert(stream.index, &stream.discardedTimes);
    }
    for (FFprobeAudioStream &stream : data->audioStreams) {
        sample.insert(stream.index, &stream.sampledTimes);
        discarded.insert(stream.index, &stream.discardedTimes);
    }
    QHash<int, double *> keyStart; // of the video streams whose first packet is not key
    QHash<int, QList<double> *> lasting; // the lengths of the video streams' packets
    for (FFprobeVideoStream &stream : data->videoStreams) {
        keyStart.insert(stream.index, &stream.keyStart);
        lasting.insert(stream.index, &stream.sampledDurations);
    }
    QSet<int> begun; // the streams a packet of which was seen
    data->sampledPackets = int(packets.size());
    for (const FFprobeReport::Block &block : packets) {
        const ListedPacket packet = listedPacket(block);
        if (!packet.timed)
            continue;
        double *key = keyStart.value(packet.stream);
        if (key && !begun.contains(packet.stream) && packet.key)
            keyStart.remove(packet.stream);
        else if (key && packet.key && !packet.discarded) {
            *key = packet.time;
            keyStart.remove(packet.stream);
        }
        begun.insert(packet.stream);
        QList<double> *times = packet.discarded ? discarded.value(packet.stream) : sample.value(packet.stream);
        if (times)
            times->append(packet.time);
        if (QList<double> *lengths = lasting.value(packet.stream))
            lengths->append(packet.duration);
    }
}

qint64 InterfaceFFprobe::sampleReadLimit(const QString &file, const FFprobeData &data)
{
    // The seconds of the file a run may read at each point, at least: a stretch of a few
    // seconds and the way to it from the key picture it lands on; at a slow picture rate the
    // spread's stretch twice over.
    constexpr double kPointSeconds = 8.0;
    const qint64 size = QFileInfo(file).size();
    if (!(data.duration > 0.0) || size <= 0)
        return LeastSampleRead;
    const int picture = data.movingPicture();
    const double rate = picture < 0 ? 0.0 : data.videoStreams.at(picture).avg_frame_rate;
    const double point = std::max(kPointSeconds, rate > 0.0 ? 2.0 * kSpreadPackets / rate : 0.0);
    const double bytes = double(size) / data.duration * point * (kSpreadPoints + 1);
    return std::isfinite(bytes) ? std::max(LeastSampleRead, qint64(std::min(bytes, double(size)))) : LeastSampleRead;
}

const QList<InterfaceFFprobe::SampleRun> &InterfaceFFprobe::sampleRuns()
{
    static const QList<SampleRun> runs = {{FieldSample, &InterfaceFFprobe::cliCmdGetFields, &InterfaceFFprobe::parseFields},
                                          {RateSample, &InterfaceFFprobe::cliCmdGetSpread, &InterfaceFFprobe::parseSpread},
                                          {RateSample, &InterfaceFFprobe::cliCmdGetCount, &InterfaceFFprobe::parseCount},
                                          {SoundRateSample, &InterfaceFFprobe::cliCmdGetSoundRates,
                                           &InterfaceFFprobe::parseSoundRates}};
    return runs;
}

int InterfaceFFprobe::noSample(const FFprobeData &data, QString &program, QStringList &arguments)
{
    program.clear();
    arguments.clear();
    return data.movingPicture();
}

bool InterfaceFFprobe::sampleCommand(const char *name, const QString &file, int picture, const QStringList &asked,
                                     QString &program, QStringList &arguments) const
{
    program = m_binary;
    arguments = QStringList{fileArgument(file), QStringLiteral("-select_streams"), QStringLiteral("v:%1").arg(picture)}
                + asked + FFprobeReport::outputOptions();
    qCDebug(lcEngines) << name << "returns command:" << program << "with options" << arguments;
    return true;
}

bool InterfaceFFprobe::cliCmdGetFields(const QString &file, const FFprobeData &data, QString &program,
                                       QStringList &arguments) const
{
    const int picture = noSample(data, program, arguments);
    if (picture < 0)
        return false;
    // A DV camcorder's AVI names no field order, where every picture is flagged bottom
    // first; FFmpeg writes "tb" of a top-first ProRes picture, which QuickTime's own naming
    // reads as shown bottom first.
    const QString &order = data.videoStreams.at(picture).field_order;
    if (!order.isEmpty() && order != QLatin1String("tb") && order != QLatin1String("bt"))
        return false;
    return sampleCommand("InterfaceFFprobe::cliCmdGetFields()", file, picture,
                         {QStringLiteral("-read_intervals"), QStringLiteral("%+#%1").arg(kFieldPictures),
                          QStringLiteral("-show_entries"), QStringLiteral("frame=interlaced_frame,top_field_first")},
                         program, arguments);
}

bool InterfaceFFprobe::cliCmdGetSpread(const QString &file, const FFprobeData &data, QString &program,
                                       QStringList &arguments) const
{
    const int picture = noSample(data, program, arguments);
    if (picture < 0 || data.sampledPackets < kSampledPackets)
        return false; // the first answer read the whole file
    const FFprobeVideoStream &stream = data.videoStreams.at(picture);
    const double length = stream.duration > 0.0 ? stream.duration : data.duration;
    if (!(length > 0.0) || !std::isfinite(length + stream.start_time))
        return false;
    QStringList points;
    for (int k = 1; k <= kSpreadPoints; ++k)
        points << QStringLiteral("%1%+#%2")
                      .arg(std::max(stream.start_time + length * k / (kSpreadPoints + 1), 0.0), 0, 'f', 3)
                      .arg(kSpreadPackets);
    return sampleCommand("InterfaceFFprobe::cliCmdGetSpread()", file, picture,
                         {QStringLiteral("-read_intervals"), points.join(QLatin1Char(',')),
                          QStringLiteral("-show_entries"), QStringLiteral("packet=pts_time,dts_time,flags")},
                         program, arguments);
}

bool InterfaceFFprobe::cliCmdGetCount(const QString &file, const FFprobeData &data, QString &program,
                                      QStringList &arguments) const
{
    const int picture = noSample(data, program, arguments);
    if (picture < 0 || data.sampledPackets < kSampledPackets || data.videoStreams.at(picture).nb_frames > 0
        || QFileInfo(file).size() > kCountedBytes)
        return false;
    return sampleCommand("InterfaceFFprobe::cliCmdGetCount()", file, picture,
                         {QStringLiteral("-count_packets"), QStringLiteral("-show_entries"),
                          QStringLiteral("stream=nb_read_packets")},
                         program, arguments);
}

bool InterfaceFFprobe::cliCmdGetSoundRates(const QString &file, const FFprobeData &data, QString &program,
                                          QStringList &arguments) const
{
    program.clear();
    arguments.clear();
    if (data.audioStreams.isEmpty())
        return false;
    // A packet listing states no rate, and FFprobe 5.1's frames state none either: a stretch's
    // rate is its decoded samples over the time they span, read where the picture's spread is
    // read and at the start. The count of each interval covers every sound stream.
    const double start = data.audioStreams.first().start_time;
    // Every stream is read, the pictures left undecoded: with the sound alone FFprobe seeks by
    // the sound's own index, which Matroska's cues do not hold, and reads the file from its start
    // up to each point (922 MB of a 1 GB film, to be sure of its sound's last point). Each point's
    // count covers the other streams' packets, as they came among the sound's first ones.
    const QString frames = QStringLiteral("%+#%1").arg(soundPointPackets(data));
    QStringList points{frames};
    if (data.duration > 0.0 && std::isfinite(data.duration + start))
        for (int k = 1; k <= kSpreadPoints; ++k) {
            const double point = std::max(start + data.duration * k / (kSpreadPoints + 1), 0.0);
            points << QString::number(point, 'f', 3) + frames;
        }
    program = m_binary;
    arguments = QStringList{fileArgument(file), QStringLiteral("-skip_frame:v"), QStringLiteral("all"),
                            QStringLiteral("-read_intervals"), points.join(QLatin1Char(',')),
                            QStringLiteral("-show_entries"),
                            QStringLiteral("frame=stream_index,nb_samples,best_effort_timestamp_time,pkt_pos")}
                + FFprobeReport::outputOptions();
    qCDebug(lcEngines) << "InterfaceFFprobe::cliCmdGetSoundRates() returns command:" << program << "with options"
                       << arguments;
    return true;
}

namespace {
// A decoded frame's time, samples and place in the file (-1 where it shares its packet with
// the frame before).
struct SoundFrame
{
    double time;
    int samples;
    qint64 position;
};
using SoundFrames = QList<SoundFrame>;
// Frames overlap by more than this where a frame's time goes back against the samples before
// it; a clock of milliseconds (Matroska's) rounds a frame's time by half of it.
constexpr double kOverlapSlack = 0.002;

// The sampling rate of a window of decoded frames, 0 where it names none: the samples of
// each frame but the last over the time from the first to the last.
int windowRate(const SoundFrames &frames, qsizetype first, qsizetype last)
{
    double samples = 0.0;
    for (qsizetype i = first; i < last; ++i)
        samples += frames.at(i).samples;
    const double rate = samples / (frames.at(last).time - frames.at(first).time);
    for (int made : kSamplingRates)
        if (std::abs(rate / made - 1.0) <= kSamplingRateSlack)
            return made;
    return 0;
}

// The rates of a sound's frames as read, each change in the order met: a rate counts where
// two windows running on agree on it, so that a stray frame or short gap changes nothing.
QList<int> soundRates(const SoundFrames &frames)
{
    QList<int> rates;
    int before = 0;
    for (qsizetype first = 0; first + kSoundWindow < frames.size(); first += kSoundWindow) {
        const int rate = windowRate(frames, first, first + kSoundWindow);
        if (rate > 0 && rate == before && (rates.isEmpty() || rates.last() != rate))
            rates << rate;
        before = rate;
    }
    return rates;
}

// Whether a frame starts before the frame read before it ends, later in the file (parts of a
// recording joined where their times overlap, a program stream's LPCM stamped off its
// samples): an encoder that keeps those times writes them going back. Frames read again
// from an earlier place (the next point read) are no overlap; each frame lasts as long as
// at the fastest rate it may have.
bool timesOverlap(const SoundFrames &frames, int fastestRate)
{
    if (fastestRate <= 0)
        return false;
    qint64 furthest = -1; // the furthest place read so far: a frame before it was read already
    for (qsizetype i = 1; i < frames.size(); ++i) {
        const SoundFrame &before = frames.at(i - 1), &frame = frames.at(i);
        furthest = std::max(furthest, before.position);
        if (frame.position > furthest && frame.time + kOverlapSlack < before.time + double(before.samples) / fastestRate)
            return true;
    }
    return false;
}
} // namespace

bool InterfaceFFprobe::parseSoundRates(FFprobeData *data, const QString &stdOut)
{
    QHash<int, SoundFrames> read; // by stream index
    for (const FFprobeReport::Block &frame : FFprobeReport::entries(stdOut, QStringLiteral("frames"))) {
        bool timed = false, counted = false;
        const double time = fieldValue(frame, "best_effort_timestamp_time").toDouble(&timed);
        const int samples = fieldValue(frame, "nb_samples").toInt(&counted);
        bool placed = false;
        const qint64 position = fieldValue(frame, "pkt_pos").toLongLong(&placed);
        if (timed && counted && std::isfinite(time) && samples > 0)
            read[fieldValue(frame, "stream_index").toInt()].append({time, samples, placed ? position : -1});
    }
    bool told = false;
    for (FFprobeAudioStream &stream : data->audioStreams) {
        const SoundFrames &frames = read.value(stream.index);
        stream.sampledRates = soundRates(frames);
        int fastest = stream.sample_rate;
        for (int rate : std::as_const(stream.sampledRates))
            fastest = std::max(fastest, rate);
        stream.sampledOverlap = timesOverlap(frames, fastest);
        told = told || !stream.sampledRates.isEmpty();
    }
    return told;
}

bool InterfaceFFprobe::parseFields(FFprobeData *data, const QString &stdOut)
{
    const int picture = data->movingPicture();
    if (picture < 0)
        return false;
    int pictures = 0, interlaced = 0, topFirst = 0;
    for (const FFprobeReport::Block &frame : FFprobeReport::entries(stdOut, QStringLiteral("frames"))) {
        ++pictures;
        if (fieldValue(frame, "interlaced_frame") == QLatin1String("1")) {
            ++interlaced;
            topFirst += fieldValue(frame, "top_field_first") == QLatin1String("1");
        }
    }
    if (pictures == 0)
        return false;
    data->videoStreams[picture].frame_field_order = interlaced == 0               ? QStringLiteral("progressive")
                                                    : 2 * topFirst >= interlaced ? QStringLiteral("tt")
                                                                                 : QStringLiteral("bb");
    return true;
}

// The stretches follow one another in the answer, each of as many packets as were asked for.
// Only stretches that reach the file's end are shorter, and each one after such a stretch
// starts further on and reaches the end too: a count that runs over into the next stretch
// takes packets the one before holds already, which make no step.
bool InterfaceFFprobe::parseSpread(FFprobeData *data, const QString &stdOut)
{
    const int picture = data->movingPicture();
    if (picture < 0)
        return false;
    QList<QList<double>> stretches;
    const QList<FFprobeReport::Block> packets = FFprobeReport::entries(stdOut, QStringLiteral("packets"));
    for (qsizetype i = 0; i < packets.size(); ++i) {
        if (i % kSpreadPackets == 0)
            stretches.append(QList<double>());
        const ListedPacket packet = listedPacket(packets.at(i));
        if (packet.timed && !packet.discarded)
            stretches.last().append(packet.time);
    }
    if (stretches.isEmpty())
        return false;
    data->videoStreams[picture].spreadTimes = stretches;
    return true;
}

bool InterfaceFFprobe::parseCount(FFprobeData *data, const QString &stdOut)
{
    const int picture = data->movingPicture();
    const QList<FFprobeReport::Block> streams = FFprobeReport::entries(stdOut, QStringLiteral("streams"));
    const int counted = streams.isEmpty() ? 0 : fieldValue(streams.first(), "nb_read_packets").toInt();
    if (picture < 0 || counted <= 0)
        return false;
    data->videoStreams[picture].nb_read_packets = counted;
    return true;
}

double InterfaceFFprobe::parseRatio(const QString &value)
{
    // The sign belongs to the number: a damaged header reads "-976822:1", no ratio at all.
    // Each number starts where its sign or digits start, so that a long run is not tried
    // from each digit.
    static const QRegularExpression slash(QStringLiteral("(?<!\\d)([-+]?\\d+)/([-+]?\\d+)"));
    static const QRegularExpression colon(QStringLiteral("(?<!\\d)([-+]?\\d+):([-+]?\\d+)"));
    if (value == QLatin1String("N/A"))
        return 0.0;
    if (value.contains(QLatin1Char('.'))) {
        const double number = value.toDouble();
        return std::isfinite(number) && number > 0.0 ? number : 0.0;
    }
    const QRegularExpression *pattern = value.contains(QLatin1Char('/')) ? &slash
                                        : value.contains(QLatin1Char(':')) ? &colon
                                                                            : nullptr;
    if (!pattern)
        return 0.0; // a plain integer is not a ratio
    const QRegularExpressionMatch match = pattern->match(value);
    if (!match.hasMatch())
        return 0.0;
    const double numerator = match.captured(1).toDouble();
    const double denominator = match.captured(2).toDouble();
    if (numerator <= 0.0 || denominator <= 0.0)
        return 0.0;
    return numerator / denominator;
}
