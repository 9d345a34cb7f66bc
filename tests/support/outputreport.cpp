#include "outputreport.h"

#include "parallelruns.h"
#include "testmedia.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QFileInfo>
#include <QMap>
#include <QPair>
#include <QRegularExpression>
#include <QThread>
#include <QtMath>

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
// The most outputs one ffmpeg run decodes, and the log a run keeps for each (a line per
// picture: a minute of 25 fps takes 200 KB).
constexpr qsizetype kDecodesPerRun = 8;
constexpr qsizetype kKeptLog = 256 * 1024;

// Each line of the log tagged with its level: the decode is clean when none is an error.
const QStringList kLogged{"-nostdin", "-y", "-loglevel", "level+info", "-nostats"};
// The pictures keep the file's own times, as a player shows them. Left to itself FFmpeg
// re-times them onto a clock of the nominal frame rate: a 29.97 fps picture stored in
// whole milliseconds (FLV) and started part of a frame late (behind an MP3 encoder's
// delay) then has two frames rounded onto one tick, and the decode reports times going
// backwards that the file does not have.
const QStringList kOwnTimes{"-enc_time_base:v", "-1"};

// The output of the picture compared with the source's: the first at 0.4 s or later from the
// first one (what moves is then where it is in the source's), past the first few, which an
// encoder may code from a broken start of its input.
QStringList lookedAt(const QString &file)
{
    return {"-vf", "setpts=PTS-STARTPTS,select=gte(t\\,0.4)", "-frames:v", "1", "-pix_fmt", "gray", "-c:v", "pgm", "-f", "image2",
            "-update", "1", file};
}

// What one input's decode writes: its sound as a player times it and as a tone, and its
// pictures with their boxes inside black bars, as stored and those that differ.
QStringList decodedFiles(int input, const QString &files, bool video, bool audio, bool peaks)
{
    const QString stream = QString::number(input);
    QStringList arguments;
    // The sound timed by its sample count: the samples are all that is read of it.
    if (audio)
        arguments << "-map" << stream + ":a:0" << "-f" << "framecrc" << files + ".audio"
                  << "-map" << stream + ":a:0" << "-af" << QStringLiteral("aresample=%1,asetpts=N/SR/TB").arg(kToneRate)
                  << "-ac" << "1" << "-f" << "s16le" << files + ".pcm";
    // Each picture's own box inside black bars (the first pictures included) and, when
    // asked for, its brightest pixel, which tells whether a bright subtitle lies over a dark
    // picture (it costs as much as the rest of the decode).
    // idet judges each picture interlaced or not by its neighbours; a picture is kept as
    // shown, to compare its look with the source's.
    if (video)
        arguments << "-map" << stream + ":v:0" << lookedAt(files + ".pgm")
                  << "-map" << stream + ":v:0" << "-vf"
                  << QStringLiteral("cropdetect=limit=24:round=2:reset=1:skip=0,idet,%1metadata=mode=print:file=")
                         .arg(peaks ? "signalstats," : "") + files + ".crop"
                  << "-fps_mode" << "passthrough" << kOwnTimes << "-f" << "framecrc" << files + ".video"
                  // The pictures that differ from the last one kept: an encoder given the same
                  // picture twice refines it, so the checksums of a repeat differ.
                  << "-map" << stream + ":v:0" << "-vf" << "mpdecimate" << "-fps_mode" << "passthrough" << kOwnTimes
                  << "-f" << "framecrc" << files + ".kept"
                  // The first two pictures that differ by twice that measure: how long the
                  // first is held, over the copies an encoder sharpens.
                  << "-map" << stream + ":v:0" << "-vf" << "mpdecimate=hi=64*24:lo=64*12:frac=0.5" << "-fps_mode"
                  << "passthrough" << kOwnTimes << "-frames:v" << "2" << "-f" << "framecrc" << files + ".held";
    return arguments;
}
} // namespace

QStringList decodeArguments(const QString &path, const QString &files, bool video, bool audio, bool peaks)
{
    return kLogged + QStringList{"-i", path} + kOwnTimes + QStringList{"-f", "null", "-"}
           + decodedFiles(0, files, video, audio, peaks);
}

