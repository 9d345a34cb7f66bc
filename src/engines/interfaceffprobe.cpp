#include "engines/interfaceffprobe.h"
#include "engines/engineslogging.h"

#include "engines/ffprobedata.h"
#include "engines/ffprobereport.h"
#include "engines/fileargument.h"
#include "engines/interfacestatus.h"
#include "engines/picturebounds.h"
#include "engines/sourcefacts.h"

#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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
constexpr int kSampledPackets = InterfaceFFprobe::SampledPackets;
// The points spread through the file where a stretch of the picture's packets is read, and
// the packets of each: a stretch of a second or more at the rates of phones and recorders,
// and the points a tenth of the file apart or closer.
constexpr int kSpreadPoints = 8;
constexpr int kSpreadPackets = 32;
// The packets read at the picture's start, whose key picture tells its field order and shape.
constexpr int kStartPackets = 6;
// Near a stream's end the last second before the end it declares is read, and a second past
// it: a whole file to its end, a file cut short (a recording that stopped, a download that
// did not finish) from its last key picture to where it stops.
constexpr double kEndSeconds = 1.0;
constexpr double kEndReach = 2.0;
// Packets read one after the other this many usual steps apart were not read in one run.
constexpr double kReadJump = 8.0;
// Fewer steps than this tell no usual one.
constexpr int kFewestSteps = 8;
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
    // The start, the spread points and the end.
    const double bytes = double(size) / data.duration * point * (kSpreadPoints + 2);
    return std::isfinite(bytes) ? std::max(LeastSampleRead, qint64(std::min(bytes, double(size)))) : LeastSampleRead;
}

