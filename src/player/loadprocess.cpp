#include "player/loadprocess.h"

#include "jobs/processtree.h"

bool LoadProcess::start(const QString &program, const QStringList &arguments, int startTimeoutMs)
{
    ProcessTree::bindToProgram(&m_process);
    m_process.start(program, arguments, QIODevice::ReadWrite);
    return m_process.waitForStarted(startTimeoutMs);
}

void LoadProcess::write(const QString &text)
{
    m_process.write(text.toUtf8());
}

bool LoadProcess::finish(int timeoutMs)
{
    if (m_process.waitForFinished(timeoutMs))
        return true;
    // Whatever arrived while waiting is in the buffers; the kill is not waited for.
    m_process.kill();
    return false;
}

bool LoadProcess::readLine(QProcess::ProcessChannel channel, QByteArray *line)
{
    m_process.setReadChannel(channel);
    if (!m_process.canReadLine())
        return false;
    *line = m_process.readLine();
    return true;
}

void LoadProcess::close()
{
    m_process.close();
}
