#include "encoding/progresstotals.h"

#include "encoder/records/enginetype.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

ProgressTotals ProgressTotals::fromTaskData(const EncodingTaskData *data)
{
    ProgressTotals totals;
    const int engine = taskDataValue(data, TaskDataSlot::EngineType).toInt();
    if (engine != EngineType::FFmpeg && engine != EngineType::MEncoder)
        return totals;
    totals.duration = taskDataValue(data, TaskDataSlot::Duration).toDouble();
    // An expected size in bytes may pass 2 GiB: divided while still 64-bit.
    const qint64 value = taskDataValue(data, TaskDataSlot::TestSize).toLongLong();
    if (engine == EngineType::FFmpeg)
        totals.size = int(std::clamp<qint64>(value / 1000, 0, std::numeric_limits<int>::max()));
    else
        totals.frames = int(value);
    return totals;
}

void ProgressTotals::dropImpossible(int &frame, double &position, int &size, int &minutesLeft) const
{
    // Ten times a total is more than any encoding reaches (a frame rate doubled, a size
    // estimate missed by far); a thousand times the source's length more than the slowest
    // encoder takes. Past them a figure is an engine's garbage, which would fill the bar or
    // promise a time left that no job has.
    constexpr double FigureFactor = 10.0;
    constexpr double TimeLeftFactor = 1000.0;
    if (frames > 0 && frame > FigureFactor * frames)
        frame = -1;
    if (duration > 0.0 && position > FigureFactor * duration)
        position = -1.0;
    if (this->size > 0 && size > FigureFactor * this->size)
        size = -1;
    if (duration > 0.0 && minutesLeft > TimeLeftFactor * duration / 60.0)
        minutesLeft = -1;
}

int ProgressTotals::ratioPercent(double value, double total)
{
    // "+ 1" shows 1 % as soon as work has started; a finished count gives 101, shown as 100.
    const double percent = 100.0 * value / total + 1.0;
    return percent > 100.0 ? 100 : int(percent);
}

bool ProgressTotals::completePercent(int frame, double position, int &percent, int size) const
{
    const bool active = frame > 0 || size > 0;
    if (active && percent == -1 && this->size > 0 && size > 0) {
        percent = ratioPercent(size, this->size);
        return true;
    }
    // The frame count is the surest measure: it replaces a percent the engine gave.
    if (frame > 0 && frames > 0) {
        percent = ratioPercent(frame, frames);
        return true;
    }
    if (active && percent == -1 && duration > 0.0 && position > 0.0) {
        percent = ratioPercent(position, duration);
        return true;
    }
    return false;
}

ProgressTotals::TimeLeft ProgressTotals::completeTimeLeft(int frame, int percent, double elapsed, int &remaining)
{
    if (frame > 0 && remaining > 0)
        return {TimeLeft::Minutes, remaining};
    // 0.4 minutes: before 24 seconds of work an estimate is made only from more than 5 %.
    if ((frame > 0 && elapsed > 0.4 && percent > 0) || percent > 5) {
        const double left = (100.0 / percent - 1.0) * elapsed;
        const double limit = std::numeric_limits<int>::max();
        remaining = int(std::max(-limit, std::min(limit, std::trunc(left + 0.5))));
        if (remaining > 0)
            return {TimeLeft::Minutes, remaining};
        // The last half minute in seconds, so that the time left runs down to the end
        // instead of showing nothing.
        const int seconds = int(std::ceil(left * 60.0));
        if (seconds > 0)
            return {TimeLeft::Seconds, seconds};
    }
    return {};
}

QString ProgressTotals::TimeLeft::text() const
{
    switch (unit) {
    case Minutes:
        return QCoreApplication::translate("ConsoleDialog", "%1 min").arg(value);
    case Seconds:
        return QCoreApplication::translate("ConsoleDialog", "%1 s").arg(value);
    case None:
        break;
    }
    return QStringLiteral("--");
}

QString ProgressTotals::completeRemaining(int frame, int percent, double elapsed, int &remaining)
{
    return completeTimeLeft(frame, percent, elapsed, remaining).text();
}

bool ProgressTotals::hasSpeed(int frame, int size, double fps)
{
    return (frame > 0 || size > 0) && fps > 0.0;
}

QString ProgressTotals::fpsText(double fps)
{
    return QCoreApplication::translate("ConsoleDialog", "%1 fps").arg(fps, 0, 'f', 2);
}

QString ProgressTotals::speedText(int frame, int size, double fps)
{
    return hasSpeed(frame, size, fps) ? fpsText(fps) : QString();
}
