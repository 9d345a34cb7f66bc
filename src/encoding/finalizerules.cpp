#include "encoding/finalizerules.h"

#include "encoding/encodinglogging.h"
#include "player/playersetup.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/syncrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtMath>

#include <limits>

namespace FinalizeRules {

namespace {
constexpr double AspectTolerance = 0.02;
constexpr int TrialMarginSeconds = 10;
const char *const AudioMuxers[] = {"ac3", "au", "mp3", "wav", "m4a"};

Analyzer s_analyzer = nullptr;

// Whole seconds of a duration read from a file: a value past the largest int (MediaInfo
// says "596524 h" for a damaged header) stays at the largest one, nothing reads below 0.
int wholeSeconds(double seconds)
{
    constexpr int Largest = std::numeric_limits<int>::max();
    if (!(seconds > 0.0))
        return 0;
    return seconds >= double(Largest) ? Largest : int(seconds);
}

} // namespace

MediaInfoData mediaInfoAnalysis(const PlayerSetup &setup, const QString &file)
{
    MediaInfoData data;
    InterfaceStatus status;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init(setup.mediaInfoBinPath, &data, &status);
    QString program;
    QStringList arguments;
    mediaInfo.cliCmdGetInfo(file, program, arguments);
    // On a busy machine MediaInfo may work past the finish latency: it is let finish.
    const SyncRunner::Timeouts timeouts = SyncRunner::Timeouts::patient(
        setup.preferences.latencyStart, setup.preferences.latencyFinished, setup.preferences.latencyKill);
    const SyncRunner::Result result = SyncRunner::run(program, arguments, QString(), timeouts,
                                                      "EncoderWidget");
    if (!result.started || result.killed) {
        qCDebug(lcEncoding) << "analysis of" << file << "did not run";
        return data;
    }
    data.rawText = result.stdOut;
    if (!mediaInfo.parseData(&data))
        data.clear();
    return data;
}

double snappedAspect(double ratio)
{
    if (ratio > 1.31 && ratio < 1.35)
        return 1.33;
    if (ratio > 1.75 && ratio < 1.79)
        return 1.78;
    return 0.0;
}

int testPosition(int position, double duration)
{
    const double latest = duration - TrialMarginSeconds;
    if (position < latest)
        return position;
    return wholeSeconds(latest);
}

int keptTestPosition(int position, double duration)
{
    if (!(duration > 0.0) || position < duration)
        return position;
    return testPosition(position, duration);
}

double measuredAspect(const QString &text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (ok && number >= 1.0)
        return number;
    if (!text.contains(QLatin1Char(':')))
        return 0.0;
    // The number starts where its digits start, so that a long run is not tried from each.
    static const QRegularExpression pattern(QStringLiteral("(?<!\\d)(\\d+):(\\d+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch() || match.captured(1).toInt() <= 0 || match.captured(2).toInt() < 1)
        return 0.0;
    const QStringList parts = text.split(QLatin1Char(':'));
    const double height = parts.value(1).trimmed().toDouble();
    return height > 0 ? parts.value(0).trimmed().toDouble() / height : 0.0;
}

int durationSeconds(const QString &text)
{
    return wholeSeconds(MediaInfoData::durationSeconds(text));
}

bool isAudioMuxer(const QString &muxer)
{
    for (const char *name : AudioMuxers)
        if (muxer == QLatin1String(name))
            return true;
    return false;
}

QString intermediateName(const QString &path, const QString &suffix)
{
    const QFileInfo info(path);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(" (step 0)")
        + suffix;
}

QString writtenFile(int engineType, const QStringList &arguments, const QString &output)
{
    if (engineType != 1)
        return output;
    const int at = arguments.lastIndexOf(QStringLiteral("-o"));
    if (at < 0 || at + 1 >= arguments.size())
        return output;
    return QFileInfo(arguments.at(at + 1)).absoluteFilePath();
}

bool needsAudioExtraction(const MediaInfoData &data)
{
    return data.generalFields.value(QStringLiteral("Format")) == QLatin1String("AVI")
        && data.videoFields.value(QStringLiteral("Format")) == QLatin1String("FrNo")
        && data.audioStreams.size() == 1;
}

bool needsAspectCorrection(const MediaInfoData &data, const QString &muxer, double requested)
{
    const QString key = QStringLiteral("Display aspect ratio");
    if (!data.videoFields.contains(key) || muxer != QLatin1String("avi") || requested <= 0.0)
        return false;
    // A difference of 0.02 itself counts as equal, also after rounding.
    return qAbs(measuredAspect(data.videoFields.value(key)) - requested) > AspectTolerance + 1e-9;
}

MediaInfoData analyze(const PlayerSetup &setup, const QString &file)
{
    return s_analyzer ? s_analyzer(setup, file) : mediaInfoAnalysis(setup, file);
}

void setAnalyzer(Analyzer analyzer)
{
    s_analyzer = analyzer;
}

QString closeFinalizing(bool completed, const QString &intermediate, const QString &finalPath)
{
    if (completed && QFileInfo::exists(finalPath)) {
        QFile::remove(intermediate);
        return finalPath;
    }
    if (!QFileInfo::exists(intermediate))
        return QFileInfo::exists(finalPath) ? finalPath : QString();
    // The partial result goes; the encoding is still whole in the intermediate file.
    QFile::remove(finalPath);
    const QString ownName = intermediateName(finalPath, QLatin1Char('.') + QFileInfo(finalPath).suffix());
    if (QFileInfo(intermediate).absoluteFilePath() == QFileInfo(ownName).absoluteFilePath()
        && QFile::rename(intermediate, finalPath))
        return finalPath;
    return QString();
}

} // namespace FinalizeRules