QStringList decodeArguments(const QList<DecodeInput> &inputs)
{
    QStringList arguments = kLogged;
    for (const DecodeInput &input : inputs)
        arguments << "-i" << input.path;
    for (int i = 0; i < inputs.size(); ++i) {
        // Each input's every picture and sound decoded, a superset of what ffmpeg chooses
        // for one input alone (its best picture and best sound).
        const QString stream = QString::number(i);
        arguments << "-map" << stream + ":v?" << "-map" << stream + ":a?" << kOwnTimes << "-f" << "null" << "-"
                  << decodedFiles(i, inputs[i].files, inputs[i].video, inputs[i].audio, inputs[i].peaks);
    }
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
    double start() const
    {
        double first = times.isEmpty() ? 0 : times.first().first;
        for (const auto &time : times)
            first = qMin(first, time.first);
        return first;
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

namespace {
const QList<QByteArray> kInterlacedVerdicts{"tff", "bff"};

// The picture format FFmpeg's stream line names after the codec ("Video: mpeg2video (Main),
// yuv422p(tv, top first), ..." names yuv422p).
QString pixelFormatOf(const QString &streamLine)
{
    static const QRegularExpression format(QStringLiteral("Video: [^,]*, (\\w+)"));
    return format.match(streamLine).captured(1);
}

// What FFmpeg's stream line says of the pictures after their format: "tv, bt709, progressive"
// of "yuv420p(tv, bt709, progressive)".
QString colourOf(const QString &streamLine)
{
    static const QRegularExpression said(QStringLiteral("Video: [^,]*, \\w+\\(([^)]*)\\)"));
    return said.match(streamLine).captured(1);
}

// The field order FFmpeg's stream line names ("yuv420p(tv, top first)"), as FFprobe names it.
QString fieldOrderOf(const QString &streamLine)
{
    if (streamLine.contains(QLatin1String("top first")))
        return QStringLiteral("tt");
    return streamLine.contains(QLatin1String("bottom first")) ? QStringLiteral("bb") : QString();
}

// The look of a picture: the mean level of each cell of a grid laid over its part inside
// `box`. A picture turned or mirrored has its cells elsewhere, whatever size or shape it is
// scaled to.
constexpr int kLookCells = 4;
QList<int> pictureLook(const QImage &image, QRect box)
{
    box &= image.rect();
    if (image.isNull() || box.width() < kLookCells || box.height() < kLookCells)
        return {};
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    QList<int> look;
    for (int row = 0; row < kLookCells; ++row) {
        for (int column = 0; column < kLookCells; ++column) {
            const int top = box.top() + row * box.height() / kLookCells;
            const int bottom = box.top() + (row + 1) * box.height() / kLookCells;
            const int left = box.left() + column * box.width() / kLookCells;
            const int right = box.left() + (column + 1) * box.width() / kLookCells;
            qint64 sum = 0;
            for (int y = top; y < bottom; ++y) {
                const uchar *line = gray.constScanLine(y);
                for (int x = left; x < right; ++x)
                    sum += line[x];
            }
            look << int(sum / qMax(1, (bottom - top) * (right - left)));
        }
    }
    return look;
}

// How a picture may be shown wrong: the cell of the source's look that the cell (row, column)
// of a picture so turned or mirrored shows.
struct Turn
{
    const char *name;
    int (*row)(int row, int column);
    int (*column)(int row, int column);
};
constexpr int kLast = kLookCells - 1;
const Turn kTurns[] = {
    {"upright", [](int r, int) { return r; }, [](int, int c) { return c; }},
    {"turned 90 degrees clockwise", [](int, int c) { return kLast - c; }, [](int r, int) { return r; }},
    {"turned 180 degrees", [](int r, int) { return kLast - r; }, [](int, int c) { return kLast - c; }},
    {"turned 90 degrees counterclockwise", [](int, int c) { return c; }, [](int r, int) { return kLast - r; }},
    {"mirrored", [](int r, int) { return r; }, [](int, int c) { return kLast - c; }},
    {"upside down", [](int r, int) { return kLast - r; }, [](int, int c) { return c; }},
    {"mirrored across its diagonal", [](int, int c) { return c; }, [](int r, int) { return r; }},
    {"mirrored across its other diagonal", [](int, int c) { return kLast - c; }, [](int r, int) { return kLast - r; }},
};

constexpr double kTurnedShare = 0.6;

int lookDistance(const QList<int> &source, const QList<int> &shown, const Turn &turn)
{
    int distance = 0;
    for (int r = 0; r < kLookCells; ++r)
        for (int c = 0; c < kLookCells; ++c)
            distance += qAbs(shown[r * kLookCells + c] - source[turn.row(r, c) * kLookCells + turn.column(r, c)]);
    return distance;
}

QStringList errorLines(const QByteArray &log)
{
    QStringList errors;
    for (const QByteArray &raw : log.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        // The tone's copy is timed by its sample count here, not by the file: what its
        // writer says of those times is no fault of the file.
        const bool ownCopy = line.contains("[s16le @ ");
        if (!ownCopy && (line.contains("[error] ") || line.contains("[fatal] ") || line.contains("[panic] ")))
            errors << line;
    }
    return errors;
}
} // namespace

DecodeReport readDecodeReport(const QByteArray &log, const QString &files, int input)
{
    DecodeReport report;
    const QRegularExpression stream(QStringLiteral("^\\[info\\]\\s+Stream #%1:\\d+\\S*: (Video|Audio): (\\w+)")
                                        .arg(input));
    bool inputs = true; // the streams listed before the output's
    for (const QByteArray &raw : log.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.startsWith("[info] Output #"))
            inputs = false;
        const QRegularExpressionMatch match = stream.match(line);
        // A cover picture is shown beside the sound, not played as video.
        if (!inputs || !match.hasMatch() || line.contains("(attached pic)"))
            continue;
        report.streams << match.captured(2) + ',' + match.captured(1).toLower();
        if (match.captured(1) == QLatin1String("Video") && report.streams.filter(",video").size() == 1) {
            report.fieldOrder = fieldOrderOf(line);
            report.pixelFormat = pixelFormatOf(line);
            report.colour = colourOf(line);
            static const QRegularExpression coded(QStringLiteral(", (\\d+(?:\\.\\d+)?) fps,"));
            report.codedRate = coded.match(line).captured(1).toDouble();
        }
    }
    report.errors = errorLines(log).join('\n');

    const Frames video(files + ".video");
    const QList<QByteArray> size = video.header.value("dimensions").split('x');
    report.videoSize = QSize(size.value(0).toInt(), size.value(1).toInt());
    const QList<QByteArray> sar = video.header.value("sar").split('/');
    if (report.videoSize.height() > 0)
        report.displayAspect = double(report.videoSize.width()) / report.videoSize.height()
                               * (sar.value(0).toDouble() > 0 && sar.value(1).toDouble() > 0
                                      ? sar[0].toDouble() / sar[1].toDouble() : 1.0); // unknown: square
    report.videoSeconds = video.span();
    report.videoStart = video.start();
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
    // The rate of the steps over the whole span, the pictures a gap leaves out counted: a
    // median step of pictures timed in whole milliseconds is 2 % off.
    double places = steps.size();
    for (double step : std::as_const(steps))
        places += step > 1.5 * report.step ? qRound(step / report.step) - 1 : 0;
    if (times.size() > 1 && times.last() > times.first())
        report.frameRate = places / (times.last() - times.first());
    report.repeats = report.pictures - int(Frames(files + ".kept").times.size());
    const Frames held(files + ".held");
    if (held.times.size() > 1 && report.step > 0)
        report.held = qMax(0.0, held.times[1].first - held.times[0].first - report.step);
    // Each picture's lines ("frame:0 pts:0 pts_time:0", then "lavfi.<filter>.<key>=<value>").
    QMap<QByteArray, int> box;
    for (const QByteArray &line : lines(files + ".crop")) {
        if (line.startsWith("frame:")) {
            report.frames.append({line.mid(line.indexOf("pts_time:") + 9).trimmed().toDouble(), {}, 0});
            box.clear();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (report.frames.isEmpty() || equals < 0)
            continue;
        const QByteArray key = line.left(equals);
        const int value = line.mid(equals + 1).toInt();
        DecodeReport::Picture &frame = report.frames.last();
        if (key.startsWith("lavfi.cropdetect.")) {
            box.insert(key.mid(17), value);
            // No line above the limit leaves the first line below the last: no picture.
            if (box.size() >= 4 && box.value("x1") <= box.value("x2") && box.value("y1") <= box.value("y2"))
                frame.box = QRect(QPoint(box.value("x1"), box.value("y1")), QPoint(box.value("x2"), box.value("y2")));
        } else if (key == "lavfi.signalstats.YMAX") {
            frame.peak = value;
        } else if (key == "lavfi.signalstats.SATAVG") {
            // Over the whole frame: its black bars have none.
            const double inside = double(frame.box.width()) * frame.box.height();
            frame.saturation = inside > 0 ? line.mid(equals + 1).toDouble() * report.videoSize.width()
                                                * report.videoSize.height() / inside : 0;
        } else if (key == "lavfi.idet.multiple.current_frame") {
            report.interlaced += kInterlacedVerdicts.contains(line.mid(equals + 1).trimmed());
        }
    }
    report.picture = activePicture(report.frames).size();
    report.look = pictureLook(QImage(files + ".pgm"), activePicture(report.frames));

    const Frames audio(files + ".audio");
    report.sampleRate = audio.header.value("sample_rate").toInt();
    report.channels = channelCount(audio.header.value("channel_layout_name"));
    report.audioSeconds = audio.span();
    report.audioStart = report.audibleStart = audio.start();
    QFile tone(files + ".pcm");
    if (tone.open(QIODevice::ReadOnly)) {
        // The tone from its zero crossings, away from the fades at both ends of the sound
        // (silence the sound may run on in is no part of it).
        const QByteArray bytes = tone.readAll();
        const auto *samples = reinterpret_cast<const qint16 *>(bytes.constData());
        constexpr int kSilence = 100; // of 32767
        qsizetype start = 0, end = bytes.size() / 2;
        while (start < end && qAbs(samples[start]) < kSilence)
            ++start;
        while (end > start && qAbs(samples[end - 1]) < kSilence)
            --end;
        if (end > start)
            report.audibleStart += double(start) / kToneRate;
        const qsizetype first = start + (end - start) / 5, last = end - (end - start) / 5;
        int crossings = 0;
        for (qsizetype i = first + 1; i < last; ++i)
            crossings += (samples[i - 1] < 0) != (samples[i] < 0);
        if (last > first + 1)
            report.toneHz = crossings / 2.0 / (double(last - first - 1) / kToneRate);
    }
    return report;
}

QList<DecodeReport> decodeAll(const QList<DecodeInput> &inputs)
{
    // A few outputs to a run: each run pays ffmpeg's start (a tenth of a second, more than
    // decoding a short output takes), and there are runs enough to keep every core busy.
    const int cores = qMax(2, QThread::idealThreadCount());
    const int size = int(qBound(qsizetype(2), (inputs.size() + 2 * cores - 1) / (2 * cores), qsizetype(kDecodesPerRun)));
    QList<ParallelRun> runs;
    QList<QList<int>> members; // of each run, the inputs it decodes
    for (int first = 0; first < inputs.size(); first += size) {
        const QList<DecodeInput> some = inputs.mid(first, size);
        const DecodeInput &one = some.first();
        runs.append({"ffmpeg", some.size() == 1 ? decodeArguments(one.path, one.files, one.video, one.audio, one.peaks)
                                                : decodeArguments(some)});
        runs.last().mergeChannels = true;
        runs.last().kept = kKeptLog * some.size();
        QList<int> decoded;
        for (int i = first; i < first + some.size(); ++i)
            decoded << i;
        members.append(decoded);
    }
    runInParallel(runs, [](int) {});
    QList<DecodeReport> reports(inputs.size());
    // A run of several whose log tells of a fault, or that ended badly, is run again one
    // by one: its fault is told of the file that has it, as that file's own run tells it.
    QList<ParallelRun> again;
    QList<int> inputOf;
    for (int run = 0; run < runs.size(); ++run) {
        const ParallelRun &ran = runs[run];
        const bool clean = ran.started && !ran.crashed && ran.exitCode == 0 && ran.output.size() < ran.kept
                           && errorLines(ran.output).isEmpty();
        for (int k = 0; k < members[run].size(); ++k) {
            const int i = members[run][k];
            if (members[run].size() == 1 || clean) {
                reports[i] = readDecodeReport(ran.output, inputs[i].files, k);
                continue;
            }
            const DecodeInput &one = inputs[i];
            again.append({"ffmpeg", decodeArguments(one.path, one.files, one.video, one.audio, one.peaks)});
            again.last().mergeChannels = true;
            again.last().kept = kKeptLog;
            inputOf << i;
        }
    }
    runInParallel(again, [](int) {});
    for (int run = 0; run < again.size(); ++run)
        reports[inputOf[run]] = readDecodeReport(again[run].output, inputs[inputOf[run]].files);
    return reports;
}

double soundDelay(const QString &path, int track)
{
    const QString files = TestMedia::scratch("delays", QFileInfo(path).fileName());
    TestMedia::run("ffmpeg", kLogged + QStringList{"-i", path, "-map", "0:v:0", "-fps_mode", "passthrough"} + kOwnTimes
                       + QStringList{"-f", "framecrc", files + ".video", "-map", QStringLiteral("0:a:%1").arg(track),
                                     "-f", "framecrc", files + ".audio"});
    const Frames video(files + ".video"), audio(files + ".audio");
    return video.times.isEmpty() || audio.times.isEmpty() ? 0.0 : audio.start() - video.start();
}

QRect activePicture(const QList<DecodeReport::Picture> &frames, double from, double to)
{
    QRect area;
    for (const DecodeReport::Picture &frame : frames)
        if (frame.time < from || frame.time > to)
            area |= frame.box;
    return area;
}

QSize picturesShown(const QList<DecodeReport::Picture> &frames, double from, double to)
{
    // The median of each side: an encoder's ringing at a low rate lights a line of a bar in
    // a picture here and there.
    QList<int> widths, heights;
    for (const DecodeReport::Picture &frame : frames)
        if (frame.time - frames.first().time >= from && frame.time - frames.first().time <= to) {
            widths << frame.box.width();
            heights << frame.box.height();
        }
    std::sort(widths.begin(), widths.end());
    std::sort(heights.begin(), heights.end());
    return widths.isEmpty() ? QSize() : QSize(widths.at(widths.size() / 2), heights.at(heights.size() / 2));
}

namespace {
// The mean saturation of a file's pictures of PQ or HLG as FFmpeg's own tone mapping shows
// them in BT.709.
double toneMappedSaturation(const QString &path)
{
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-loglevel", "info", "-i", path, "-map", "0:v:0", "-vf",
                              "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=hable:desat=0,"
                              "zscale=t=bt709:m=bt709:r=tv,format=yuv420p,signalstats,"
                              "metadata=mode=print:key=lavfi.signalstats.SATAVG", "-f", "null", "-"},
                   nullptr, &err);
    static const QRegularExpression level(QStringLiteral("lavfi\\.signalstats\\.SATAVG=([0-9.]+)"));
    double sum = 0;
    int count = 0;
    for (auto it = level.globalMatch(err); it.hasNext(); ++count)
        sum += it.next().captured(1).toDouble();
    return count > 0 ? sum / count : 0;
}
} // namespace

