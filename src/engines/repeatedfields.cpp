#include "engines/repeatedfields.h"

#include <algorithm>
#include <cmath>

namespace {
// A duration within this share of two fields, or of three, is that many: FFmpeg writes them
// to the microsecond from a 90 kHz clock (0.033367 and 0.050044 s at 29.97).
constexpr double kFieldSlack = 0.1;
// Fewer pictures than this tell nothing of a cadence.
constexpr int kFewestPictures = 8;
// Shorter than any picture's: a packet of no length of its own.
constexpr double kNoLength = 0.001;
// 3:2 pulldown repeats a field every second picture: four pictures fill five frames. A sample
// that starts or ends mid-cadence holds a few more of one kind than of the other.
constexpr double kPulldownShare = 0.5;
constexpr double kPulldownSlack = 0.1;
constexpr double kPulldownPictures = 4.0 / 5.0;
// The rarest cadence in use repeats a field in one picture of twelve (film at 24 shown at
// 25); a stream's last picture, or a cut's, may last three fields alone.
constexpr double kFewestRepeats = 1.0 / 12.0;
// A stretch's mean step within this share of the film's: a stretch of 32 pictures that starts
// and ends on pictures of different lengths is 1 % off, and a picture whose time a reader left
// out (a program stream's packet without one, listed at the time of the one before) 3 % more.
// Video at the rate the fields are shown at runs a quarter faster.
constexpr double kStretchSlack = 0.1;
// The rates pictures are coded at, which a clock of two fields rounded to the microsecond
// (1/29.97 s as 0.033367) lies within this share of.
constexpr double kClockSlack = 0.0005;
const double kCodedRates[] = {24000.0 / 1001, 24.0, 25.0, 30000.0 / 1001, 30.0, 50.0, 60000.0 / 1001, 60.0};

// The clock of two fields, exactly (30000/1001), where the stream names it or it is a rate
// pictures are coded at: FFprobe names a program stream's 30 where its headers say 29.97.
double clockOf(double twoFields, double codedRate)
{
    const auto near = [twoFields](double rate) { return std::abs(rate * twoFields - 1.0) <= kClockSlack; };
    if (codedRate > 0.0 && near(codedRate))
        return codedRate;
    for (double rate : kCodedRates) {
        if (near(rate))
            return rate;
    }
    return 1.0 / twoFields;
}
} // namespace

bool RepeatedFields::timedByFlags(const QString &codec)
{
    return codec == QLatin1String("mpeg2video");
}

double RepeatedFields::filmRate(const QList<double> &durations, double codedRate)
{
    QList<double> kept;
    for (double duration : durations) {
        if (std::isfinite(duration) && duration >= kNoLength)
            kept.append(duration);
    }
    if (kept.size() < kFewestPictures)
        return 0.0;
    // Two fields: the shortest length that recurs. A stream's last picture, cut where the
    // file ends, lasts what is left of its time; it alone may last neither two nor three.
    std::sort(kept.begin(), kept.end());
    double two = 0.0;
    for (qsizetype i = 1; i < kept.size() && two == 0.0; ++i) {
        if (kept.at(i) <= kept.at(i - 1) * (1.0 + kFieldSlack))
            two = kept.at(i - 1);
    }
    qsizetype twos = 0, threes = 0, others = 0;
    for (double duration : std::as_const(kept)) {
        const double fields = 2.0 * duration / two;
        if (std::abs(fields - 2.0) <= 2.0 * kFieldSlack)
            ++twos;
        else if (std::abs(fields - 3.0) <= 2.0 * kFieldSlack)
            ++threes;
        else
            ++others;
    }
    if (others > 1)
        return 0.0;
    const double pictures = double(twos + threes);
    if (threes < 2 || threes < kFewestRepeats * pictures)
        return 0.0;
    const double clock = clockOf(two, codedRate);
    if (std::abs(threes / pictures - kPulldownShare) <= kPulldownSlack)
        return clock * kPulldownPictures;
    return clock * 2.0 * pictures / (2.0 * twos + 3.0 * threes);
}

bool RepeatedFields::runsAt(const QList<QList<double>> &stretches, double rate)
{
    for (const QList<double> &times : stretches) {
        QList<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        // A stretch read from a point in the file may give its first picture's time twice (as
        // its own and as the next one's decoding time), which is no step. A program stream
        // times only the packets that start one of its own (a DVD's, about half the pictures):
        // a step between two times spans as many of the film's pictures as it lasts, and the
        // stretch keeps the film's rate where these come out whole.
        qsizetype steps = 0;
        double pictures = 0.0;
        for (qsizetype i = 1; i < sorted.size(); ++i) {
            const double step = sorted.at(i) - sorted.at(i - 1);
            if (step < kNoLength)
                continue;
            ++steps;
            pictures += std::max(1.0, std::round(step * rate));
        }
        // Fewer pictures than two short stretches tell nothing: a stream's last few, read
        // again near its end, may end on a picture of three fields or one.
        if (steps < kFewestPictures || pictures < 2 * kFewestPictures)
            continue;
        const double mean = (sorted.last() - sorted.first()) / pictures;
        if (!std::isfinite(mean) || std::abs(mean * rate - 1.0) > kStretchSlack)
            return false;
    }
    return true;
}
