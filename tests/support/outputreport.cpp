#include "outputreport.h"

#include "testmedia.h"

#include <QFile>
#include <QMap>
#include <QPair>
#include <QRegularExpression>

#include <algorithm>

namespace {
// The video packets' times in file order and the decoding times of every stream.
struct Packets
{
    QMap<int, QPair<double, double>> spans; // stream index to first and last time
    QMap<int, QList<double>> starts;        // stream index to presentation times
    QMap<int, double> lastDecoding;         // stream index to the last decoding time
    int backwardSteps = 0;

    void add(const QMap<QString, QString> &field)
    {
        bool ok = false; // AVI packets carry a decoding time only
        double start = field.value("pts_time").toDouble(&ok);
        if (!ok)
            start = field.value("dts_time").toDouble(&ok);
        const int index = field.value("stream_index").toInt();
        bool decodingKnown = false;
        const double decoding = field.value("dts_time").toDouble(&decodingKnown);
        if (decodingKnown) {
            if (lastDecoding.contains(index) && decoding <= lastDecoding.value(index))
                ++backwardSteps;
            lastDecoding.insert(index, decoding);
        }
        if (!ok)
            return;
        const double end = start + field.value("duration_time").toDouble();
        spans[index] = spans.contains(index) ? qMakePair(qMin(spans[index].first, start),
                                                         qMax(spans[index].second, end))
                                             : qMakePair(start, end);
        starts[index].append(start);
    }
};

// Gaps between consecutive pictures longer than one and a half of the usual step.
int holes(QList<double> times)
{
    if (times.size() < 3)
        return 0;
    std::sort(times.begin(), times.end());
    QList<double> steps;
    for (qsizetype i = 1; i < times.size(); ++i)
        steps << times[i] - times[i - 1];
    QList<double> sorted = steps;
    std::sort(sorted.begin(), sorted.end());
    const double usual = sorted.at(sorted.size() / 2);
    return int(std::count_if(steps.cbegin(), steps.cend(), [usual](double step) { return step > 1.5 * usual; }));
}
} // namespace

QStringList probeArguments(const QString &path, bool withSpans, bool countFrames)
{
    const QString packets = withSpans ? "packet=stream_index,pts_time,dts_time,duration_time:" : "";
    QStringList arguments{"-v", "error", "-show_entries", packets + "stream=index,"
            "codec_name,codec_type,width,height,display_aspect_ratio,sample_rate,channels,"
            "nb_read_frames:format=format_name,duration", "-of", "compact", path};
    if (countFrames)
        arguments.prepend("-count_frames");
    return arguments;
}

OutputReport readProbeReport(const QString &answer)
{
    OutputReport report;
    QMap<int, QString> types; // stream index to its type
    Packets packets;
    for (const QString &line : answer.split('\n', Qt::SkipEmptyParts)) {
        QMap<QString, QString> field;
        for (const QString &pair : line.split('|').mid(1))
            field.insert(pair.section('=', 0, 0), pair.section('=', 1));
        if (line.startsWith("packet|")) {
            packets.add(field);
        } else if (line.startsWith("stream|")) {
            const QString type = field.value("codec_type");
            types.insert(field.value("index").toInt(), type);
            report.streams << field.value("codec_name") + ',' + type;
            if (type == "video" && report.videoSize.isEmpty()) {
                bool counted = false;
                report.videoFrames = field.value("nb_read_frames").toInt(&counted);
                if (!counted)
                    report.videoFrames = -1;
                report.videoSize = {field.value("width").toInt(), field.value("height").toInt()};
                const QStringList ratio = field.value("display_aspect_ratio").split(':');
                const QSize shape = ratio.value(1).toInt() > 0
                    ? QSize(ratio[0].toInt(), ratio[1].toInt()) : report.videoSize; // square pixels
                report.displayAspect = shape.height() > 0 ? double(shape.width()) / shape.height() : 0;
            } else if (type == "audio" && report.channels == 0) {
                report.sampleRate = field.value("sample_rate").toInt();
                report.channels = field.value("channels").toInt();
            }
        } else if (line.startsWith("format|")) {
            report.format = field.value("format_name");
            report.duration = field.value("duration").toDouble();
        }
    }
    report.backwardSteps = packets.backwardSteps;
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        double &seconds = it.value() == "video" ? report.videoSeconds : report.audioSeconds;
        if (seconds == 0 && (it.value() == "video" || it.value() == "audio")) {
            seconds = packets.spans.value(it.key()).second - packets.spans.value(it.key()).first;
            if (it.value() == "video")
                report.videoHoles = holes(packets.starts.value(it.key()));
        }
    }
    return report;
}

