#include "engines/sourcefacts.h"

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/repeatedfields.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

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
// Faster than any camera films; a shorter step between two times is none.
constexpr double kFastestRate = 1000.0;
// A stream whose packets or frames end this much before or after the length it declares
// holds another: a header that lies, or a file cut short.
constexpr double kOtherLength = 0.5;
// Shapes this share apart are one shape, read through rounding.
constexpr double kSameShape = 0.005;

// MPlayer's filters for each turn, clockwise: "rotate=1" turns 90 degrees clockwise,
// "rotate=2" 90 counterclockwise, and a half turn is a flip and a mirror.
struct MplayerTurn
{
    int degrees;
    QStringList filters;
};
const MplayerTurn kMplayerTurns[] = {{90, {"rotate=1"}}, {180, {"flip", "mirror"}}, {270, {"rotate=2"}}};

const QStringList kInterlacedOrders = {"tt", "bb", "tb", "bt"};
// FFmpeg's names, as QuickTime and Matroska name them: "bt" is coded bottom first and shown
// top first.
const QStringList kTopFirstOrders = {"tt", "bt"};

} // namespace

bool SourceFacts::Sound::operator==(const Sound &other) const
{
    return codec == other.codec && channels == other.channels && start == other.start && length == other.length
           && leadIn == other.leadIn && untimed == other.untimed && rates == other.rates
           && overlaps == other.overlaps;
}

bool SourceFacts::operator==(const SourceFacts &other) const
{
    return measured == other.measured && rotation == other.rotation && fieldOrder == other.fieldOrder
           && frameRate == other.frameRate && variableRate == other.variableRate && fastRate == other.fastRate
           && pictureStart == other.pictureStart && pictureLeadIn == other.pictureLeadIn
           && pictureLength == other.pictureLength && stillPicture == other.stillPicture
           && sounds == other.sounds && length == other.length && shapes == other.shapes
           && transfer == other.transfer && primaries == other.primaries && matrix == other.matrix
           && range == other.range && bitDepth == other.bitDepth && repeatFields == other.repeatFields
           && unknown == other.unknown && declaredLength == other.declaredLength;
}

