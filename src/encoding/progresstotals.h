#pragma once

#include "jobs/encodingtaskdata.h"

#include <QString>

// The totals a task's progress is measured against, and the rules that turn raw engine values
// into a percentage and a time left. Shared by the consoles and the mini consoles so that the
// window and its strip always show the same figures. A total of 0 means unknown.
class ProgressTotals
{
public:
    double duration = 0.0; // seconds
    int frames = 0;
    int size = 0;          // kilobytes

    // FFmpeg: duration and expected size (bytes, shown in kB); MEncoder: duration and the
    // frame total; other engines: none.
    static ProgressTotals fromTaskData(const EncodingTaskData *data);

    // Makes unknown (-1) each figure beyond what the job can be: a frame count, a position or
    // a size (kilobytes) more than ten times its total, a time left (minutes) of more than a
    // thousand times the source's length. Unknown totals leave their figures alone.
    void dropImpossible(int &frame, double &position, int &size, int &minutesLeft) const;
    // Completes `percent` by the size, frame and position rules (each 100 × value ÷ total + 1,
    // truncated, capped at 100). Returns false, leaving it alone, when no rule applies.
    bool completePercent(int frame, double position, int &percent, int size) const;

    // A time left as its label shows it: whole minutes, seconds in the last half minute, or
    // none ("--"). Kept as figures so that a view formats it only when it shows it.
    struct TimeLeft
    {
        enum Unit { None, Minutes, Seconds };
        Unit unit = None;
        int value = 0;
        QString text() const;
    };

    // The minutes left: the engine's own figure when it gave one with frames, else estimated
    // from the percent and the elapsed minutes (written back). Returns what the label shows.
    static TimeLeft completeTimeLeft(int frame, int percent, double elapsed, int &remaining);
    // The same as the label text: "%1 min", "%1 s" for an estimate under half a minute, or "--".
    static QString completeRemaining(int frame, int percent, double elapsed, int &remaining);

    // Whether a speed is shown: the task is active and gave one.
    static bool hasSpeed(int frame, int size, double fps);
    // "%1 fps" with two decimals.
    static QString fpsText(double fps);
    // fpsText, or an empty text when hasSpeed is false.
    static QString speedText(int frame, int size, double fps);

private:
    static int ratioPercent(double value, double total);
};
