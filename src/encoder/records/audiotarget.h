#pragma once

#include <QString>
#include <QStringList>

// The user's audio settings of an encoding.
struct AudioTarget
{
    AudioTarget();
    void reset();

    QString codec;      // e.g. "mp3", "ac3_copy", "noaudio"
    int volume;         // dB, 0 for unchanged
    int samplingRate;   // Hz, 0 for unchanged
    double bitrate;     // kbit/s, 0 when not set
    QStringList spareList1; // nothing fills them yet
    QStringList spareList2;
};
