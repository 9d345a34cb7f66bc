#pragma once

#include <QSize>
#include <QString>

struct EncoderProfile;
struct EncodingTarget;

// What one encode command is built from: the user's own target, or a predefined level's
// profile (whose speed and quality options the command adds).
struct EncodeSettings
{
    bool profileLevel = false; // values from a predefined level, not the user's own
    int level = 0;             // 1 fastest to 3 best; FFmpeg's 5 is the "ac3" case
    QString muxer;
    QString standard;          // TV standard: "PAL", "NTSC" or other
    QString videoCodec;
    QSize pictureSize;
    double videoBitrate = 0.0; // kbit/s
    QString x264Preset;        // the user's only; empty for the default
    QString videoProfile;      // the user's only, e.g. "x264_high"
    QString audioCodec;
    int samplingRate = 0;      // Hz, 0 (for FFmpeg also -1) unchanged
    double audioBitrate = 0.0; // kbit/s
    int volume = 0;            // dB, 0 unchanged

    static EncodeSettings ofTarget(const EncodingTarget &target);
    // A level's profile; the volume is the user's in either case.
    static EncodeSettings ofProfile(const EncoderProfile &profile, int volume);
};