SourcePicture sourcePicture(const QString &path, const QString &shotOrder)
{
    static QHash<QString, SourcePicture> measured;
    if (measured.contains(path + '|' + shotOrder))
        return measured.value(path + '|' + shotOrder);
    SourcePicture source;
    const QString files = TestMedia::folder() + "/source-" + QString::number(qHash(path), 16);
    QString out;
    TestMedia::run("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y", "-i", path, "-map", "0:v:0"}
                                 + lookedAt(files + ".pgm"));
    const QImage first(files + ".pgm");
    source.look = pictureLook(first, first.rect());
    TestMedia::run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                               "stream=height,field_order,color_transfer", "-of", "default=nw=1", path}, &out);
    QMap<QString, QString> field;
    for (const QString &line : out.split('\n'))
        field.insert(line.section('=', 0, 0), line.section('=', 1).trimmed());
    source.lines = field.value("height").toInt();
    const QString order = field.value("field_order");
    source.fieldOrder = order == QLatin1String("tt") || order == QLatin1String("tb") ? QStringLiteral("tt")
                        : order == QLatin1String("bb") || order == QLatin1String("bt") ? QStringLiteral("bb")
                                                                                         : QString();
    if (source.fieldOrder.isEmpty() && order != QLatin1String("progressive"))
        source.fieldOrder = shotOrder;
    if (QStringList{"smpte2084", "arib-std-b67"}.contains(field.value("color_transfer")))
        source.saturation = toneMappedSaturation(path);
    if (!source.fieldOrder.isEmpty()) {
        // Whether its fields show different times (idet's verdict on the pictures as stored),
        // and its pictures made whole from both fields as a good deinterlacer makes them.
        QString err;
        TestMedia::run("ffmpeg", {"-nostdin", "-loglevel", "info", "-i", path, "-map", "0:v:0", "-vf", "idet",
                                  "-f", "null", "-", "-map", "0:v:0", "-vf",
                                  "yadif,signalstats,metadata=mode=print:key=lavfi.signalstats.YMAX",
                                  "-f", "null", "-"}, nullptr, &err);
        static const QRegularExpression verdict(
            QStringLiteral("Multi frame detection: TFF: *(\\d+) BFF: *(\\d+) Progressive: *(\\d+)"));
        const QRegularExpressionMatch counted = verdict.match(err);
        source.moving = counted.captured(1).toInt() + counted.captured(2).toInt() > counted.captured(3).toInt();
        static const QRegularExpression level(QStringLiteral("lavfi\\.signalstats\\.YMAX=(\\d+)"));
        source.leastPeak = 255;
        for (auto it = level.globalMatch(err); it.hasNext();)
            source.leastPeak = qMin(source.leastPeak, it.next().captured(1).toInt());
    }
    measured.insert(path + '|' + shotOrder, source);
    return source;
}

