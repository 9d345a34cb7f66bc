#pragma once

// The answers of a running MPlayer as its run-time parser reads them. The player panel
// starts a fresh record for every line or batch of lines it reads, so the starting
// values below mean "not answered".
struct PlaybackInfo
{
    int videoWidth = 0;    // "ANS_VIDEO_RESOLUTION"
    int videoHeight = 0;
    double position = 0.0; // seconds, "ANS_TIME_POSITION"
    int chapter = 0;       // as MPlayer numbers it, "ANS_chapter"
    double speed = 1.0;    // playback speed factor, "ANS_speed"
    double length = 0.0;   // seconds, "ANS_LENGTH"
    int deinterlace = -1;  // 1 on, 0 off, -1 not answered
};

// The player panel knows this record by the name of what it holds.
using PlaybackAnswer = PlaybackInfo;
