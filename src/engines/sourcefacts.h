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
        // Seconds of sound before its start that a player discards (an encoder's priming, a
        // quick trim's lead-in, which an edit list hides).
        double leadIn = 0.0;
        // Its packets carry no times that move (RealAudio as FFmpeg writes it, every packet
        // at 0): a player times it by its samples, an encoder that keeps packet times keeps a
        // few hundredths of a second of it.
        bool untimed = false;
        // Its sampling rates as decoded through the file, each change in the order met (a
        // broadcast's 48 kHz, then 44.1 kHz after a programme change); empty unmeasured.
        QList<int> rates{};
        // A frame starts before the one before it ends, as decoded where the rates were read
        // (parts of a recording joined where their times overlap).
        bool overlaps = false;
        bool rateChanges() const { return rates.size() > 1; }
        bool operator==(const Sound &other) const;
        bool operator!=(const Sound &other) const { return !(*this == other); }
    };

    // Whether FFprobe read the source at all; every other value is a default otherwise.
    bool measured = false;
    // What FFprobe's runs after its analysis could not tell, a sum of Unknown (they did not
    // answer, were stopped, printed no answer or a count the file belies, or the file is too
    // large to count its pictures): such a fact is no plain one, whatever its field holds.
    enum Unknown {
        FieldOrderUnknown = 1, // the field order, which the stream's record leaves unsaid
        RateUnknown = 2,       // the picture's rate through the file
        ShapesUnknown = 4,     // the picture's shape past its start
        SoundRatesUnknown = 8, // the sound's sampling rates through the file
        LengthUnknown = 16,    // how far the streams reach
    };
    int unknown = 0;
    // Degrees a player turns the stored picture clockwise to show it: 0, 90, 180 or 270.
    int rotation = 0;
    // The field order: "progressive", "tt" or "bb" as FFprobe names it, or as the decoded
    // pictures flag it where FFprobe's stream record is silent (a DV camcorder's AVI) or names
    // "tb" or "bt", a coded order apart from the shown one that writers name differently;
    // those stay where the pictures flag no fields. Empty where unknown.
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
    // Seconds of picture before its start that a player discards: a quick trim's edit list
    // keeps the pictures from the key frame before the cut, to be decoded and not shown.
    double pictureLeadIn = 0.0;
    double pictureLength = 0.0; // seconds; 0 unknown or no picture
    // The picture is one picture that a player shows for as long as the file plays: a song
    // uploaded as a video of its cover, which an encoder would end after that picture.
    bool stillPicture = false;
    QList<Sound> sounds;
    double length = 0.0;        // the container's measured length; 0 unknown
    // The length the container declares where its streams stop well before it (a recording
    // that stopped, a download cut short): `length` and the streams' lengths are what the
    // file holds. 0 where it holds what it declares, or where how far it reaches is unknown.
    double declaredLength = 0.0;

    // The picture's display shapes (width over height as a player shows it, the sample aspect
    // and a quarter turn included) as read at its start and at the points spread through it,
    // each change in the order met: a broadcast's 4:3, then 16:9 after a programme change.
    // Empty unmeasured.
    QList<double> shapes{};
    // The picture's colour as FFprobe names it: transfer ("bt709"; "smpte2084" is PQ,
    // "arib-std-b67" HLG), primaries ("bt709", "bt2020"), matrix ("bt709", "bt2020nc") and
    // range ("tv", "pc"); empty where unnamed. Bits per sample of its pixel format, 0 unknown.
    QString transfer{};
    QString primaries{};
    QString matrix{};
    QString range{};
    int bitDepth = 0;
    // Film stored at its own rate whose pictures carry repeat-field flags (soft telecine: an NTSC
    // film DVD's 23.976 pictures shown at 29.97), as the sampled pictures flag them.
    bool repeatFields = false;

    bool operator==(const SourceFacts &other) const;
    bool operator!=(const SourceFacts &other) const { return !(*this == other); }

    // Turned a quarter: a player shows the picture with its sides swapped.
    bool sideways() const { return rotation == 90 || rotation == 270; }
    // The picture's shape changes partway (as far as the spread points tell).
    bool shapeChanges() const { return shapes.size() > 1; }
    // The file holds less than its container declares.
    bool cutShort() const { return declaredLength > 0.0; }
    // Its transfer is PQ (HDR10) or HLG: shown as if it were BT.709, it looks washed out.
    bool highDynamicRange() const;
    // MPlayer's and MEncoder's video filters that turn the stored picture as a player shows
    // it; they turn nothing by themselves. Empty for an upright picture.
    QStringList mplayerTurn() const;
    // Stored as two fields of different times, and the first of them shown the top one
    // ("tb": top coded first, bottom shown first).
    bool interlaced() const;
    bool topFieldFirst() const;
    // How much later the sound stream at `place` starts than the picture (negative when it
    // starts first); 0 where either is unknown.
    double soundDelay(int place) const;

    // The facts of FFprobe's analysis and of its sample runs; `picture` is the place among
    // its video streams of the moving picture (-1: none). The rate is judged over the whole
    // file: by the times of the packets sampled at its start and at points spread through
    // it, and by its count of pictures against its length where the file gives one. Lengths,
    // rate and stillness are judged by what the file holds: by the packets and frames read
    // near each stream's end, and by no count below the pictures listed.
    static SourceFacts measure(const FFprobeData &probe, int picture);
    // Whether stretches of packet times (each sorted on its own) follow one constant step,
    // allowing for times rounded to a coarse clock and the odd dropped picture: neither more
    // than a few steps apart from the usual one, nor more than a few of its pictures missing
    // over their time (a recorder's pause); `meanRate` receives their mean rate.
    static bool constantSteps(const QList<QList<double>> &stretches, double *meanRate);
    // The rate of the shorter steps between sorted packet times: the mean of the steps near
    // the one a quarter of them are no longer than (a stray short step does not count); 0
    // for too few times.
    static double fastStepRate(const QList<QList<double>> &stretches);
    // The rate when it is finite and no faster than any camera films (a high-speed phone's
    // 960 fps), else 0 (unknown): a step between packet times next to nothing, a damaged
    // header's ratio.
    static double boundedRate(double rate);
};
