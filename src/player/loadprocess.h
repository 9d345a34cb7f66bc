#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// One engine run of a load: started read-write, waited for while the panel blocks, and
// read afterwards from its buffers one complete line at a time. A run that does not end
// in time is killed and read all the same.
class LoadProcess
{
public:
    LoadProcess() = default;
    LoadProcess(const LoadProcess &) = delete;
    LoadProcess &operator=(const LoadProcess &) = delete;

    // False when the program has not started within the time-out.
    bool start(const QString &program, const QStringList &arguments, int startTimeoutMs);
    void write(const QString &text);
    // False when the run had not ended within the time-out; it is then killed, and what it
    // wrote so far stays readable.
    bool finish(int timeoutMs);
    // The next complete line of the channel, line end included; false when none is left.
    bool readLine(QProcess::ProcessChannel channel, QByteArray *line);
    void close();

private:
    QProcess m_process;
};
