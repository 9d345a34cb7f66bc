#pragma once

#include <QList>
#include <QString>

// One audio stream of an FFprobe analysis, with FFprobe's own key names.
struct FFprobeAudioStream
{
    int index = 0;           // "index"
    QString codec_name;      // "codec_name"
    QString codec_long_name; // "codec_long_name"
    int sample_rate = 0;     // "sample_rate", Hz
    int bits_per_sample = 0; // "bits_per_sample"
    double bit_rate = 0.0;   // "bit_rate", bits per second
    int channels = 0;        // "channels"
    double start_time = 0.0; // "start_time", seconds
    double duration = 0.0;   // "duration", seconds (Matroska: "TAG:DURATION")
    QString language;        // "TAG:language"
    QString title;           // "TAG:title"
    // "DISPOSITION:default": the track a player plays first.
    bool disposition_default = false;
    // The times of the packets sampled with the analysis that a player keeps.
    QList<double> sampledTimes;
    // The times of the sampled packets flagged to be discarded (an encoder's priming, a
    // quick trim's lead-in).
    QList<double> discardedTimes;
    // Its sampling rates as decoded at points spread through it, each change in the order
    // met (a broadcast's sound changes rate at a programme change, which no header states).
    QList<int> sampledRates;
    // Whether the times of its decoded frames there go back against their samples somewhere.
    bool sampledOverlap = false;
    // Where its frames decoded there, near its end too, reach on the file's clock: the end of
    // the latest one (`sampledEnd`), where any was read (`endRead`).
    bool endRead = false;
    double sampledEnd = 0.0;
};