const QList<InterfaceFFprobe::SampleRun> &InterfaceFFprobe::sampleRuns()
{
    static const QList<SampleRun> runs = {
        {Sample(FieldSample | RateSample), &InterfaceFFprobe::cliCmdGetSpread, &InterfaceFFprobe::parseSpread},
        {RateSample, &InterfaceFFprobe::cliCmdGetCount, &InterfaceFFprobe::parseCount},
        {SoundRateSample, &InterfaceFFprobe::cliCmdGetSoundRates, &InterfaceFFprobe::parseSoundRates}};
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

namespace {
// Where a stream lies on the file's clock: its start, and how long it lasts as far as the
// file tells: its own length, else the container's from its start, and no less than its
// sampled packets reach (an AVI whose header counts one picture of a moving film).
struct Span
{
    double start = 0.0;
    double length = 0.0;
    bool known() const { return length > 0.0 && std::isfinite(start + length); }
    double end() const { return start + length; }
};

// Where the container's clock starts: at its earliest stream.
double containerStart(const FFprobeData &data)
{
    double start = std::numeric_limits<double>::infinity();
    for (const FFprobeVideoStream &stream : data.videoStreams)
        start = std::min(start, stream.start_time);
    for (const FFprobeAudioStream &stream : data.audioStreams)
        start = std::min(start, stream.start_time);
    return std::isfinite(start) ? start : 0.0;
}

Span streamSpan(const FFprobeData &data, double start, double own, const QList<double> &sampled)
{
    const double container = data.duration > 0.0 ? containerStart(data) + data.duration - start : 0.0;
    double length = own > 0.0 ? own : container;
    double reach = 0.0;
    for (double time : sampled)
        reach = std::max(reach, time - start);
    if (length < reach)
        length = std::max(reach, container);
    return {start, length};
}

// An interval of -read_intervals from a point on the file's clock (none before 0).
QString intervalAt(double point, const QString &reach)
{
    return QString::number(std::max(point, 0.0), 'f', 3) + reach;
}

// Where the interval that reads a stream near the end it declares starts, and how far it reads.
double endPoint(const Span &span)
{
    return std::max(span.end() - kEndSeconds, span.start);
}
QString endReach()
{
    return QStringLiteral("%+%1").arg(kEndReach);
}

// The usual step between sorted times (their median), 0 for too few.
double usualStep(const QList<double> &times)
{
    QList<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    QList<double> steps;
    for (qsizetype i = 1; i < sorted.size(); ++i)
        if (sorted.at(i) - sorted.at(i - 1) >= 0.001)
            steps << sorted.at(i) - sorted.at(i - 1);
    if (steps.size() < kFewestSteps)
        return 0.0;
    std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
    return steps.at(steps.size() / 2);
}

// What the decoded key pictures flag: how many were read, how many flag two fields and of
// those how many the top one first, and their display shapes in the order read.
struct KeyPictures
{
    int read = 0;
    int interlaced = 0;
    int topFirst = 0;
    QList<double> shapes;

    void add(const FFprobeReport::Block &frame)
    {
        ++read;
        if (fieldValue(frame, "interlaced_frame") == QLatin1String("1")) {
            ++interlaced;
            topFirst += fieldValue(frame, "top_field_first") == QLatin1String("1");
        }
        // A picture of no sample aspect ("0:1", "N/A") is shown as stored.
        const double sample = InterfaceFFprobe::parseRatio(fieldValue(frame, "sample_aspect_ratio"));
        const int width = PictureBounds::side(fieldValue(frame, "width").toInt());
        const int height = PictureBounds::side(fieldValue(frame, "height").toInt());
        const double shape = height > 0 ? PictureBounds::aspect(width * (sample > 0.0 ? sample : 1.0) / height) : 0.0;
        if (shape > 0.0)
            shapes << shape;
    }
    QString fieldOrder() const
    {
        return interlaced == 0 ? QStringLiteral("progressive")
               : 2 * topFirst >= interlaced ? QStringLiteral("tt")
                                            : QStringLiteral("bb");
    }
};
} // namespace

bool InterfaceFFprobe::cliCmdGetSpread(const QString &file, const FFprobeData &data, QString &program,
                                       QStringList &arguments) const
{
    const int picture = noSample(data, program, arguments);
    if (picture < 0)
        return false;
    // The start's pictures, whose first key one tells the field order a DV camcorder's AVI
    // names nowhere else and the shape the picture starts with; then the stretches. Only key
    // pictures are decoded: each stretch starts at one where the container has an index, and
    // a transport stream's stretch passes one within a group of pictures.
    const FFprobeVideoStream &stream = data.videoStreams.at(picture);
    QStringList intervals{QStringLiteral("%+#%1").arg(kStartPackets)};
    const Span span = streamSpan(data, stream.start_time, stream.duration, stream.sampledTimes);
    if (span.known()) {
        const QString stretch = QStringLiteral("%+#%1").arg(kSpreadPackets);
        for (int k = 1; k <= kSpreadPoints; ++k)
            intervals << intervalAt(span.start + span.length * k / (kSpreadPoints + 1), stretch);
        // Never before the last stretch: one that reached the end holds what this reads again.
        intervals << intervalAt(std::max(endPoint(span), span.start + span.length * kSpreadPoints / (kSpreadPoints + 1)),
                                endReach());
    }
    return sampleCommand("InterfaceFFprobe::cliCmdGetSpread()", file, picture,
                         {QStringLiteral("-skip_frame"), QStringLiteral("nokey"), QStringLiteral("-read_intervals"),
                          intervals.join(QLatin1Char(',')), QStringLiteral("-show_entries"),
                          QStringLiteral("packet=pts_time,dts_time,flags:frame=sample_aspect_ratio,width,height,"
                                         "interlaced_frame,top_field_first")},
                         program, arguments);
}

bool InterfaceFFprobe::cliCmdGetCount(const QString &file, const FFprobeData &data, QString &program,
                                      QStringList &arguments) const
{
    const int picture = noSample(data, program, arguments);
    if (picture < 0 || data.sampledPackets < kSampledPackets || QFileInfo(file).size() > kCountedBytes)
        return false;
    // A container's count that is no less than the pictures listed stands; a fragmented MP4
    // counts those of its first fragment alone, an AVI's damaged header one picture.
    const FFprobeVideoStream &stream = data.videoStreams.at(picture);
    if (stream.nb_frames > 0 && stream.nb_frames >= stream.picturesSeen())
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
    // rate is its decoded samples over the time they span, read at the start, at points spread
    // from the earliest sound's start to the latest's end, and near each one's end (a
    // broadcast's sound may change its rate in its last seconds).
    // Every stream is read, the pictures left undecoded: with the sound alone FFprobe seeks by
    // the sound's own index, which Matroska's cues do not hold, and reads the file from its start
    // up to each point (922 MB of a 1 GB film, to be sure of its sound's last point). A seek by
    // the picture's index lands on the key picture before the point, which may lie seconds
    // before it (a held title, a long group of pictures). Each count covers the other streams'
    // packets, as they came among the sound's first ones.
    const QString frames = QStringLiteral("%+#%1").arg(soundPointPackets(data));
    QList<Span> spans;
    double first = std::numeric_limits<double>::infinity(), last = -first;
    for (const FFprobeAudioStream &stream : data.audioStreams) {
        const Span span = streamSpan(data, stream.start_time, stream.duration, stream.sampledTimes);
        if (!span.known())
            continue;
        spans << span;
        first = std::min(first, span.start);
        last = std::max(last, span.end());
    }
    struct Point
    {
        double time;
        bool atEnd;
    };
    QList<Point> points; // in the order of the file's clock
    if (!spans.isEmpty())
        for (int k = 1; k <= kSpreadPoints; ++k)
            points.append({first + (last - first) * k / (kSpreadPoints + 1), false});
    for (const Span &span : std::as_const(spans)) {
        const double end = endPoint(span);
        const bool read = std::any_of(points.cbegin(), points.cend(), [&](const Point &point) {
            return point.atEnd && std::abs(point.time - end) < kEndSeconds;
        });
        if (!read)
            points.append({end, true});
    }
    std::stable_sort(points.begin(), points.end(), [](const Point &a, const Point &b) { return a.time < b.time; });
    QStringList intervals{frames};
    // A spread point reads its packets from the key picture it lands on, wherever that is. The
    // read near the end goes on to a time past it, so that it reaches the end from a key
    // picture far before it (a held title's); without a picture, the sound's own seek lands on
    // the point itself, where a file's times may lie (a VBR MP3 without a header times its
    // packets by a guessed rate), and the read goes on for its length from there.
    const bool byPicture = data.movingPicture() >= 0;
    for (const Point &point : std::as_const(points))
        intervals << intervalAt(point.time, !point.atEnd ? frames
                                            : byPicture  ? QStringLiteral("%") + QString::number(std::max(point.time + kEndReach, 0.0), 'f', 3)
                                                         : endReach());
    program = m_binary;
    arguments = QStringList{fileArgument(file), QStringLiteral("-skip_frame:v"), QStringLiteral("all"),
                            QStringLiteral("-read_intervals"), intervals.join(QLatin1Char(',')),
                            QStringLiteral("-show_entries"),
                            QStringLiteral("packet=stream_index,pts_time,duration_time:"
                                           "frame=stream_index,nb_samples,best_effort_timestamp_time,pkt_pos")}
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
    // Where each stream's packets reach: a decoder may give no frame for packets read after a
    // seek (AAC in a fragmented MP4 cut short).
    QHash<int, double> reach;
    QList<FFprobeReport::Block> frames;
    for (const FFprobeReport::Block &entry : FFprobeReport::entries(stdOut, QStringLiteral("packets_and_frames"))) {
        if (fieldValue(entry, "type") == QLatin1String("frame")) {
            frames << entry;
            continue;
        }
        bool timed = false;
        const double time = fieldValue(entry, "pts_time").toDouble(&timed);
        const double length = std::max(fieldValue(entry, "duration_time").toDouble(), 0.0);
        const int stream = fieldValue(entry, "stream_index").toInt();
        if (timed && std::isfinite(time + length))
            reach[stream] = std::max(reach.value(stream, time + length), time + length);
    }
    frames += FFprobeReport::entries(stdOut, QStringLiteral("frames"));
    for (const FFprobeReport::Block &frame : std::as_const(frames)) {
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
        // How far it reaches: its packets, and each frame for its samples at the rate last read.
        const int rate = stream.sampledRates.isEmpty() ? stream.sample_rate : stream.sampledRates.last();
        double end = reach.value(stream.index, -std::numeric_limits<double>::infinity());
        if (rate > 0)
            for (const SoundFrame &frame : frames)
                end = std::max(end, frame.time + double(frame.samples) / rate);
        stream.endRead = std::isfinite(end);
        stream.sampledEnd = stream.endRead ? end : 0.0;
        told = told || !frames.isEmpty() || reach.contains(stream.index);
    }
    return told;
}

// The stretches follow one another in the answer: the start's, then each spread point's of as
// many packets as were asked for, then those read near the end. Only stretches that reach
// the file's end are shorter, and each one after such a stretch starts further on and reaches
// the end too: a count that runs over into the next stretch takes packets the one before
// holds already, which make no step. The decoded key pictures come among them, each after
// its packet.
bool InterfaceFFprobe::parseSpread(FFprobeData *data, const QString &stdOut)
{
    const int picture = data->movingPicture();
    if (picture < 0)
        return false;
    QList<QList<double>> stretches;
    KeyPictures pictures;
    qsizetype packets = 0;
    // FFmpeg 5.1 reading a fragmented MP4 by its index after a seek may pass over a fragment
    // and come back to it: a jump within a stretch, far longer than a picture's step, is the
    // reading's, and starts a stretch of its own.
    const double jump = kReadJump * usualStep(data->videoStreams.at(picture).sampledTimes);
    double last = 0.0;
    for (const FFprobeReport::Block &entry : FFprobeReport::entries(stdOut, QStringLiteral("packets_and_frames"))) {
        const QString type = fieldValue(entry, "type");
        if (type == QLatin1String("frame")) {
            pictures.add(entry);
            continue;
        }
        if (type != QLatin1String("packet"))
            continue;
        const ListedPacket packet = listedPacket(entry);
        const bool next = packets == 0 || (packets >= kStartPackets && (packets - kStartPackets) % kSpreadPackets == 0);
        if (next || (jump > 0.0 && packet.timed && !stretches.last().isEmpty() && packet.time - last > jump))
            stretches.append(QList<double>());
        ++packets;
        if (packet.timed && !packet.discarded) {
            stretches.last().append(packet.time);
            last = packet.time;
        }
    }
    if (stretches.isEmpty())
        return false;
    FFprobeVideoStream &stream = data->videoStreams[picture];
    stream.spreadTimes = stretches;
    stream.sampledShapes = pictures.shapes;
    if (pictures.read > 0)
        stream.frame_field_order = pictures.fieldOrder();
    return true;
}

bool InterfaceFFprobe::parseCount(FFprobeData *data, const QString &stdOut)
{
    const int picture = data->movingPicture();
    const QList<FFprobeReport::Block> streams = FFprobeReport::entries(stdOut, QStringLiteral("streams"));
    const int counted = streams.isEmpty() ? 0 : fieldValue(streams.first(), "nb_read_packets").toInt();
    if (picture < 0 || counted <= 0)
        return false;
    // A count below the pictures already listed, or of more than any camera films over the
    // longest the stream may last, is no count of this file.
    FFprobeVideoStream &stream = data->videoStreams[picture];
    const Span span = streamSpan(*data, stream.start_time, stream.duration, stream.sampledTimes);
    const double longest = std::max({span.length, stream.duration, data->duration});
    if (counted < stream.picturesSeen() || (longest > 0.0 && SourceFacts::boundedRate(counted / longest) <= 0.0))
        return false;
    stream.nb_read_packets = counted;
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
