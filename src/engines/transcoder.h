#pragma once

#include "engines/iprocessor.h"

#include <QMap>
#include <QString>
#include <QStringList>

// An encoding engine (MEncoder, FFmpeg): besides what every processor learns, a start fills
// the names of the codecs and containers the engine can write, each with its description.
class Transcoder : public IProcessor
{
    Q_OBJECT

public:
    Transcoder();

    const QMap<QString, QString> &audioCodecs() const { return m_audioCodecs; }
    const QMap<QString, QString> &muxers() const { return m_muxers; }
    const QMap<QString, QString> &subtitleCodecs() const { return m_subtitleCodecs; }
    const QMap<QString, QString> &videoCodecs() const { return m_videoCodecs; }

    // Runs the engine with the arguments to its end. True when it started and its output was
    // collected (also after a kill, or a crash with output); false with error set when it did
    // not start or crashed without printing anything.
    bool runProcess(const QStringList &arguments, QString &stdOut, QString &stdErr,
                    QString &error) override;

protected:
    void clearFindings() override;

    QMap<QString, QString> m_audioCodecs;
    QMap<QString, QString> m_muxers;
    QMap<QString, QString> m_subtitleCodecs;
    QMap<QString, QString> m_videoCodecs;
};
