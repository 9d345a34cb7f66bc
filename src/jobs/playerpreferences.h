#pragma once

// The user's preferences for the player panel: preview extract, volume, which DVD titles
// to offer, display size, the player's latencies and poll interval, and how many playback
// errors are tolerated. A plain record copied whole into every panel; a default-built one
// holds the defaults.
struct PlayerPreferences
{
    PlayerPreferences();

    // Puts every field back to its default.
    void reset();

    bool testMode;              // preview mode of the player
    int testFrames;             // frames of a preview
    int testChapter;            // DVD chapter of a preview
    int testPosition;           // start of a preview in seconds
    int volume;                 // playback volume
    bool ignoreShortTitles;     // skip DVD titles shorter than titleMinimumLength
    double titleMinimumLength;  // seconds
    int displayWidth;           // pixels
    int displayHeight;          // pixels
    int latencyStart;           // ms to wait for the player to start
    int latencyFinished;        // ms to wait for the player to finish
    int latencyKill;            // ms to wait for a killed player
    int pollTicks;              // interval of the player's poll timer in ms
    int maxErrorLines;          // playback error lines tolerated
    int maxErrorRepeats;        // repeats of one playback error tolerated
    int maxLoadErrorLines;      // error lines tolerated while loading one title or file
};
