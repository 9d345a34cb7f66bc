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
