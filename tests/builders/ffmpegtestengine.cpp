#include "ffmpegtestengine.h"

#include "testmedia.h"

FFmpegTestEngine::FFmpegTestEngine()
{
    capabilities.videoCodecMap = &videoCodecs;
    capabilities.audioCodecMap = &audioCodecs;
    capabilities.subtitleCodecMap = &subtitleCodecs;
    capabilities.muxerMap = &muxers;
    builder.init("ffmpeg", &capabilities, &job, &status);
}

QByteArray FFmpegTestEngine::queryOutput(const QString &argument)
{
    // The engine's answers do not change while the tests run: ask each once.
    static QMap<QString, QByteArray> outputs;
    if (!outputs.contains(argument)) {
        QString out;
        TestMedia::run("ffmpeg", {argument}, &out);
        outputs.insert(argument, out.toUtf8());
    }
    return outputs.value(argument);
}

bool FFmpegTestEngine::queryEngine()
{
    // The encoder core's order: each query run, then its parser.
    struct Query
    {
        void (InterfaceFFmpeg::*command)(QString &, QStringList &) const;
        void (InterfaceFFmpeg::*parse)();
    };
    const Query queries[] = {
        {&InterfaceFFmpeg::cliCmdGetVersion, &InterfaceFFmpeg::parseVersion},
        {&InterfaceFFmpeg::cliCmdGetCodecs, &InterfaceFFmpeg::parseCodecs},
        {&InterfaceFFmpeg::cliCmdGetMuxers, &InterfaceFFmpeg::parseMuxers},
    };
    for (const Query &query : queries) {
        QString program;
        QStringList arguments;
        (builder.*query.command)(program, arguments);
        status.stdOut = queryOutput(arguments.value(0));
        status.state = InterfaceStatus::OutputCaptured;
        (builder.*query.parse)();
        if (status.state != InterfaceStatus::OutputCaptured)
            return false;
    }
    status.state = InterfaceStatus::Ready;
    return true;
}
