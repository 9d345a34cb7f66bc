#pragma once

#include <QString>
#include <QtGlobal>

#include <limits>

// One packet of a media file as FFprobe lists it ("-show_packets"): enough to find the
// same packet again in another file and to tell where a stream ends.
struct FFprobePacket
{
    double time = 0.0;     // "pts_time", or "dts_time" when the packet has no presentation time
    // "dts_time"; not a number when FFprobe gives none. Packets follow one another in the
    // order of these times (those shown ahead of their turn have later presentation times).
    double decodeTime = std::numeric_limits<double>::quiet_NaN();
    double duration = 0.0; // "duration_time"; 0 when FFprobe gives none
    bool key = false;      // "flags" begins with "K"
    QString hash;          // "data_hash", the MD5 of the packet's data ("MD5:...")
    int stream = -1;       // "stream_index"; -1 when FFprobe was not asked for it
    qint64 pos = -1;       // "pos", the byte in the file where its data begins; -1 when not known
};
