#pragma once

#include <QSize>
#include <QString>

// A profile as the configurator builds it.
struct EncoderProfile
{
    enum Level : int {
        LevelNone = 0,
        LevelFastest = 1, // 1 to 3: predefined speed and quality levels
        LevelBest = 3,
        LevelUser = 4,     // the user's own settings
        LevelAudioCopy = 5 // a copy of the source's audio
    };

    QString spareText1;    // the configurator leaves it empty
    QString muxer;
    int level = LevelNone;
    QString spareText2;    // the configurator leaves it empty
    QString standard;      // TV standard
    QString videoCodec;
    QSize pictureSize;     // (-1, -1) until set
    double videoBitrate = 0.0; // kbit/s
    QString audioCodec;
    int samplingRate = 0;  // Hz; -1 stands for a copy of the source's audio
    double audioBitrate = 0.0; // kbit/s; not above 0 means variable bitrate
};
