// The split planner's helpers (MediaSplitter), pure functions of FFprobe's listing of the
// input's reference stream: whether the listing can be planned from, its positions filled
// in, the size model, the cuts of both rules, and the same listing taken as listed near the
// cuts only. The input's first line gives what the
// input's header says, "SIZE START END PARTS VOLUME_SIZE" (bytes, seconds, seconds, equal
// parts, bytes of a volume within a size); the rest is the listing as FFprobe prints it.

#include "fuzztarget.h"

#include "encoder/mediasplitter.h"
#include "engines/packetlines.h"

#include <algorithm>

namespace {
// More parts than the split dialog offers, few enough to plan them all from any listing.
constexpr int MaxParts = 64;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QByteArrayView bytes(data, qsizetype(size));
    const qsizetype lineEnd = bytes.indexOf('\n');
    const qsizetype headerEnd = lineEnd < 0 ? bytes.size() : lineEnd;
    const QList<QByteArray> numbers = bytes.first(headerEnd).toByteArray().simplified().split(' ');
    MediaSplitter::ListingFrame frame;
    frame.inputSize = numbers.value(0).toLongLong();
    frame.start = numbers.value(1).toDouble();
    frame.end = numbers.value(2).toDouble();
    const int parts = std::clamp(numbers.value(3).toInt(), 1, MaxParts);
    const qint64 volumeSize = numbers.value(4).toLongLong();

    PacketLines lines;
    lines.append(bytes.sliced(std::min(headerEnd + 1, bytes.size())));
    lines.finish();
    QList<FFprobePacket> packets = lines.packets();
    // The same listing as if FFprobe had listed only the packets near the cuts.
    QList<double> expected;
    for (int part = 1; part < parts; ++part)
        expected << MediaSplitter::timeAtByte(packets, frame, double(frame.inputSize) * part / parts);
    const QList<MediaSplitter::Window> windows = MediaSplitter::nearWindows(frame.start, frame.end, expected);
    QList<FFprobePacket> near = packets;
    QList<int> gaps;
    bool landed = false;
    if (MediaSplitter::joinWindows(near, windows, gaps, &landed)) {
        const MediaSplitter::SizeModel nearModel =
            MediaSplitter::sizeModel(near, frame.inputSize, gaps.isEmpty() ? 0 : gaps.last());
        MediaSplitter::nearCutsHold(near, gaps, nearModel, parts);
        MediaSplitter::nearCutsMissed(near, gaps, nearModel, parts);
    }
    const QString fault = MediaSplitter::listingFault(packets, lines.unreadLines(), frame);
    // The splitter plans from trusted listings only; its helpers stay bounded on any.
    MediaSplitter::fillPositions(packets, frame.start, frame.end - frame.start, frame.inputSize);
    const MediaSplitter::SizeModel model = MediaSplitter::sizeModel(packets, frame.inputSize);
    qsizetype cuts = 0;
    if (!packets.isEmpty()) {
        for (int part = 1, begin = 0; part < parts && begin >= 0; ++part) {
            begin = MediaSplitter::nearestCut(packets, begin, MediaSplitter::partEnd(packets, model, part, parts));
            if (begin >= 0) {
                ++cuts;
                MediaSplitter::expectedSize(packets, 0, begin, model);
                MediaSplitter::learnedRatio(model.ratio, frame.inputSize, model.header,
                                            packets.at(begin).pos - packets.first().pos);
            }
        }
        cuts += MediaSplitter::volumesWithin(packets, 0, volumeSize, model);
    }
    FuzzTarget::parsed(packets.size() + cuts + (fault.isEmpty() ? 0 : 1));
    return 0;
}
