#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// The user's video settings of an encoding.
struct VideoTarget
{
    VideoTarget();
    void reset();

    QString codec;      // e.g. "xvid", "x264", "mpeg1video"
    QString standard;   // "PAL", "NTSC" or empty
    QSize pictureSize;  // 0 by 0 when not set
    double bitrate;     // kbit/s
    double frameRate;   // frames per second, 0 when not set
    QString preset;     // x264 preset, empty for the builder's default
    QString profile;    // codec profile, e.g. "x264_high"; empty for none
    QStringList spareList1; // nothing fills them yet
    QStringList spareList2;
};