OutputReport probeOutput(const QString &path, bool withSpans)
{
    QString out;
    TestMedia::run("ffprobe", probeArguments(path, withSpans), &out);
    return readProbeReport(out);
}

namespace {
constexpr int kToneRate = 8000;
}

QStringList decodeArguments(const QString &path, const QString &files, bool video, bool audio)
{
    // Each line of the log tagged with its level: the decode is clean when none is an error.
    // The pictures keep the file's own times, as a player shows them. Left to itself FFmpeg
    // re-times them onto a clock of the nominal frame rate: a 29.97 fps picture stored in
    // whole milliseconds (FLV) and started part of a frame late (behind an MP3 encoder's
    // delay) then has two frames rounded onto one tick, and the decode reports times going
    // backwards that the file does not have.
    const QStringList ownTimes{"-enc_time_base:v", "-1"};
    QStringList arguments = QStringList{"-nostdin", "-y", "-loglevel", "level+info", "-nostats", "-i", path}
                            + ownTimes + QStringList{"-f", "null", "-"};
    // The sound timed by its sample count: the samples are all that is read of it.
    if (audio)
        arguments << "-map" << "0:a:0" << "-f" << "framecrc" << files + ".audio"
                  << "-map" << "0:a:0" << "-af" << QStringLiteral("aresample=%1,asetpts=N/SR/TB").arg(kToneRate)
                  << "-ac" << "1" << "-f" << "s16le" << files + ".pcm";
    if (video)
        arguments << "-map" << "0:v:0" << "-vf"
                  << "cropdetect=limit=24:round=2:reset=0,metadata=mode=print:file=" + files + ".crop"
                  << "-fps_mode" << "passthrough" << ownTimes << "-f" << "framecrc" << files + ".video";
    return arguments;
}

namespace {
QList<QByteArray> lines(const QString &file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll().split('\n') : QList<QByteArray>();
}

// A framecrc file's header values ("#name 0: value") and its frames' start and end times.
struct Frames
{
    QMap<QByteArray, QByteArray> header;
    QList<QPair<double, double>> times;

    explicit Frames(const QString &file)
    {
        double base = 0;
        for (const QByteArray &line : lines(file)) {
            if (line.startsWith('#')) {
                const qsizetype colon = line.indexOf(':');
                header.insert(line.mid(1, line.indexOf(' ') - 1), line.mid(colon + 1).trimmed());
                if (line.startsWith("#tb ")) {
                    const QList<QByteArray> ratio = line.mid(colon + 1).trimmed().split('/');
                    base = ratio.value(1).toDouble() > 0 ? ratio[0].toDouble() / ratio[1].toDouble() : 0;
                }
            } else if (line.contains(',')) {
                const QList<QByteArray> field = line.split(',');
                const double start = field.value(2).trimmed().toDouble() * base;
                times.append({start, start + field.value(3).trimmed().toDouble() * base});
            }
        }
    }
    double span() const
    {
        if (times.isEmpty())
            return 0;
        double first = times.first().first, last = times.first().second;
        for (const auto &[start, end] : times) {
            first = qMin(first, start);
            last = qMax(last, end);
        }
        return last - first;
    }
};

int channelCount(const QByteArray &layout)
{
    static const QMap<QByteArray, int> named{{"mono", 1}, {"stereo", 2}, {"2.1", 3}, {"3.0", 3},
                                             {"quad", 4}, {"4.0", 4}, {"5.0", 5}, {"5.1", 6},
                                             {"6.1", 7}, {"7.1", 8}};
    const QByteArray name = layout.split('(').first();
    return named.contains(name) ? named.value(name) : layout.split(' ').first().toInt();
}
} // namespace

