#pragma once

#include "encoder/mediaeditor.h"

#include <QString>

class FFmpeg;
class FFprobe;

// Cuts one movie file into volumes of a chosen size with FFmpeg stream copies: one job per
// volume, each prepared only when the previous one has ended, because a volume starts
// where FFprobe says the previous one ended.
class MediaSplitter : public MediaEditor
{
    Q_OBJECT

public:
    explicit MediaSplitter(JobManager *host);

    // Failures are reported on the console only.
    void startSplit(const QString &input, int volumeCount, qint64 volumeSize);

    QString partBaseName() const { return m_partBaseName; }
    QString currentOutput() const { return m_currentOutput; }
    int currentVolume() const { return m_currentVolume; }

    // "hh:mm:ss" of a position in seconds, fractions dropped, counting again from
    // 00:00:00 at 24 hours.
    static QString startTimeText(double position);

signals:
    void finished();
    void started();

public slots:
    void startNextJob();

private:
    QString volumeFolder() const;
    int chooseDisambiguation(const QString &folder, const QString &baseName) const;
    bool measureVolume(double &length);
    void fail(const QString &text);

    FFmpeg *m_ffmpeg;
    FFprobe *m_ffprobe;
    QString m_currentOutput;
    int m_currentVolume = 0;
    double m_position = 0.0;
    double m_duration = 0.0;
    qint64 m_inputSize = 0;
    QString m_input;
    QString m_partBaseName;
    QString m_inputSuffix;
    QString m_partSuffix;
    int m_volumeCount = 0;
    qint64 m_volumeSize = 0;
};
