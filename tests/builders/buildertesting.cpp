#include "buildertesting.h"

#include "testmedia.h"

#include <QRegularExpression>

QByteArray engineAnswer(const QString &program, const QStringList &arguments)
{
    static QMap<QStringList, QByteArray> answers; // they do not change while the tests run
    const QStringList key = QStringList{program} + arguments;
    if (!answers.contains(key)) {
        QString out;
        TestMedia::run(program, arguments, &out);
        answers.insert(key, out.toUtf8());
    }
    return answers.value(key);
}

bool readEngine(MEncoderRecords &records)
{
    QString program;
    QStringList arguments;
    records.builder.cliCmdGetStatus(program, arguments);
    return records.parse(engineAnswer(program, arguments)) == InterfaceStatus::Ready;
}

bool readEngine(FFmpegRecords &records)
{
    // The encoder core's order: each query run, then its parser.
    const struct {
        void (InterfaceFFmpeg::*command)(QString &, QStringList &) const;
        void (InterfaceFFmpeg::*parse)();
    } queries[] = {{&InterfaceFFmpeg::cliCmdGetVersion, &InterfaceFFmpeg::parseVersion},
                   {&InterfaceFFmpeg::cliCmdGetCodecs, &InterfaceFFmpeg::parseCodecs},
                   {&InterfaceFFmpeg::cliCmdGetMuxers, &InterfaceFFmpeg::parseMuxers}};
    for (const auto &query : queries) {
        QString program;
        QStringList arguments;
        (records.builder.*query.command)(program, arguments);
        if (records.parse(engineAnswer(program, arguments), query.parse) != InterfaceStatus::OutputCaptured)
            return false;
    }
    records.status.state = InterfaceStatus::Ready;
    return true;
}

// Only what the builders read of the records that the player hands over.
EncodingSource clipSource(const QString &path)
{
    EncodingSource source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::MediaFile;
    source.video.fileFormat = "AVI";
    source.video.aspect = 4.0 / 3.0;
    source.video.frameRate = 25.0;
    source.noVideo = source.noAudio = false;
    source.audio.streamNumber = source.audio.aid = 1; // MPlayer's AVI reader: after the video
    source.audio.channelCount = 1;
    return source;
}

EncodingSource dvdSource(const QString &folder)
{
    EncodingSource source = clipSource(folder);
    source.kind = SourceKind::Dvd;
    source.video.kind = VideoInfo::DvdTitle;
    source.video.fileFormat.clear();
    source.video.title = source.video.angle = 1;
    source.video.aspect = 16.0 / 9.0;
    source.audio.streamNumber = 0;
    source.audio.aid = 128;
    source.audio.language = "en";
    return source;
}

void setTarget(EncodingTarget &target, int level, const QString &muxer, const QString &video,
               QSize size, double videoBitrate, const QString &audio, int rate,
               double audioBitrate, const QString &standard)
{
    target = EncodingTarget();
    target.muxer = muxer;
    target.profile.level = level;
    if (level != EncoderProfile::LevelUser) {
        target.profile = {QString(), muxer, level, QString(), standard, video, size,
                          videoBitrate, audio, rate, audioBitrate};
        return;
    }
    target.video.standard = standard;
    target.video.codec = video;
    target.video.pictureSize = size;
    target.video.bitrate = videoBitrate;
    target.audio.codec = audio;
    target.audio.samplingRate = rate;
    target.audio.bitrate = audioBitrate;
}

QStringList probeStreams(const QString &path, const QString &entries)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-show_entries", "stream=" + entries, "-of",
                               "csv=p=0", path}, &out);
    static const QRegularExpression emptySideData(",+$"); // that some streams add
    return out.split('\n', Qt::SkipEmptyParts).replaceInStrings(emptySideData, QString());
}

OutputReport probeOutput(const QString &path, bool withSpans)
{
    QString out;
    const QString packets = withSpans ? "packet=stream_index,pts_time,dts_time,duration_time:" : "";
    TestMedia::run("ffprobe", {"-v", "error", "-count_frames", "-show_entries", packets + "stream=index,"
                               "codec_name,codec_type,width,height,display_aspect_ratio,"
                               "nb_read_frames:format=format_name,duration", "-of", "compact", path}, &out);
    OutputReport report;
    QMap<int, QString> types;               // stream index to its type
    QMap<int, QPair<double, double>> spans; // stream index to first and last time
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        QMap<QString, QString> field;
        for (const QString &pair : line.split('|').mid(1))
            field.insert(pair.section('=', 0, 0), pair.section('=', 1));
        if (line.startsWith("packet|")) {
            bool ok = false; // AVI packets carry a decoding time only
            double start = field.value("pts_time").toDouble(&ok);
            if (!ok)
                start = field.value("dts_time").toDouble(&ok);
            const int index = field.value("stream_index").toInt();
            const double end = start + field.value("duration_time").toDouble();
            if (ok)
                spans[index] = spans.contains(index) ? qMakePair(qMin(spans[index].first, start),
                                                                 qMax(spans[index].second, end))
                                                     : qMakePair(start, end);
        } else if (line.startsWith("stream|")) {
            const QString type = field.value("codec_type");
            types.insert(field.value("index").toInt(), type);
            report.streams << field.value("codec_name") + ',' + type;
            if (type == "video" && report.videoFrames < 0) {
                report.videoFrames = field.value("nb_read_frames").toInt();
                report.videoSize = {field.value("width").toInt(), field.value("height").toInt()};
                const QStringList ratio = field.value("display_aspect_ratio").split(':');
                const QSize shape = ratio.value(1).toInt() > 0
                    ? QSize(ratio[0].toInt(), ratio[1].toInt()) : report.videoSize; // square pixels
                report.displayAspect = shape.height() > 0 ? double(shape.width()) / shape.height() : 0;
            }
        } else if (line.startsWith("format|")) {
            report.format = field.value("format_name");
            report.duration = field.value("duration").toDouble();
        }
    }
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        double &seconds = it.value() == "video" ? report.videoSeconds : report.audioSeconds;
        if (seconds == 0 && (it.value() == "video" || it.value() == "audio"))
            seconds = spans.value(it.key()).second - spans.value(it.key()).first;
    }
    return report;
}
