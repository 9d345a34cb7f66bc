#pragma once

// The progress values of one running engine, in the order the consoles pass them on. A value
// the engine did not give is 0 or less (the percent is -1).
struct EncodingProgress
{
    int frame = -1;
    double position = -1.0;   // seconds reached in the source
    int percent = -1;
    int remaining = -1;       // minutes left
    double fps = -1.0;
    double elapsed = 0.0;     // minutes the task has been running
    int size = -1;            // output size so far, in the engine's unit (kB for FFmpeg)
};
