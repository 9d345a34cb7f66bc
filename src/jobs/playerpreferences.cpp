#include "jobs/playerpreferences.h"

PlayerPreferences::PlayerPreferences()
{
    reset();
}

void PlayerPreferences::reset()
{
    testMode = false;
    testFrames = 1000;
    testChapter = 4;
    testPosition = 12;
    volume = 0;
    ignoreShortTitles = true;
    titleMinimumLength = 600.0;
    displayWidth = 512;
    displayHeight = 288;
    latencyStart = 3000;
    latencyFinished = 3000;
    latencyKill = 5000;
    pollTicks = 500;
    maxErrorLines = 500;
    maxErrorRepeats = 100;
    maxLoadErrorLines = 100;
}
