#include "engines/sourcefacts.h"

#include "engines/ffprobedata.h"

#include <algorithm>
#include <cmath>

namespace {

// A step this far from the usual one is another step: a clock of 1/600 s rounds a 30 fps
// step to 20 ticks or 19 or 21 (5 %), a clock of milliseconds a 29.97 fps step to 33 or
// 34 ms (3 %).
constexpr double kStepTolerance = 0.2;
// Times with more steps than this share apart from the usual one follow no constant rate; a
// few dropped pictures of a constant rate stay below it.
constexpr double kOtherStepsShare = 0.05;
// Fewer steps than this tell nothing of the rate.
constexpr int kFewestSteps = 8;
// The share of the steps, shortest first, at whose end the fast steps are found.
constexpr double kFastStepsShare = 0.25;

// MPlayer's filters for each turn, clockwise: "rotate=1" turns 90 degrees clockwise,
// "rotate=2" 90 counterclockwise, and a half turn is a flip and a mirror.
struct MplayerTurn
{
    int degrees;
    QStringList filters;
};
const MplayerTurn kMplayerTurns[] = {{90, {"rotate=1"}}, {180, {"flip", "mirror"}}, {270, {"rotate=2"}}};

const QStringList kInterlacedOrders = {"tt", "bb", "tb", "bt"};
const QStringList kTopFirstOrders = {"tt", "tb"};

} // namespace

bool SourceFacts::Sound::operator==(const Sound &other) const
{
    return codec == other.codec && channels == other.channels && start == other.start && length == other.length;
}

bool SourceFacts::operator==(const SourceFacts &other) const
{
    return measured == other.measured && rotation == other.rotation && fieldOrder == other.fieldOrder
           && frameRate == other.frameRate && variableRate == other.variableRate && fastRate == other.fastRate
           && pictureStart == other.pictureStart && pictureLength == other.pictureLength
           && sounds == other.sounds && length == other.length;
}

QStringList SourceFacts::mplayerTurn() const
{
    for (const MplayerTurn &turn : kMplayerTurns) {
        if (turn.degrees == rotation)
            return turn.filters;
    }
    return {};
}

bool SourceFacts::interlaced() const
{
    return kInterlacedOrders.contains(fieldOrder);
}

bool SourceFacts::topFieldFirst() const
{
    return kTopFirstOrders.contains(fieldOrder);
}

double SourceFacts::soundDelay(int place) const
{
    if (!measured || pictureLength <= 0.0 || place < 0 || place >= sounds.size())
        return 0.0;
    return sounds.at(place).start - pictureStart;
}

namespace {
// The steps from one time to the next in time order, repeated times left out.
QList<double> stepsOf(const QList<double> &times)
{
    QList<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    QList<double> steps;
    for (qsizetype i = 1; i < sorted.size(); ++i) {
        if (sorted.at(i) > sorted.at(i - 1))
            steps.append(sorted.at(i) - sorted.at(i - 1));
    }
    return steps;
}
} // namespace

double SourceFacts::fastStepRate(const QList<double> &times)
{
    QList<double> steps = stepsOf(times);
    if (steps.size() < kFewestSteps)
        return 0.0;
    std::sort(steps.begin(), steps.end());
    const double fast = steps.at(qsizetype(kFastStepsShare * (steps.size() - 1)));
    // Steps rounded to a coarse clock (19, 20 and 21 ticks of 1/600 s for 30 fps) average to
    // the step they were rounded from.
    double sum = 0.0;
    int count = 0;
    for (double step : std::as_const(steps)) {
        if (std::abs(step - fast) <= kStepTolerance * fast) {
            sum += step;
            ++count;
        }
    }
    return count / sum;
}

bool SourceFacts::constantSteps(const QList<double> &times, double *meanRate)
{
    *meanRate = 0.0;
    QList<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const QList<double> steps = stepsOf(sorted);
    if (steps.size() < kFewestSteps)
        return true;
    *meanRate = steps.size() / (sorted.last() - sorted.first());
    QList<double> ordered = steps;
    std::nth_element(ordered.begin(), ordered.begin() + ordered.size() / 2, ordered.end());
    const double usual = ordered.at(ordered.size() / 2);
    const auto other = std::count_if(steps.cbegin(), steps.cend(), [usual](double step) {
        return std::abs(step - usual) > kStepTolerance * usual;
    });
    return other <= kOtherStepsShare * steps.size();
}

SourceFacts SourceFacts::measure(const FFprobeData &probe, int picture)
{
    SourceFacts facts;
    facts.measured = !probe.format_name.isEmpty();
    if (!facts.measured)
        return facts;
    facts.length = probe.duration;
    if (picture >= 0 && picture < probe.videoStreams.size()) {
        const FFprobeVideoStream &stream = probe.videoStreams.at(picture);
        facts.rotation = stream.rotation;
        facts.fieldOrder = stream.field_order;
        facts.pictureStart = stream.start_time;
        facts.pictureLength = stream.duration > 0.0 ? stream.duration : probe.duration;
        double sampledRate = 0.0;
        facts.variableRate = !constantSteps(stream.sampledTimes, &sampledRate);
        facts.fastRate = fastStepRate(stream.sampledTimes);
        // The mean rate over the whole stream where the container counts its pictures (an
        // MP4's); a Matroska file gives its default picture length as the mean, which a
        // variable rate does not keep: the sample's mean then.
        facts.frameRate = facts.variableRate && stream.avg_frame_rate == stream.r_frame_rate && sampledRate > 0.0
                              ? sampledRate
                              : stream.avg_frame_rate;
    }
    for (const FFprobeAudioStream &stream : probe.audioStreams) {
        Sound sound;
        sound.codec = stream.codec_name;
        sound.channels = stream.channels;
        sound.start = stream.start_time;
        sound.length = stream.duration > 0.0 ? stream.duration : probe.duration;
        facts.sounds.append(sound);
    }
    return facts;
}
