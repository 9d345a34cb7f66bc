#include "encoder/mediasplitter.h"

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "jobs/console.h"
#include "jobs/jobmanager.h"

#include <QDebug>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace {
// Disambiguation numbers tried before the last one is taken untested.
constexpr int LastTestedNumber = 98;
}

MediaSplitter::MediaSplitter(JobManager *host)
    : MediaEditor(host)
    , m_ffmpeg(EngineObjects::ffmpeg())
    , m_ffprobe(EngineObjects::ffprobe())
    , m_partSuffix(QStringLiteral(".part"))
{
}

QString MediaSplitter::volumeFolder() const
{
    return m_outputFolder.isEmpty() ? QFileInfo(m_input).canonicalPath() : m_outputFolder;
}

int MediaSplitter::chooseDisambiguation(const QString &folder, const QString &baseName) const
{
    if (m_volumeCount < 1)
        return 0;
    for (int n = 0; n <= LastTestedNumber; ++n) {
        bool taken = false;
        for (int volume = 1; volume <= m_volumeCount && !taken; ++volume) {
            const QString name =
                n == 0 ? QStringLiteral("%1/%2%3%4.%5")
                             .arg(folder, baseName, m_partSuffix, QString::number(volume), m_inputSuffix)
                       : QStringLiteral("%1/%2 (%6)%3%4.%5")
                             .arg(folder, baseName, m_partSuffix, QString::number(volume),
                                  m_inputSuffix, QString::number(n));
            taken = QFileInfo::exists(name);
        }
        if (!taken)
            return n;
    }
    return LastTestedNumber + 1;
}

void MediaSplitter::startSplit(const QString &input, int volumeCount, qint64 volumeSize)
{
    qDebug().noquote() << "MediaSplitter::startSplit() Start split jobs:" << volumeCount << volumeSize
                       << input;
    if (!m_ffmpeg || !m_ffmpeg->startInterface(QString(), QString())) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not start FFmpeg interface."));
        return;
    }
    if (!m_ffprobe || !m_ffprobe->startInterface(QString(), QString())) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not start FFprobe interface."));
        return;
    }
    m_input = input;
    m_volumeCount = volumeCount;
    m_volumeSize = volumeSize;
    if (!m_ffprobe->load(input)) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not analyze input media file"));
        return;
    }
    QString duration;
    if (!m_ffprobe->formatValue(duration, QStringLiteral("duration"))) {
        m_console->log(LogLevel::Quiet, tr("Failed to start split: could not get input media duration"));
        return;
    }
    m_duration = duration.toDouble();
    m_position = 0.0;
    m_currentVolume = 0;
    m_currentOutput.clear();

    const QFileInfo info(input);
    const QString baseName = info.completeBaseName();
    m_inputSize = info.size();
    m_inputSuffix = info.suffix();
    const int n = chooseDisambiguation(volumeFolder(), baseName);
    m_partBaseName = n == 0 ? baseName + m_partSuffix
                            : QStringLiteral("%1 (%2)%3").arg(baseName, QString::number(n), m_partSuffix);
    startNextJob();
}

bool MediaSplitter::measureVolume(double &length)
{
    const QString inputName = QFileInfo(m_input).fileName();
    if (!m_ffprobe->load(m_currentOutput)) {
        fail(tr("Failed to start split part #%1 of %2: could not analyze input media file")
                 .arg(m_currentVolume)
                 .arg(inputName));
        return false;
    }
    QString duration;
    if (!m_ffprobe->formatValue(duration, QStringLiteral("duration"))) {
        fail(tr("Failed to start split part #%1 of %2: could not get input media duration")
                 .arg(m_currentVolume)
                 .arg(inputName));
        return false;
    }
    length = duration.toDouble();
    return true;
}

void MediaSplitter::fail(const QString &text)
{
    m_console->log(LogLevel::Quiet, text);
    emit finished();
}

void MediaSplitter::startNextJob()
{
    // A count below 1 ends here too: nothing else would stop the volumes.
    if (m_currentVolume >= m_volumeCount) {
        emit finished();
        return;
    }
    qDebug().noquote() << "MediaSplitter::startNextJob() Start next split:" << m_currentVolume
                       << m_input << m_partBaseName;
    ++m_currentVolume;

    double previousLength = 0.0;
    if (!m_currentOutput.isEmpty() && !measureVolume(previousLength))
        return;
    m_position += previousLength;

    const QString inputName = QFileInfo(m_input).fileName();
    if (m_position == 0.0 && m_currentVolume > 1) {
        fail(tr("Failed (position error) to continue split of %1").arg(inputName));
        return;
    }
    if (m_position >= m_duration) {
        fail(tr("Warning: done in %1 part instead of %2, terminating split of %3")
                 .arg(m_currentVolume - 1)
                 .arg(m_volumeCount)
                 .arg(inputName));
        return;
    }

    m_currentOutput = QStringLiteral("%1/%2%3.%4")
                          .arg(volumeFolder(), m_partBaseName, QString::number(m_currentVolume),
                               m_inputSuffix);
    const bool lastVolume = m_currentVolume == m_volumeCount;
    const qint64 sizeLimit = lastVolume ? 0 : m_volumeSize;
    QString program;
    QStringList arguments;
    QString error;
    m_ffmpeg->cliCmdSplit(program, arguments, error, m_input, m_currentOutput,
                          startTimeText(m_position), sizeLimit);
    m_console->log(LogLevel::Verbose, tr("Start FFmpeg job with %1").arg(arguments.join(QLatin1Char(' '))));

    const qint64 expectedSize =
        std::min(m_volumeSize, m_inputSize - qint64(m_currentVolume - 1) * m_volumeSize);
    Job *job = m_host->addEngineJob(program, arguments, m_currentOutput, tr("Splitting"),
                                    tr("Extract volume %1/%2 from %3")
                                        .arg(m_currentVolume)
                                        .arg(m_volumeCount)
                                        .arg(inputName),
                                    m_ffmpeg, expectedSize);
    if (!job) {
        fail(tr("Failed to start split part #%1 of %2").arg(m_currentVolume).arg(inputName));
        return;
    }
    if (m_currentVolume == 1)
        emit started();
    if (job->isFinished())
        startNextJob();
    else
        connect(job, &Job::finished, this, &MediaSplitter::startNextJob);
}

QString MediaSplitter::startTimeText(double position)
{
    if (!qIsFinite(position) || position < 0.0)
        position = 0.0;
    const qint64 milliseconds = qint64(std::fmod(position, 24.0 * 3600.0) * 1000.0);
    return QTime(0, 0).addMSecs(int(milliseconds)).toString(QStringLiteral("hh:mm:ss"));
}
