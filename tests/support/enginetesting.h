#pragma once

#include "engines/engineobjects.h"
#include "jobs/console.h"
#include "testmedia.h"

#include <QDir>
#include <QFile>
#include <QTextEdit>

// Gives the processors built while it lives a console whose views the test can read.
class ConsoleCapture
{
public:
    ConsoleCapture()
    {
        m_console.setSinks(&m_stdIn, &m_stdOut, &m_stdErr, &m_log);
        m_console.setVerbosity(LogLevel::Verbose);
        EngineObjects::setConsole(&m_console);
    }
    ~ConsoleCapture() { EngineObjects::setConsole(nullptr); }
    ConsoleCapture(const ConsoleCapture &) = delete;
    ConsoleCapture &operator=(const ConsoleCapture &) = delete;

    QString log() const { return m_log.toPlainText(); }
    QString stdOut() const { return m_stdOut.toPlainText(); }
    QString stdErr() const { return m_stdErr.toPlainText(); }
    Console *console() { return &m_console; }

private:
    Console m_console;
    QTextEdit m_stdIn;
    QTextEdit m_stdOut;
    QTextEdit m_stdErr;
    QTextEdit m_log;
};

// Writes an executable shell script that stands in for an engine; returns its path.
inline QString writeEngineScript(const QString &name, const QString &body)
{
    const QString folder = TestMedia::folder() + QStringLiteral("/engines");
    QDir().mkpath(folder);
    const QString path = folder + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write("#!/bin/sh\n");
    file.write(body.toUtf8());
    file.write("\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A script that answers "-version" with the banner and any other call with the file's text.
inline QString writeCannedFFprobe(const QString &name, const QByteArray &answer)
{
    const QString answerPath = TestMedia::folder() + QStringLiteral("/engines/") + name + ".txt";
    QDir().mkpath(TestMedia::folder() + QStringLiteral("/engines"));
    QFile file(answerPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(answer);
    file.close();
    return writeEngineScript(name, QStringLiteral("case \"$1\" in\n"
                                                  "  -version) echo 'ffprobe version 9.9-test' ;;\n"
                                                  "  *) cat '%1' ;;\n"
                                                  "esac")
                                       .arg(answerPath));
}