DecodeReport readDecodeReport(const QByteArray &log, const QString &files)
{
    DecodeReport report;
    static const QRegularExpression stream(QStringLiteral(
        "^\\[info\\]\\s+Stream #0:\\d+\\S*: (Video|Audio): (\\w+)"));
    QStringList errors;
    bool input = true; // the streams listed before the output's
    for (const QByteArray &raw : log.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.contains("[error] ") || line.contains("[fatal] ") || line.contains("[panic] "))
            errors << line;
        if (line.startsWith("[info] Output #"))
            input = false;
        const QRegularExpressionMatch match = stream.match(line);
        if (input && match.hasMatch())
            report.streams << match.captured(2) + ',' + match.captured(1).toLower();
    }
    report.errors = errors.join('\n');

    const Frames video(files + ".video");
    const QList<QByteArray> size = video.header.value("dimensions").split('x');
    report.videoSize = QSize(size.value(0).toInt(), size.value(1).toInt());
    const QList<QByteArray> sar = video.header.value("sar").split('/');
    if (report.videoSize.height() > 0)
        report.displayAspect = double(report.videoSize.width()) / report.videoSize.height()
                               * (sar.value(1).toDouble() > 0 ? sar[0].toDouble() / sar[1].toDouble() : 1.0);
    report.videoSeconds = video.span();
    QList<double> times;
    for (const auto &frame : video.times)
        times << frame.first;
    report.pictures = int(times.size());
    report.holes = holes(times);
    std::sort(times.begin(), times.end());
    QList<double> steps;
    for (qsizetype i = 1; i < times.size(); ++i)
        steps << times[i] - times[i - 1];
    std::sort(steps.begin(), steps.end());
    report.step = steps.isEmpty() ? 0 : steps.at(steps.size() / 2);
    // The area grows over the frames; the last frame's is the whole picture.
    for (const QByteArray &line : lines(files + ".crop")) {
        if (line.startsWith("lavfi.cropdetect.w="))
            report.picture.setWidth(line.mid(19).toInt());
        else if (line.startsWith("lavfi.cropdetect.h="))
            report.picture.setHeight(line.mid(19).toInt());
    }

    const Frames audio(files + ".audio");
    report.sampleRate = audio.header.value("sample_rate").toInt();
    report.channels = channelCount(audio.header.value("channel_layout_name"));
    report.audioSeconds = audio.span();
    QFile tone(files + ".pcm");
    if (tone.open(QIODevice::ReadOnly)) {
        // The tone from its zero crossings, away from the fades at both ends.
        const QByteArray bytes = tone.readAll();
        const auto *samples = reinterpret_cast<const qint16 *>(bytes.constData());
        const qsizetype count = bytes.size() / 2, first = count / 5, last = count - count / 5;
        int crossings = 0;
        for (qsizetype i = first + 1; i < last; ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        if (last > first + 1)
            report.toneHz = crossings / 2.0 / (double(last - first - 1) / kToneRate);
    }
    return report;
}

double meanVolume(const QString &path, const QString &filter)
{
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-i", path, "-vn", "-af", filter + ",volumedetect", "-f", "null", "-"},
                   nullptr, &err);
    const qsizetype at = err.indexOf("mean_volume: ");
    return at < 0 ? 0.0 : err.mid(at + 13).section(' ', 0, 0).toDouble();
}

int brightestLevel(const QString &path, double seconds)
{
    // Selected by its time, not sought: a seek into an MPEG program stream may land on a
    // picture that does not decode.
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-loglevel", "info", "-i", path, "-an", "-vf",
                              QStringLiteral("select=gte(t\\,%1),signalstats,metadata=mode=print:"
                                             "key=lavfi.signalstats.YMAX").arg(seconds),
                              "-frames:v", "1", "-f", "null", "-"},
                   nullptr, &err);
    static const QRegularExpression level(QStringLiteral("lavfi\\.signalstats\\.YMAX=(\\d+)"));
    const QRegularExpressionMatch match = level.match(err);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}
