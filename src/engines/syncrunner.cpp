#include "engines/syncrunner.h"
#include "engines/engineslogging.h"
#include "jobs/processkiller.h"

#include <QDebug>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringDecoder>

SyncRunner::Result SyncRunner::run(const QString &program, const QStringList &arguments,
                                   const QString &libraryPath, const Timeouts &timeouts,
                                   const char *classWord)
{
    Result result;
    // On the heap: a process whose kill did not take goes to the process killer instead of
    // a destructor that would wait for it.
    auto *process = new QProcess;
    if (!libraryPath.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_LIBRARY_PATH"), libraryPath);
        process->setProcessEnvironment(environment);
    }
    process->start(program, arguments, QIODevice::ReadWrite);
    if (!process->waitForStarted(timeouts.start)) {
        ProcessKiller::killAndWait(process, timeouts.kill);
        ProcessKiller::release(process);
        return result;
    }
    result.started = true;

    if (!process->waitForFinished(timeouts.finish)) {
        result.killed = true;
        if (ProcessKiller::killAndWait(process, timeouts.kill)) {
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: process killed.").arg(QLatin1String(classWord));
        } else {
            result.stillRunning = true;
            qCDebug(lcEngines).noquote() << QStringLiteral("%1: process still running.").arg(QLatin1String(classWord));
        }
    }

    result.stdOut = decodeLines(process->readAllStandardOutput());
    result.stdErr = decodeLines(process->readAllStandardError());
    result.crashed = result.stillRunning || process->exitStatus() == QProcess::CrashExit;
    result.exitCode = process->exitCode();
    ProcessKiller::release(process);
    return result;
}

QString SyncRunner::decodeLines(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    qsizetype begin = 0;
    const qsizetype size = bytes.size();
    while (begin < size) {
        qsizetype end = begin;
        while (end < size && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        // The line end belongs to its line: "\r\n" counts as one end.
        if (end < size) {
            if (bytes.at(end) == '\r' && end + 1 < size && bytes.at(end + 1) == '\n')
                ++end;
            ++end;
        }
        QStringDecoder decoder(QStringDecoder::Utf8);
        text += decoder.decode(QByteArrayView(bytes).sliced(begin, end - begin));
        begin = end;
    }
    return text;
}
