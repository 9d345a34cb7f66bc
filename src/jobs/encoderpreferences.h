#pragma once

#include <QString>

// The user's preferences for encoding: the test extract, validation runs, the engine
// latencies that job managers use as their time-outs, and the output base name.
// A plain record handed around by value (also through the "changeEncoderPreferences"
// bridge message); the implicit copy copies every field.
struct EncoderPreferences
{
    EncoderPreferences();

    bool testMode;          // encode only a test extract
    int testFrames;         // frames of a test encode
    int testChapter;        // DVD chapter of a test encode
    int testPosition;       // seconds where a test encode of a file begins
    int volumeCorrection;   // volume change applied when encoding
    int validationFrames;   // frame count of a validation run
    int validationSize;     // byte count of a validation run
    int latencyStart;       // ms to wait for an engine process to start
    int latencyFinished;    // ms to wait for an engine process to finish
    int latencyKill;        // ms to wait for a killed engine process
    bool forceOutputName;   // always use outputName as the output's base name
    QString outputName;     // base name of output files
};