void PlayerExpectation::showing(const SourcePicture &shown)
{
    look = shown.look;
    fieldOrder = shown.fieldOrder;
    lines = shown.lines;
    moving = shown.moving;
    leastPeak = shown.leastPeak;
    saturation = shown.saturation;
}

QList<int> pictureLook(const QImage &image)
{
    return pictureLook(image, image.rect());
}

QString turnOf(const QList<int> &source, const QList<int> &shown)
{
    const int cells = kLookCells * kLookCells;
    if (source.size() != cells || shown.size() != cells)
        return QString();
    const int upright = lookDistance(source, shown, kTurns[0]);
    const Turn *closest = &kTurns[0];
    int distance = upright;
    for (const Turn &turn : kTurns) {
        const int other = lookDistance(source, shown, turn);
        if (other < distance) {
            closest = &turn;
            distance = other;
        }
    }
    // A turned picture matches its turn several times better than upright; a small, blurred
    // picture of a moving source, taken a picture later, may match another turn a little
    // better by chance.
    return distance < upright * kTurnedShare ? QLatin1String(closest->name) : QLatin1String(kTurns[0].name);
}

double meanVolume(const QString &path, const QString &filter)
{
    QString err;
    TestMedia::run("ffmpeg", {"-nostdin", "-i", path, "-vn", "-af", filter + ",volumedetect", "-f", "null", "-"},
                   nullptr, &err);
    const qsizetype at = err.indexOf("mean_volume: ");
    return at < 0 ? 0.0 : err.mid(at + 13).section(' ', 0, 0).toDouble();
}

