#include "engines/transcoder.h"

Transcoder::Transcoder() = default;

bool Transcoder::runProcess(const QStringList &arguments, QString &stdOut, QString &stdErr,
                            QString &error)
{
    return runEngine("Transcoder", arguments, stdOut, stdErr, error);
}

void Transcoder::clearFindings()
{
    m_audioCodecs.clear();
    m_muxers.clear();
    m_subtitleCodecs.clear();
    m_videoCodecs.clear();
}
