#include "mencodertestengine.h"

#include "encoder/records/sourcekind.h"
#include "testmedia.h"

#include <QRegularExpression>

MEncoderTestEngine::MEncoderTestEngine()
{
    capabilities = {&videoCodecs, &audioCodecs, &subtitleCodecs, &muxers,
                    &lavcVideo, &lavcAudio, &lavcSubtitle, &lavfMuxers};
    builder.init("mencoder", &capabilities, &job, &status);
}

QByteArray MEncoderTestEngine::helpOutput()
{
    // The engine's answer does not change while the tests run: ask it once.
    static const QByteArray output = [] {
        InterfaceMEncoder builder;
        builder.init("mencoder", nullptr, nullptr, nullptr);
        QString program, out;
        QStringList arguments;
        builder.cliCmdGetStatus(program, arguments);
        TestMedia::run(program, arguments, &out);
        return out.toUtf8();
    }();
    return output;
}

bool MEncoderTestEngine::queryEngine()
{
    status.stdOut = helpOutput();
    status.state = InterfaceStatus::OutputCaptured;
    builder.parseStatus();
    return status.state == InterfaceStatus::Ready;
}

// Only what the builder reads of the records that the player hands over.
EncodingSource MEncoderTestEngine::clipSource(const QString &path)
{
    EncodingSource source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::MediaFile;
    source.video.fileFormat = "AVI";
    source.video.aspect = 4.0 / 3.0;
    source.video.frameRate = 25.0;
    source.noVideo = source.noAudio = false;
    // MPlayer's AVI reader numbers the audio stream 1, after the video.
    source.audio.streamNumber = source.audio.aid = 1;
    source.audio.channelCount = 1;
    return source;
}

EncodingSource MEncoderTestEngine::dvdSource(const QString &folder)
{
    EncodingSource source;
    source.path = folder;
    source.kind = SourceKind::Dvd;
    source.video.kind = VideoInfo::DvdTitle;
    source.video.title = source.video.angle = 1;
    source.video.aspect = 16.0 / 9.0;
    source.video.frameRate = 25.0;
    source.noVideo = source.noAudio = false;
    source.audio.streamNumber = 0;
    source.audio.aid = 128;
    source.audio.language = "en";
    source.audio.channelCount = 1;
    return source;
}

void setTarget(EncodingTarget &target, int level, const QString &muxer, const QString &video,
               QSize size, double videoBitrate, const QString &audio, int rate,
               double audioBitrate, const QString &standard)
{
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
    QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    static const QRegularExpression emptySideData(",+$"); // that some streams add
    lines.replaceInStrings(emptySideData, QString());
    return lines;
}

namespace {

double ratio(const QString &text) // "16:9"; 0 for "N/A" or "0:1"
{
    const QStringList parts = text.split(':');
    const double below = parts.value(1).toDouble();
    return parts.size() == 2 && below > 0 ? parts[0].toDouble() / below : 0.0;
}

} // namespace

OutputReport probeOutput(const QString &path)
{
    QString out;
    TestMedia::run("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
                               "packet=stream_index,pts_time,dts_time,duration_time:stream=index,codec_name,"
                               "codec_type,width,height,display_aspect_ratio,nb_read_frames",
                               "-of", "compact", path}, &out);
    OutputReport report;
    QMap<int, QString> types;                   // stream index to its type
    QMap<int, QPair<double, double>> spans;     // stream index to first and last time
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        QMap<QString, QString> field;
        for (const QString &pair : line.split('|').mid(1))
            field.insert(pair.section('=', 0, 0), pair.section('=', 1));
        if (line.startsWith("packet|")) {
            bool ok = false; // AVI packets carry a decoding time only
            double start = field.value("pts_time").toDouble(&ok);
            if (!ok)
                start = field.value("dts_time").toDouble(&ok);
            if (!ok)
                continue;
            const double end = start + field.value("duration_time").toDouble();
            const int index = field.value("stream_index").toInt();
            auto it = spans.find(index);
            if (it == spans.end())
                spans.insert(index, {start, end});
            else
                *it = {qMin(it->first, start), qMax(it->second, end)};
        } else if (line.startsWith("stream|")) {
            const QString type = field.value("codec_type");
            types.insert(field.value("index").toInt(), type);
            report.streams << field.value("codec_name") + ',' + type;
            if (type == "video" && report.videoFrames < 0) {
                report.videoFrames = field.value("nb_read_frames").toInt();
                report.displayAspect = ratio(field.value("display_aspect_ratio"));
                if (report.displayAspect == 0 && field.value("height").toDouble() > 0)
                    report.displayAspect =
                        field.value("width").toDouble() / field.value("height").toDouble();
            }
        }
    }
    for (auto it = types.cbegin(); it != types.cend(); ++it) {
        const auto span = spans.value(it.key());
        double &seconds = it.value() == "video" ? report.videoSeconds : report.audioSeconds;
        if (seconds == 0 && (it.value() == "video" || it.value() == "audio"))
            seconds = span.second - span.first;
    }
    return report;
}
