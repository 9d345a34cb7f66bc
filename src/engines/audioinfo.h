#pragma once

#include <QString>

// One audio stream of a DVD title or media file. Lengths in seconds, bit rates in
// kbit/s, sampling rates in Hz.
struct AudioInfo
{
    AudioInfo() = default;
    // Every field back to the value it starts with.
    void reset();
    // Every field equal.
    bool operator==(const AudioInfo &other) const;
    bool operator!=(const AudioInfo &other) const { return !(*this == other); }

    int spareInt = 0;         // no parser sets it
    int streamNumber = -1;    // number inside the container or on the disc, -1 unset
    int aid = -1;             // the player's audio id ("-aid", "switch_audio"), -1 unset
    QString format;           // "MP3", "MP2", "ac3", "aac", ...
    QString codec;            // decoder name without a leading "ff"
    double bitrate = 0.0;     // kbit/s
    QString channels;         // layout text as reported ("stereo", "5.1", ...)
    int channelCount = 0;
    QString channelPositions; // MediaInfo's "Channel positions"
    int samplingRate = 0;     // Hz
    double spareDouble = 0.0; // no parser sets it
    QString language;     // language code as the player reports it
    QString description;  // stream title or remaining description text
};
