#include "builders/encodecommandbuilder.h"

void EncodeCommandBuilder::init(const QString &binary, EngineCapabilities *capabilities,
                                EncodingJob *data, InterfaceStatus *status)
{
    CommandBuilder::init(binary, capabilities, data, status);
    passes = 1;
    pass = 1;
}

void EncodeCommandBuilder::initMuxerAliases()
{
    muxerAliases.clear();
    addAliases(muxerAliases, {
        {"mkv", {"matroska"}},
        {"wmv", {"asf"}},
    });
}

void EncodeCommandBuilder::initVideoCodecAliases()
{
    videoCodecAliases.clear();
    addAliases(videoCodecAliases, {
        {"dv", {"dvvideo"}},
        {"theora", {"libtheora"}},
        {"x264", {"libx264"}},
        {"x264_lr", {"libx264"}},
        {"x264_hd", {"libx264"}},
        {"xvid", {"libxvid"}},
    });
}
