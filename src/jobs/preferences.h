#pragma once

#include "jobs/encoderpreferences.h"
#include "jobs/playerpreferences.h"

// The preferences the main window holds and the preferences dialog edits in place:
// the encoder part followed by the player part.
struct Preferences
{
    // Both parts back to their defaults (the output name back to "output").
    void reset();

    EncoderPreferences encoder;
    PlayerPreferences player;
};
