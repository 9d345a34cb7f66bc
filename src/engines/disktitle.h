#pragma once

// What a DVD identify pass tells of one title of the disc.
struct DiskTitle
{
    bool ignored = false; // the player panel skips it (too short, failed to load)
    int chapters = 0;
    int angles = 0;
    double length = 0.0;  // whole seconds
};
