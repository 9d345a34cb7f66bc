#pragma once

#include <QString>

// One row of the audio preset table: the sampling rate and bitrate of a codec at a level.
struct AudioPreset
{
    QString spareText; // empty in every row
    QString codec;
    int level = 0;         // 1 to 3, or 5 for a copy of the source's audio
    int samplingRate = 0;  // Hz; -1 keeps the source's rate (a copied stream)
    double bitrate = 0.0;  // kbit/s; 0 for lossless codecs and copied streams
};
