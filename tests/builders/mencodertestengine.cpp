#include "mencodertestengine.h"

#include "encoder/records/sourcekind.h"
#include "testmedia.h"

#include <QProcess>

MEncoderTestEngine::MEncoderTestEngine()
{
    capabilities.videoCodecMap = &videoCodecs;
    capabilities.audioCodecMap = &audioCodecs;
    capabilities.subtitleCodecMap = &subtitleCodecs;
    capabilities.muxerMap = &muxers;
    capabilities.lavcVideoCodecMap = &lavcVideo;
    capabilities.lavcAudioCodecMap = &lavcAudio;
    capabilities.lavcSubtitleCodecMap = &lavcSubtitle;
    capabilities.lavfMuxerMap = &lavfMuxers;
    builder.init("mencoder", &capabilities, &job, &status);
}

QByteArray MEncoderTestEngine::helpOutput()
{
    // The engine's answer does not change while the tests run: ask it once.
    static const QByteArray output = [] {
        InterfaceMEncoder builder;
        builder.init("mencoder", nullptr, nullptr, nullptr);
        QString program;
        QStringList arguments;
        builder.cliCmdGetStatus(program, arguments);
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished(30000);
        return process.readAllStandardOutput();
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

EncodingSource MEncoderTestEngine::clipSource(const QString &path)
{
    // What the player reports for the standard clip: MPlayer's AVI reader numbers the
    // audio stream 1, after the video.
    EncodingSource source;
    source.path = path;
    source.kind = SourceKind::MediaFile;
    source.video.kind = VideoInfo::MediaFile;
    source.video.fileFormat = "AVI";
    source.video.width = source.video.scaledWidth = 320;
    source.video.height = source.video.scaledHeight = 240;
    source.video.aspect = 4.0 / 3.0;
    source.video.frameRate = 25.0;
    source.video.length = 3.0;
    source.noVideo = false;
    source.audio.streamNumber = 1;
    source.audio.aid = 1;
    source.audio.channelCount = 1;
    source.audio.samplingRate = 44100;
    source.noAudio = false;
    source.noSubtitle = true;
    return source;
}

EncodingSource MEncoderTestEngine::dvdSource(const QString &folder)
{
    EncodingSource source;
    source.path = folder;
    source.kind = SourceKind::Dvd;
    source.video.kind = VideoInfo::DvdTitle;
    source.video.title = 1;
    source.video.angle = 1;
    source.video.width = 720;
    source.video.height = 576;
    source.video.scaledWidth = 1024;
    source.video.scaledHeight = 576;
    source.video.aspect = 16.0 / 9.0;
    source.video.frameRate = 25.0;
    source.video.length = 8.0;
    source.noVideo = false;
    source.audio.streamNumber = 0;
    source.audio.aid = 128;
    source.audio.language = "en";
    source.audio.channelCount = 1;
    source.audio.samplingRate = 48000;
    source.noAudio = false;
    source.noSubtitle = true;
    return source;
}

QList<ProbedStream> probeStreams(const QString &path)
{
    QString out;
    QList<ProbedStream> streams;
    if (TestMedia::run("ffprobe", {"-v", "error", "-show_entries",
                                   "stream=codec_type,codec_name,width,height", "-of",
                                   "compact=p=0:nk=0", path},
                       &out)
        != 0)
        return streams;
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        ProbedStream stream;
        const QStringList fields = line.trimmed().split('|');
        for (const QString &field : fields) {
            const QString key = field.section('=', 0, 0);
            const QString value = field.section('=', 1);
            if (key == "codec_type")
                stream.type = value;
            else if (key == "codec_name")
                stream.codec = value;
            else if (key == "width")
                stream.width = value.toInt();
            else if (key == "height")
                stream.height = value.toInt();
        }
        streams.append(stream);
    }
    return streams;
}
