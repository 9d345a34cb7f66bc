#pragma once

#include <QString>

// One audio stream of a DVD title or media file. Lengths in seconds, bit rates in
// kbit/s, sampling rates in Hz.
struct AudioInfo
{
    AudioInfo();
    void reset();

    int spareInt;         // no parser sets it
    int streamNumber;     // number inside the container or on the disc, -1 unset
    int aid;              // the player's audio id ("-aid", "switch_audio"), -1 unset
    QString format;       // "MP3", "MP2", "ac3", "aac", ...
    QString codec;        // decoder name without a leading "ff"
    double bitrate;       // kbit/s
    QString channels;     // layout text as reported ("stereo", "5.1", ...)
    int channelCount;
    QString channelPositions; // MediaInfo's "Channel positions"
    int samplingRate;     // Hz
    double spareDouble;   // no parser sets it
    QString language;     // language code as the player reports it
    QString description;  // stream title or remaining description text
};
