#pragma once

#include <QSize>
#include <QString>

// One row of the video preset table: the picture size and bitrate of a codec at a quality
// level, for one TV standard or (empty standard) for every standard.
struct VideoPreset
{
    QString spareText; // empty in every row
    QString codec;
    int level = 0;     // 1 to 3, 1 fastest and smallest
    QString standard;  // "PAL", "NTSC", or empty for any standard
    QSize pictureSize;
    double bitrate = 0.0; // kbit/s
};
