#include "builders/encodesettings.h"

#include "encoder/records/encodingtarget.h"

EncodeSettings EncodeSettings::ofTarget(const EncodingTarget &target)
{
    EncodeSettings settings;
    settings.muxer = target.muxer;
    settings.standard = target.video.standard;
    settings.videoCodec = target.video.codec;
    settings.pictureSize = target.video.pictureSize;
    settings.videoBitrate = target.video.bitrate;
    settings.x264Preset = target.video.preset;
    settings.videoProfile = target.video.profile;
    settings.audioCodec = target.audio.codec;
    settings.samplingRate = target.audio.samplingRate;
    settings.audioBitrate = target.audio.bitrate;
    settings.volume = target.audio.volume;
    return settings;
}

EncodeSettings EncodeSettings::ofProfile(const EncoderProfile &profile, int volume)
{
    EncodeSettings settings;
    settings.profileLevel = true;
    settings.level = profile.level;
    settings.muxer = profile.muxer;
    settings.standard = profile.standard;
    settings.videoCodec = profile.videoCodec;
    settings.pictureSize = profile.pictureSize;
    settings.videoBitrate = profile.videoBitrate;
    settings.audioCodec = profile.audioCodec;
    settings.samplingRate = profile.samplingRate;
    settings.audioBitrate = profile.audioBitrate;
    settings.volume = volume;
    return settings;
}
