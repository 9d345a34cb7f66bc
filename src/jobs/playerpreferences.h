#pragma once

// The user's preferences for the player panel: preview extract, volume, which DVD titles
// to offer, display size, the player's latencies and poll interval, and how many playback
// errors are tolerated. A plain record copied whole into every panel; a default-built one
// holds the defaults.
struct PlayerPreferences
{
    PlayerPreferences() = default;

    // Puts every field back to its default.
    void reset();

    bool testMode = false;             // preview mode of the player
    int testFrames = 1000;             // frames of a preview
    int testChapter = 4;               // DVD chapter of a preview
    int testPosition = 12;             // start of a preview in seconds
    int volume = 0;                    // playback volume
    bool ignoreShortTitles = true;     // skip DVD titles shorter than titleMinimumLength
    double titleMinimumLength = 600.0; // seconds
    int displayWidth = 512;            // pixels
    int displayHeight = 288;           // pixels
    int latencyStart = 3000;           // ms to wait for the player to start
    int latencyFinished = 3000;        // ms to wait for the player to finish
    int latencyKill = 5000;            // ms to wait for a killed player
    int pollTicks = 500;               // interval of the player's poll timer in ms
    int maxErrorLines = 500;           // playback error lines tolerated
    int maxErrorRepeats = 100;         // repeats of one playback error tolerated
    int maxLoadErrorLines = 100;       // error lines tolerated while loading one title or file
};