namespace {
// A picture may be a frame or two longer or shorter (at 10 fps a frame lasts 0.1 s).
constexpr double kPictureSlack = 0.1;
// Sound may be as much shorter, and three of its encoder's frames longer: one of priming
// and the padding of the last (1152 samples at 16 kHz, MP3's longest frame, last 72 ms).
constexpr double kSoundShortSlack = 0.1;
constexpr double kSoundLongSlack = 0.22;
// Sound may start this much later than in the source beside its picture (a viewer sees lips
// out of step with a tenth of a second), and earlier by as much and by an encoder's delay,
// decoded as silence where the container cannot leave it out (MP3 at 11 kHz in FLV: 0.1 s).
constexpr double kLateStartSlack = 0.1;
constexpr double kEarlyStartSlack = 0.15;
// Rates that differ less are the same to a player (30000/1001 and 30 differ by 0.1 %).
constexpr double kRateSlack = 0.01;
constexpr double kCodedRateSlack = 0.02;
// The shape a player shows may differ from the source's by this share ...
constexpr double kShapeSlack = 0.02;
// ... and by what one line or column more or less of the picture makes: the edge of a scaled
// picture is blurred over a pixel, and a part-covered line counts as picture.
double pixelSlack(const QRect &picture)
{
    return 1.0 / picture.width() + 1.0 / picture.height();
}
// Where the shape changes, the pictures this long before and after a time show the shape of it.
constexpr double kShapeWindow = 0.25;
// A subtitle shows as pixels this bright over a picture darker than it; it is judged away
// from its edges, as encoders start a frame early or late.
constexpr int kSubtitlePeak = 180;
constexpr double kSubtitleEdge = 0.15;

bool sameRate(double a, double b)
{
    return b > 0 && qAbs(a / b - 1) < kRateSlack;
}

// The share of the pictures shown from `from` to `to` that hold a subtitle's bright pixels.
double shareBright(const QList<DecodeReport::Picture> &frames, double from, double to)
{
    int inside = 0, bright = 0;
    for (const DecodeReport::Picture &frame : frames) {
        if (frame.time < from || frame.time > to)
            continue;
        ++inside;
        bright += frame.peak >= kSubtitlePeak;
    }
    return inside > 0 ? double(bright) / inside : -1;
}

// Whether the picture looks like the source's as a player shows it, or more like it
// turned or mirrored: a turn of 180 degrees keeps the shape.
QString turnFault(const PlayerExpectation &expected, const DecodeReport &file)
{
    const QString turn = turnOf(expected.look, file.look);
    return turn.isEmpty() || turn == QLatin1String(kTurns[0].name) ? QString()
                                                                   : QStringLiteral("the picture is shown %1").arg(turn);
}

// An interlaced source's fields: made whole, or kept in their order where the output keeps
// the source's interlaced frame (MPEG-2 of its lines and rate). Pictures of both fields
// blended lose the brightest level of what moves; pictures that keep their fields in a
// progressive output are combed.
constexpr int kBlendSlack = 40;
constexpr double kBlendedShare = 0.25;
QString fieldsFault(const PlayerExpectation &expected, const DecodeReport &file)
{
    if (expected.fieldOrder.isEmpty())
        return QString();
    const bool keeps = expected.video == QLatin1String("mpeg2video") && file.videoSize.height() == expected.lines
                       && sameRate(file.frameRate, expected.frameRate);
    if (keeps && file.fieldOrder != expected.fieldOrder)
        return QStringLiteral("fields flagged \"%1\" where the source's \"%2\" are kept")
            .arg(file.fieldOrder, expected.fieldOrder);
    if (!file.fieldOrder.isEmpty() && file.fieldOrder != expected.fieldOrder)
        return QStringLiteral("fields flagged \"%1\" from a source of \"%2\"").arg(file.fieldOrder, expected.fieldOrder);
    // idet takes the fine lines of a small synthetic picture for fields: only pictures whose
    // fields show different times are judged by it.
    if (expected.moving && file.fieldOrder.isEmpty() && file.interlaced > file.pictures / 2)
        return QStringLiteral("%1 of %2 pictures interlaced in a progressive output").arg(file.interlaced)
            .arg(file.pictures);
    if (expected.leastPeak <= 0)
        return QString();
    const auto dull = std::count_if(file.frames.cbegin(), file.frames.cend(), [&](const DecodeReport::Picture &frame) {
        return frame.peak < expected.leastPeak - kBlendSlack;
    });
    if (dull > kBlendedShare * file.frames.size())
        return QStringLiteral("fields blended: %1 of %2 pictures fall short of the source's brightest level %3")
            .arg(dull).arg(file.frames.size()).arg(expected.leastPeak);
    return QString();
}

// HDR colours shown in BT.709: as saturated as FFmpeg's own tone mapping shows
// them (shown as if they were BT.709 ones, they have a third of it), and the file says of its
// pictures no colours they do not hold.
constexpr double kSaturationSlack = 0.25;
QString colourFault(const PlayerExpectation &expected, const DecodeReport &file)
{
    if (expected.saturation <= 0)
        return QString();
    for (const char *hdr : {"bt2020", "smpte2084", "arib-std-b67"})
        if (file.colour.contains(QLatin1String(hdr)))
            return QStringLiteral("%1 pictures said to be %2").arg(file.pixelFormat, file.colour);
    double sum = 0;
    int count = 0;
    for (const DecodeReport::Picture &frame : file.frames)
        if (!frame.box.isEmpty()) {
            sum += frame.saturation;
            ++count;
        }
    const double saturation = count > 0 ? sum / count : 0;
    if (qAbs(saturation / expected.saturation - 1) > kSaturationSlack)
        return QStringLiteral("colours of saturation %1, shown in BT.709 %2").arg(saturation, 0, 'f', 1)
            .arg(expected.saturation, 0, 'f', 1);
    return QString();
}

// How long the output's first picture is held where the source's sound comes first, up to
// as long as the sound comes first (0 otherwise).
double heldBeforePicture(const PlayerExpectation &expected, const DecodeReport &file)
{
    return expected.soundDelay < 0 ? qMin(file.held, -expected.soundDelay + kLateStartSlack) : 0.0;
}

QString pictureFault(const PlayerExpectation &expected, const DecodeReport &file)
{
    // A player's decoder (a DVD player's, a phone's) refuses pictures of another format.
    if (!expected.pixelFormat.isEmpty() && file.pixelFormat != expected.pixelFormat)
        return QStringLiteral("pictures in %1, its players take %2").arg(file.pixelFormat, expected.pixelFormat);
    // The source's rate, or one the target holds to.
    const double rate = file.frameRate;
    bool known = sameRate(rate, expected.frameRate);
    for (double own : expected.ownRates)
        known = known || sameRate(rate, own);
    if (!known)
        return QStringLiteral("%1 fps from a %2 fps source").arg(rate, 0, 'f', 3).arg(expected.frameRate, 0, 'f', 3);
    // MPEG video names its rate in its own headers, and a disc player shows a picture each step
    // of it: pictures spaced wider run fast there (or at 4/5 of it, film flagged to repeat
    // fields). The rate is named to two decimals ("23.98 fps").
    const bool mpegVideo = file.streams.contains("mpeg1video,video") || file.streams.contains("mpeg2video,video");
    if (mpegVideo && file.codedRate > 0 && qAbs(rate / file.codedRate - 1) > kCodedRateSlack
        && qAbs(rate / (file.codedRate * 4 / 5) - 1) > kCodedRateSlack)
        return QStringLiteral("pictures at %1 fps in a stream coded at %2 fps").arg(rate, 0, 'f', 3).arg(file.codedRate);
    // Where the source's sound comes first, its first picture may be shown from the sound's
    // start on (FFmpeg at a constant rate): that time is no longer picture, nor pictures lost.
    const double held = heldBeforePicture(expected, file);
    const double pictureSeconds = file.videoSeconds - held;
    if (pictureSeconds > expected.pictureSeconds + kPictureSlack
        || pictureSeconds < expected.pictureSeconds - kPictureSlack - expected.pictureTail)
        return QStringLiteral("picture lasts %1 s of %2").arg(pictureSeconds, 0, 'f', 3)
            .arg(expected.pictureSeconds);
    // A faster rate repeats pictures; a picture repeated beyond that, or held over a gap in
    // the times, is a picture lost (one at an end, where the target's clock meets the
    // source's first time).
    // A variable rate's slower stretches lack pictures of its rate, which an output at that
    // rate repeats or leaves as gaps (fewer at a share of the rate).
    const double needed = qMax(0.0, file.pictures - expected.frameRate * file.videoSeconds)
                          + expected.missingPictures * qMin(1.0, rate / expected.frameRate);
    const int heldPictures = file.step > 0 ? qRound(held / file.step) : 0;
    if (file.repeats - heldPictures + file.holes > qCeil(needed) + 1)
        return QStringLiteral("%1 of %2 pictures repeat the one before, %3 held over a gap (%4 fps from %5 fps)")
            .arg(file.repeats).arg(file.pictures).arg(file.holes).arg(rate, 0, 'f', 3)
            .arg(expected.frameRate, 0, 'f', 3);
    // The picture inside any bars has the source's shape, as shown with the sample aspect;
    // without bars the frame is stored upright or wide as it is shown, since many players
    // ignore a container's sample aspect (not the display aspect MPEG-1 and MPEG-2 video
    // carry in the picture's own headers, which fixed disc frames rely on).
    const bool subtitled = expected.subtitleTo > expected.subtitleFrom && !expected.subtitleHidden;
    const QRect picture = subtitled ? activePicture(file.frames, expected.subtitleFrom - kSubtitleEdge,
                                                    expected.subtitleTo + kSubtitleEdge)
                                    : activePicture(file.frames);
    const QSize coded = file.videoSize;
    if (picture.isEmpty() || coded.isEmpty())
        return QStringLiteral("no picture inside the %1x%2 frame").arg(coded.width()).arg(coded.height());
    const double sampleAspect = file.displayAspect * coded.height() / coded.width();
    const double shape = double(picture.width()) / picture.height() * sampleAspect;
    const QString shown = QStringLiteral("picture %1x%2 in %3x%4 shown at %5: shape %6, expected %7")
        .arg(picture.width()).arg(picture.height()).arg(coded.width()).arg(coded.height())
        .arg(file.displayAspect, 0, 'f', 3).arg(shape, 0, 'f', 3).arg(expected.aspect, 0, 'f', 3);
    if (qAbs(shape / expected.aspect - 1) > kShapeSlack + pixelSlack(picture))
        return shown;
    const bool flagged = expected.video == "mpeg1video" || expected.video == "mpeg2video";
    if (!flagged && picture.size() == coded && (coded.width() < coded.height()) != (expected.aspect < 1))
        return shown + ", stored the other way up";
    // Where the source's shape changes, each part at its own. A low rate's ringing across the
    // edge of a bar (H.264 at 64 kbit/s in 128x96) lights two lines of it.
    for (const auto &[time, own] : expected.shapes) {
        const QSize part = picturesShown(file.frames, time - kShapeWindow, time + kShapeWindow);
        const double seen = part.isEmpty() ? 0 : double(part.width()) / part.height() * sampleAspect;
        if (part.isEmpty() || qAbs(seen / own - 1) > kShapeSlack + 2 * pixelSlack(QRect(QPoint(), part)))
            return QStringLiteral("at %1 s the picture %2x%3 is shown at shape %4, expected %5").arg(time)
                .arg(part.width()).arg(part.height()).arg(seen, 0, 'f', 3).arg(own, 0, 'f', 3);
    }
    if (const QString colours = colourFault(expected, file); !colours.isEmpty())
        return colours;
    if (const QString turned = turnFault(expected, file); !turned.isEmpty())
        return turned;
    if (const QString fields = fieldsFault(expected, file); !fields.isEmpty())
        return fields;
    if (subtitled) {
        const double during = shareBright(file.frames, expected.subtitleFrom + kSubtitleEdge,
                                          expected.subtitleTo - kSubtitleEdge);
        const double before = shareBright(file.frames, -1, expected.subtitleFrom - kSubtitleEdge);
        const double after = shareBright(file.frames, expected.subtitleTo + kSubtitleEdge, 1e9);
        if (during < 0.8 || before > 0.2 || after > 0.2)
            return QStringLiteral("the subtitle shows in %1 % of the pictures of its time, %2 % before, %3 % after")
                .arg(qRound(100 * during)).arg(qRound(100 * before)).arg(qRound(100 * after));
    } else if (expected.subtitleHidden && expected.subtitleTo > expected.subtitleFrom) {
        const double during = shareBright(file.frames, expected.subtitleFrom + kSubtitleEdge,
                                          expected.subtitleTo - kSubtitleEdge);
        if (during > 0.2)
            return QStringLiteral("a subtitle not chosen shows in %1 % of the pictures of its time").arg(qRound(100 * during));
    }
    return QString();
}

QString soundFault(const PlayerExpectation &expected, const DecodeReport &file)
{
    // Sound may run on in silence to the end of the picture, never stop before its own end.
    const double longest = qMax(expected.soundSeconds, expected.video.isEmpty() ? 0.0 : expected.pictureSeconds);
    if (file.audioSeconds < expected.soundSeconds - kSoundShortSlack || file.audioSeconds > longest + kSoundLongSlack)
        return QStringLiteral("sound lasts %1 s of %2").arg(file.audioSeconds, 0, 'f', 3).arg(expected.soundSeconds);
    if (file.sampleRate != expected.sampleRate)
        return QStringLiteral("sound at %1 Hz, expected %2").arg(file.sampleRate).arg(expected.sampleRate);
    if (file.channels < 1 || file.channels > expected.channels
        || (expected.exactChannels && file.channels != expected.channels))
        return QStringLiteral("%1 channels, expected %2%3").arg(file.channels)
            .arg(expected.exactChannels ? "" : "at most ").arg(expected.channels);
    if (qAbs(file.toneHz / expected.tone - 1) > 0.1)
        return QStringLiteral("a tone of %1 Hz, the chosen track has %2").arg(file.toneHz, 0, 'f', 0).arg(expected.tone);
    return QString();
}
} // namespace