bool SourceFacts::highDynamicRange() const
{
    return transfer == QLatin1String("smpte2084") || transfer == QLatin1String("arib-std-b67");
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
// What the steps between packet times tell: their count, the time they cover, the usual step
// (their median), how many differ from it, and how many pictures of its rate the longer ones
// leave out.
struct Steps
{
    QList<double> steps;
    double span = 0.0;
    double usual = 0.0;
    qsizetype other = 0;
    double missing = 0.0;
};

// The steps from one time to the next of each stretch, in time order; repeated times, and
// times closer than any picture's, make no step.
Steps stepsOf(const QList<QList<double>> &stretches)
{
    Steps found;
    for (const QList<double> &times : stretches) {
        QList<double> sorted = times;
        std::sort(sorted.begin(), sorted.end());
        for (qsizetype i = 1; i < sorted.size(); ++i) {
            const double step = sorted.at(i) - sorted.at(i - 1);
            if (std::isfinite(step) && step >= 1.0 / kFastestRate) {
                found.steps.append(step);
                found.span += step;
            }
        }
    }
    if (found.steps.size() < kFewestSteps)
        return found;
    QList<double> ordered = found.steps;
    std::nth_element(ordered.begin(), ordered.begin() + ordered.size() / 2, ordered.end());
    const double usual = ordered.at(ordered.size() / 2);
    found.usual = usual;
    for (double step : std::as_const(found.steps)) {
        if (std::abs(step - usual) <= kStepTolerance * usual)
            continue;
        ++found.other;
        found.missing += std::max(step / usual - 1.0, 0.0);
    }
    return found;
}

// Seconds from the earliest of the discarded times to the stream's start.
double leadIn(const QList<double> &discarded, double start)
{
    double earliest = start;
    for (double time : discarded)
        earliest = std::min(earliest, time);
    const double lead = start - earliest;
    return std::isfinite(lead) ? lead : 0.0;
}

// Containers of one raw stream, whose length FFprobe estimates from its bit rate.
bool guessesLength(const QString &format)
{
    static const QStringList raw = {"mp3", "aac", "ac3", "eac3", "dts", "mpegvideo", "h264", "hevc", "m4v"};
    return raw.contains(format);
}

// The field order of the moving picture, as FFprobe's record names it or its decoded
// pictures flag it: they are consulted only where the record is silent or names a coded
// order apart from the shown one, and where they flag fields their order is the one shown.
QString fieldOrderOf(const FFprobeVideoStream &stream)
{
    const QString &named = stream.field_order;
    const QString &flagged = stream.frame_field_order;
    if (!stream.fieldOrderUnsaid())
        return named;
    const bool flagsFields = flagged == QLatin1String("tt") || flagged == QLatin1String("bb");
    return named.isEmpty() || flagsFields ? flagged : named;
}

// The bits of each sample of a pixel format as FFmpeg names it: the number before its byte
// order ("yuv420p10le", "p010le", "gray12be"), else 8 ("yuv420p", "nv12", "rgb24"). Unknown
// (0) where it is unnamed, or where the number is that of a packed pixel's ("rgb48le").
int bitsOf(const QString &format)
{
    static const QRegularExpression deep(QStringLiteral("(\\d+)[lb]e$"));
    constexpr int kDeepest = 16;
    if (format.isEmpty())
        return 0;
    const QRegularExpressionMatch match = deep.match(format);
    const int bits = match.hasMatch() ? match.captured(1).toInt() : 8;
    return bits <= kDeepest ? bits : 0;
}

// The times of the picture's packets read anywhere: at the start, at the spread points, near
// its end; those to be discarded left out.
QList<double> shownTimes(const FFprobeVideoStream &stream)
{
    QList<double> times = stream.sampledTimes;
    for (const QList<double> &stretch : stream.spreadTimes)
        times += stretch;
    return times;
}

// The stretches of packet times the rate is judged by: those the analysis listed, and those
// read through the file where it did not list them all (where it did, those read again tell
// nothing more).
QList<QList<double>> stretchesOf(const FFprobeVideoStream &stream, bool readWhole)
{
    return readWhole ? QList<QList<double>>{stream.sampledTimes}
                     : QList<QList<double>>{stream.sampledTimes} + stream.spreadTimes;
}

// How many pictures those times show apart.
qsizetype picturesShown(const QList<double> &times)
{
    QList<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    return std::unique(sorted.begin(), sorted.end()) - sorted.begin();
}

// Where the picture's packets read reach: the latest one's time and a step more.
double pictureEnd(const QList<double> &times, double step)
{
    double latest = -std::numeric_limits<double>::infinity();
    for (double time : times)
        latest = std::max(latest, time);
    return latest + step;
}

// A length declared, held against the length the file holds where that is known: a header's
// length far below it lies (an AVI's that counts one picture of a moving film); one far above
// it is kept, unless the whole file is cut short.
double heldLength(double declared, std::optional<double> held, bool cut)
{
    if (!held || !std::isfinite(*held) || *held <= 0.0)
        return declared;
    return declared < *held - kOtherLength || (cut && declared > *held + kOtherLength) ? *held : declared;
}

// A display shape as a player shows it: a quarter turn swaps its sides.
double shownShape(double shape, bool sideways)
{
    return sideways && shape > 0.0 ? 1.0 / shape : shape;
}

// The shapes read, each change in the order met; the record's own first.
QList<double> shapesOf(const FFprobeVideoStream &stream, bool sideways)
{
    const QSize size = stream.size;
    const double sample = stream.sample_aspect_ratio > 0.0 ? stream.sample_aspect_ratio : 1.0;
    const double stored = size.height() > 0 ? double(size.width()) * sample / size.height() : 0.0;
    const double named = stream.display_aspect_ratio > 0.0 ? stream.display_aspect_ratio : stored;
    QList<double> shapes;
    for (double shape : QList<double>{named} + stream.sampledShapes) {
        shape = shownShape(shape, sideways);
        if (shape > 0.0 && (shapes.isEmpty() || std::abs(shape / shapes.last() - 1.0) > kSameShape))
            shapes << shape;
    }
    return shapes;
}
} // namespace

