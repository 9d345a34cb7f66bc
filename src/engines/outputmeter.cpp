#include "engines/outputmeter.h"
#include "engines/engineslogging.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/fileargument.h"
#include "engines/syncrunner.h"

#include <QDebug>
#include <QRegularExpression>

#include <algorithm>

namespace {
// Seconds read after the point a quick look seeks to: more than a key-frame interval, so a
// seek that lands on the key frame before that point still reads past it.
constexpr double QuickLookSeconds = 12.0;
// A whole read of a long film from a slow disk takes a while; one that takes longer than
// this tells nothing.
constexpr int WholeReadTimeout = 60000;

// Whether packets reach `seconds` into the file: a packet from its start, then those after a
// seek to that point. Cheap where the container has an index; where it has none, or the data
// ends early, the packets found do not reach and the file is read whole.
bool quickLookReaches(const QString &path, double seconds)
{
    FFprobe *ffprobe = EngineObjects::ffprobe();
    QList<FFprobePacket> packets;
    const QString intervals = QStringLiteral("%+#1,+%1%+%2").arg(seconds, 0, 'f', 3).arg(QuickLookSeconds);
    if (!ffprobe || !ffprobe->readPackets(packets, path, QString(), intervals, false))
        return false;
    return OutputMeter::packetSpan(packets) >= seconds;
}

// Every packet of the first streams copied to nowhere: FFmpeg's report tells how far they go.
double wholeRead(const QString &path)
{
    FFmpeg *ffmpeg = EngineObjects::ffmpeg();
    if (!ffmpeg || ffmpeg->state() != IProcessor::Ready)
        return -1.0;
    const QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                                QStringLiteral("-i"), fileArgument(path), QStringLiteral("-map"),
                                QStringLiteral("0:v?"), QStringLiteral("-map"), QStringLiteral("0:a?"),
                                QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-f"),
                                QStringLiteral("null"), QStringLiteral("-nostats"),
                                QStringLiteral("-progress"), QStringLiteral("pipe:1"), QStringLiteral("-")};
    SyncRunner::Timeouts timeouts;
    timeouts.finish = WholeReadTimeout;
    const SyncRunner::Result result = SyncRunner::run(ffmpeg->binary(), arguments, ffmpeg->libraryPath(),
                                                      timeouts, "Transcoder");
    if (!result.started || result.killed)
        return -1.0;
    const double reported = OutputMeter::reportedTime(result.stdOut);
    // FFmpeg names the input it could not open ("./out.mp4: Invalid data found when
    // processing input", an MP4 whose index was never written): a file no player opens
    // plays for no time. Anything else that copied nothing tells nothing.
    if (reported < 0.0 && result.stdErr.contains(fileArgument(path) + QLatin1String(": ")))
        return 0.0;
    return reported;
}
} // namespace

double OutputMeter::measure(const QString &path, double expected)
{
    // The least length that does not fall short (see OutputCheck::fallsShort).
    const double enough = std::min(expected * 0.9, expected - 1.0);
    if (enough > 0.0 && quickLookReaches(path, enough))
        return expected;
    const double measured = wholeRead(path);
    qCDebug(lcEngines).noquote() << "OutputMeter:" << path << "plays" << measured << "s";
    return measured;
}

double OutputMeter::packetSpan(const QList<FFprobePacket> &packets)
{
    if (packets.isEmpty())
        return 0.0;
    double first = packets.first().time;
    double last = first;
    for (const FFprobePacket &packet : packets) {
        first = std::min(first, packet.time);
        last = std::max(last, packet.time + packet.duration);
    }
    return last - first;
}

double OutputMeter::reportedTime(const QString &progress)
{
    // "out_time_us=2951837" once per report, the last one after "progress=end"; "N/A" before
    // anything was copied.
    static const QRegularExpression outTime(QStringLiteral("^out_time_us=(\\d+)\\s*$"),
                                            QRegularExpression::MultilineOption);
    double seconds = -1.0;
    QRegularExpressionMatchIterator reports = outTime.globalMatch(progress);
    while (reports.hasNext())
        seconds = reports.next().captured(1).toDouble() / 1000000.0;
    return seconds;
}