QString playerFault(const PlayerExpectation &expected, const DecodeReport &file)
{
    const auto first = [&](const char *type) {
        const QStringList streams = file.streams.filter(QString(",") + type);
        return streams.isEmpty() ? QString() : streams.first().section(',', 0, 0);
    };
    const QString video = first("video"), audio = first("audio");
    const bool audioKnown = expected.audio.isEmpty() ? audio.isEmpty()
        : std::any_of(expected.audio.cbegin(), expected.audio.cend(),
                      [&](const QString &codec) { return codec == "pcm" ? audio.startsWith("pcm") : audio == codec; });
    if (video != expected.video || !audioKnown)
        return QStringLiteral("streams %1/%2, expected %3/%4").arg(video, audio, expected.video, expected.audio.join('|'));
    if (!file.errors.isEmpty())
        return "decoding: " + file.errors.left(200).simplified();
    QString fault = expected.video.isEmpty() ? QString() : pictureFault(expected, file);
    if (fault.isEmpty() && !expected.audio.isEmpty())
        fault = soundFault(expected, file);
    // A held first picture starts the picture with the sound; its own time is the last copy's.
    // A sound that starts after its picture in the source is judged where it is first heard
    // (AVI holds silence before it); any other where its stream starts, as an MP3 encoder's
    // own lead-in of silence (0.1 s at 11 kHz) is no step against the picture.
    const double heard = expected.soundDelay > kLateStartSlack ? file.audibleStart : file.audioStart;
    const double delay = heard - file.videoStart - heldBeforePicture(expected, file);
    if (fault.isEmpty() && !expected.video.isEmpty() && !expected.audio.isEmpty()
        && (delay - expected.soundDelay > kLateStartSlack || expected.soundDelay - delay > kEarlyStartSlack))
        fault = QStringLiteral("the sound starts %1 s after the picture, %2 s in the source")
                    .arg(delay, 0, 'f', 3).arg(expected.soundDelay, 0, 'f', 3);
    return fault.isEmpty() ? QStringLiteral("ok") : fault;
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