double SourceFacts::boundedRate(double rate)
{
    return std::isfinite(rate) && rate > 0.0 && rate <= kFastestRate ? rate : 0.0;
}

double SourceFacts::fastStepRate(const QList<QList<double>> &stretches)
{
    QList<double> steps = stepsOf(stretches).steps;
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
    return boundedRate(count / sum);
}

bool SourceFacts::constantSteps(const QList<QList<double>> &stretches, double *meanRate)
{
    *meanRate = 0.0;
    const Steps found = stepsOf(stretches);
    const qsizetype count = found.steps.size();
    if (count < kFewestSteps)
        return true;
    *meanRate = boundedRate(count / found.span);
    // A recorder's pause of two seconds is one long step among many short ones.
    return found.other <= kOtherStepsShare * count && found.missing <= kOtherStepsShare * found.span / found.usual;
}

SourceFacts SourceFacts::measure(const FFprobeData &probe, int picture)
{
    SourceFacts facts;
    facts.measured = !probe.format_name.isEmpty();
    if (!facts.measured)
        return facts;
    facts.length = probe.duration;
    // The first answer listed every packet of a short file; the runs after it read the rest,
    // and what a run did not tell (it was not made, failed or was stopped) is unknown.
    const bool readWhole = probe.sampledPackets > 0 && probe.sampledPackets < InterfaceFFprobe::SampledPackets;
    const FFprobeVideoStream *video = picture >= 0 && picture < probe.videoStreams.size()
                                          ? &probe.videoStreams.at(picture) : nullptr;
    const bool spreadRead = video && !video->spreadTimes.isEmpty();
    for (const FFprobeAudioStream &stream : probe.audioStreams)
        if (!stream.endRead)
            facts.unknown |= SoundRatesUnknown | LengthUnknown;

    // Where each stream's packets and frames reach on the file's clock, where they were read.
    double start = std::numeric_limits<double>::infinity();
    std::optional<double> reach;
    const auto reaches = [&reach](double end) { reach = std::max(reach.value_or(end), end); };
    QList<double> times;
    double usual = 0.0, step = 0.0; // the picture's usual step, else its named rate's
    if (video) {
        times = shownTimes(*video);
        usual = stepsOf(stretchesOf(*video, readWhole)).usual;
        step = usual > 0.0 ? usual : video->avg_frame_rate > 0.0 ? 1.0 / video->avg_frame_rate : 0.0;
        start = video->start_time;
        if ((readWhole || spreadRead) && !times.isEmpty())
            reaches(pictureEnd(times, step));
        else
            facts.unknown |= LengthUnknown;
    }
    // A sound whose packets carry no times that move tells nothing of where it ends.
    const auto untimed = [](const FFprobeAudioStream &stream) {
        return stream.sampledTimes.size() > kFewestSteps && stepsOf({stream.sampledTimes}).steps.isEmpty();
    };
    const auto soundEnd = [&](const FFprobeAudioStream &stream) -> std::optional<double> {
        if (stream.endRead && !untimed(stream))
            return stream.sampledEnd;
        return std::nullopt;
    };
    for (const FFprobeAudioStream &stream : probe.audioStreams) {
        start = std::min(start, stream.start_time);
        if (const std::optional<double> end = soundEnd(stream))
            reaches(*end);
    }
    // No stream reaches the end the container declares: the file stops short of it.
    const double containerStart = std::isfinite(start) ? start : 0.0;
    const bool cut = reach && !(facts.unknown & LengthUnknown) && probe.duration > 0.0
                     && *reach - containerStart < probe.duration - kOtherLength;
    if (cut) {
        // A raw stream (an MP3 without its header) declares no length: FFprobe guesses one from
        // its first frames' bit rate, and a file that goes less far is not cut short.
        if (!guessesLength(probe.format_name))
            facts.declaredLength = probe.duration;
        facts.length = *reach - containerStart;
    }

    if (video) {
        const FFprobeVideoStream &stream = *video;
        facts.rotation = stream.rotation;
        facts.fieldOrder = fieldOrderOf(stream);
        facts.transfer = stream.color_transfer;
        facts.primaries = stream.color_primaries;
        facts.matrix = stream.color_space;
        facts.range = stream.color_range;
        facts.bitDepth = bitsOf(stream.pix_fmt);
        if (stream.fieldOrderUnsaid() && stream.frame_field_order.isEmpty())
            facts.unknown |= FieldOrderUnknown;
        facts.shapes = shapesOf(stream, facts.sideways());
        if (!spreadRead)
            facts.unknown |= ShapesUnknown;
        // A recording cut mid-group shows its picture from its first key picture on.
        facts.pictureStart = std::max(stream.start_time, stream.keyStart);
        facts.pictureLeadIn = leadIn(stream.discardedTimes, stream.start_time);
        std::optional<double> held;
        if ((readWhole || spreadRead) && !times.isEmpty())
            held = pictureEnd(times, step) - stream.start_time;
        facts.pictureLength = heldLength(stream.duration > 0.0 ? stream.duration : probe.duration, held, cut);
        const QList<QList<double>> stretches = stretchesOf(stream, readWhole);
        double sampledRate = 0.0;
        facts.variableRate = !constantSteps(stretches, &sampledRate);
        facts.fastRate = fastStepRate(stretches);
        // The pictures the file holds: a count that stands, over the picture's length as the
        // file holds it. A count that gives no rate a camera films is no count, nor a header's
        // of a file cut short.
        const qsizetype shown = picturesShown(times);
        const int count = stream.trustedCount();
        const bool fromHeader = count > 0 && count != stream.nb_read_packets;
        const double counted = count > 0 && facts.pictureLength > 0.0 && !(cut && fromHeader)
                                   ? boundedRate((count - stream.discardedTimes.size()) / facts.pictureLength)
                                   : 0.0;
        if (!readWhole && (!spreadRead || counted <= 0.0))
            facts.unknown |= RateUnknown;
        // One picture that a player shows for as long as the file plays: none other listed
        // wherever the file was read, and no count of more.
        facts.stillPicture = shown == 1 && (count == 1 || (count == 0 && (readWhole || spreadRead)));
        // A count of pictures the usual step does not give over the stream's length: a rate
        // that changes or pauses where no sample looked.
        if (counted > 0.0 && usual > 0.0 && std::abs(counted * usual - 1.0) > kOtherStepsShare)
            facts.variableRate = true;
        // The mean rate over the whole stream where the file counts its pictures (an MP4's);
        // a Matroska file gives its default picture length as the mean, which a variable rate
        // does not keep: the samples' mean then.
        const double mean = counted > 0.0                                                       ? counted
                            : facts.variableRate && stream.avg_frame_rate == stream.r_frame_rate ? sampledRate
                                                                                                 : 0.0;
        facts.frameRate = boundedRate(facts.variableRate && mean > 0.0 ? mean : stream.avg_frame_rate);
        // Film whose pictures repeat fields steps by two fields and three by turns: its own
        // rate is constant, where the flags go on through the file.
        const double film = RepeatedFields::timedByFlags(stream.codec_name)
            ? boundedRate(RepeatedFields::filmRate(stream.sampledDurations, stream.avg_frame_rate))
            : 0.0;
        if (film > 0.0 && RepeatedFields::runsAt(stream.spreadTimes, film)) {
            facts.repeatFields = true;
            facts.variableRate = false;
            facts.frameRate = facts.fastRate = film;
        }
    }
    for (const FFprobeAudioStream &stream : probe.audioStreams) {
        Sound sound;
        sound.codec = stream.codec_name;
        sound.channels = stream.channels;
        sound.start = stream.start_time;
        sound.leadIn = leadIn(stream.discardedTimes, stream.start_time);
        sound.untimed = untimed(stream);
        // In a file cut short, a sound whose end was not read lasts as far as the file does.
        const std::optional<double> end = soundEnd(stream);
        const std::optional<double> held = end ? std::optional<double>(*end - stream.start_time)
                                           : cut ? std::optional<double>(containerStart + facts.length - stream.start_time)
                                                 : std::nullopt;
        sound.length = heldLength(stream.duration > 0.0 ? stream.duration : probe.duration, held, cut);
        sound.rates = stream.sampledRates;
        sound.overlaps = stream.sampledOverlap;
        facts.sounds.append(sound);
    }
    return facts;
}
