#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class FFprobeData;

// What the engines measured of a loaded source, read once when it is loaded from FFprobe's
// analysis: how a player turns and shows its picture, how the picture is timed, and where
// each stream starts and how long it lasts. The player panel, the encoder's lists, its
// choice of engine, both command builders and the end-of-job check read it, so that none of
// them guesses these again (the player's identify run knows no rotation, estimates a
// transport stream's length, calls a variable rate constant and ignores start times).
struct SourceFacts
{
    // One sound stream, in the file's order of sound streams.
    struct Sound
    {
        QString codec;       // FFprobe's codec name
        int channels = 0;
        double start = 0.0;  // seconds on the file's clock
        double length = 0.0; // seconds; 0 unknown
        bool operator==(const Sound &other) const;
        bool operator!=(const Sound &other) const { return !(*this == other); }
    };

    // Whether FFprobe read the source at all; every other value is a default otherwise.
    bool measured = false;
    // Degrees a player turns the stored picture clockwise to show it: 0, 90, 180 or 270.
    int rotation = 0;
    // FFprobe's field order: "progressive", "tt", "bb", "tb" or "bt"; empty where unknown.
    QString fieldOrder;
    // The pictures' mean rate, and whether their times follow no constant step (a phone's
    // or a screen recorder's variable rate).
    double frameRate = 0.0;
    bool variableRate = false;
    // The rate a variable rate runs at where it runs fast (a phone's rate in daylight, a
    // screen recording's while things move): what a constant rate must take to drop none of
    // its pictures. 0 where the times are too few to tell.
    double fastRate = 0.0;
    double pictureStart = 0.0;  // seconds on the file's clock
    double pictureLength = 0.0; // seconds; 0 unknown or no picture
    QList<Sound> sounds;
    double length = 0.0;        // the container's measured length; 0 unknown

    bool operator==(const SourceFacts &other) const;
    bool operator!=(const SourceFacts &other) const { return !(*this == other); }

    // Turned a quarter: a player shows the picture with its sides swapped.
    bool sideways() const { return rotation == 90 || rotation == 270; }
    // MPlayer's and MEncoder's video filters that turn the stored picture as a player shows
    // it; they turn nothing by themselves. Empty for an upright picture.
    QStringList mplayerTurn() const;
    // Stored as two fields of different times, and the first of them the top one.
    bool interlaced() const;
    bool topFieldFirst() const;
    // How much later the sound stream at `place` starts than the picture (negative when it
    // starts first); 0 where either is unknown.
    double soundDelay(int place) const;

    // The facts of FFprobe's analysis; `picture` is the place among its video streams of the
    // moving picture (-1: none). The rate is judged by the times of the packets sampled with
    // the analysis, where there are enough of them.
    static SourceFacts measure(const FFprobeData &probe, int picture);
    // Whether sorted packet times follow one constant step, allowing for times rounded to a
    // coarse clock and the odd dropped picture; `meanRate` receives their mean rate.
    static bool constantSteps(const QList<double> &times, double *meanRate);
    // The rate of the shorter steps between sorted packet times: the mean of the steps near
    // the one a quarter of them are no longer than (a stray short step does not count); 0
    // for too few times.
    static double fastStepRate(const QList<double> &times);
};
