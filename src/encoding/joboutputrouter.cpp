#include "encoding/joboutputrouter.h"

#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "encoding/consoledialog.h"
#include "encoding/encodinglogging.h"
#include "encoding/encodingprogress.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mutedlines.h"
#include "jobs/mervojobmanager.h"

#include <QHash>

JobOutputRouter::Parser JobOutputRouter::s_parser = &Encoder::parseProgress;

void JobOutputRouter::setParser(Parser parser)
{
    s_parser = parser ? parser : &Encoder::parseProgress;
}

void JobOutputRouter::append(ConsoleDialog *console, QProcess::ProcessChannel channel,
                             const QString &text)
{
    if (channel == QProcess::StandardOutput)
        console->appendStdOut(text);
    else
        console->appendStdErr(text);
}

QProcess::ProcessChannel JobOutputRouter::progressChannel(int engineType)
{
    return engineType == EngineType::FFmpeg ? QProcess::StandardError : QProcess::StandardOutput;
}

MutedLines &JobOutputRouter::mutedLines(ConsoleDialog *console)
{
    static QHash<const QObject *, MutedLines> kept;
    auto it = kept.find(console);
    if (it == kept.end()) {
        const QObject *key = console;
        QObject::connect(console, &QObject::destroyed, [key] { kept.remove(key); });
        it = kept.insert(key, MutedLines());
    }
    return *it;
}

void JobOutputRouter::feed(ConsoleDialog *console, int engineType,
                           QProcess::ProcessChannel channel, const QString &text,
                           double elapsedMinutes, bool final)
{
    if (!console || (text.isEmpty() && !final))
        return;
    if (channel != progressChannel(engineType)) {
        append(console, channel, mutedLines(console).filter(text, final));
        return;
    }
    if (text.isEmpty())
        return;
    // Line by line: a chunk often holds the end of a report and the first status line, or
    // the last status line and a message, and the parsers look at a status line only when
    // it starts a line and drop what follows the last one. So each line goes alone, and a
    // message written over a status line ("...\rSkipping frame!\n") is split off it. Status
    // updates of a running engine end in "\r" only, so a chunk of them stays one piece.
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        end = end < 0 ? text.size() : end + 1;
        // Searched within the line only: a chunk of many lines is read once, not once a line.
        const qsizetype inLine = QStringView(text).mid(start, end - start).lastIndexOf(QLatin1Char('\r'));
        const qsizetype lastReturn = inLine < 0 ? -1 : start + inLine;
        if (lastReturn >= start && lastReturn + 1 < end && text.at(lastReturn + 1) != QLatin1Char('\n')) {
            feedPiece(console, engineType, channel, text.mid(start, lastReturn + 1 - start),
                      elapsedMinutes);
            start = lastReturn + 1;
        }
        feedPiece(console, engineType, channel, text.mid(start, end - start), elapsedMinutes);
        start = end;
    }
}

void JobOutputRouter::feedPiece(ConsoleDialog *console, int engineType,
                                QProcess::ProcessChannel channel, const QString &text,
                                double elapsedMinutes)
{
    EncodingProgress values;
    QString rest;
    if (!s_parser(engineType, text, rest, values.frame, values.position, values.percent,
                  values.remaining, values.fps, values.size)) {
        qCDebug(lcEncoding) << "JobOutputRouter: no progress in" << text.size() << "characters";
        append(console, channel, text);
        return;
    }
    // A piece of messages alone would blank the figures the last status line set.
    const bool found = values.frame != -1 || values.position != -1.0 || values.percent != -1
        || values.remaining != -1 || values.fps != -1.0 || values.size != -1;
    if (found) {
        if (auto *extended = qobject_cast<MervoConsoleDialog *>(console)) {
            values.elapsed = elapsedMinutes;
            extended->updateProgress(values.frame, values.position, values.percent,
                                     values.remaining, values.fps, values.elapsed, values.size);
        } else {
            console->updateProgress(values.frame, values.position, values.percent, values.size);
        }
    }
    append(console, channel, rest);
}

QString JobOutputRouter::decode(QByteArray &pending, const QByteArray &bytes, bool final)
{
    // Most reads are a status line of plain ASCII: nothing waits and nothing is cut.
    if (pending.isEmpty() && (final || bytes.isEmpty() || uchar(bytes.back()) < 0x80))
        return QString::fromUtf8(bytes);
    QByteArray data = pending + bytes;
    pending.clear();
    qsizetype complete = data.size();
    // A lead byte among the last three whose sequence is not complete yet.
    for (qsizetype i = data.size() - 1; !final && i >= 0 && i >= data.size() - 3; --i) {
        const uchar byte = uchar(data.at(i));
        if ((byte & 0xC0) == 0x80)
            continue;
        const int length = (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : (byte & 0xF8) == 0xF0 ? 4 : 1;
        if (data.size() - i < length)
            complete = i;
        break;
    }
    pending = data.mid(complete);
    data.truncate(complete);
    return QString::fromUtf8(data);
}

bool JobOutputRouter::readChannel(Process *process, QProcess::ProcessChannel channel,
                                  double elapsedMinutes, bool final)
{
    auto *mervo = qobject_cast<MervoProcess *>(process);
    Task *task = mervo ? mervo->mervoTask : (process ? process->task : nullptr);
    ConsoleDialog *console = task ? task->console() : nullptr;
    if (!console)
        return false;
    const bool stdOut = channel == QProcess::StandardOutput;
    const QByteArray bytes = stdOut ? process->readAllStandardOutput() : process->readAllStandardError();
    // The cut character waits on the process itself, which every read of it reaches.
    QByteArray &pending = stdOut ? process->partialStdOut : process->partialStdErr;
    const QString text = decode(pending, bytes, final);
    task->noteOutput(text);
    const int engine = taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt();
    feed(console, engine, channel, text, elapsedMinutes, final);
    return true;
}

bool JobOutputRouter::drain(Process *process)
{
    if (!readChannel(process, QProcess::StandardOutput, -1.0, true))
        return false;
    return readChannel(process, QProcess::StandardError, -1.0, true);
}

bool JobOutputRouter::finish(Process *process)
{
    if (!drain(process))
        return false;
    auto *mervo = qobject_cast<MervoProcess *>(process);
    Task *task = mervo ? mervo->mervoTask : process->task;
    // What was left out, told once, where it would have been.
    const int engine = taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt();
    const QProcess::ProcessChannel quiet = progressChannel(engine) == QProcess::StandardOutput
                                               ? QProcess::StandardError
                                               : QProcess::StandardOutput;
    append(task->console(), quiet, mutedLines(task->console()).summary());
    if (!mervo) {
        JobManager::acknowledgeTask(process);
        return true;
    }
    MervoJobManager::acknowledgeTask(mervo);
    if (auto *console = qobject_cast<MervoConsoleDialog *>(mervo->mervoTask->console())) {
        console->displayProgress();
        console->displayElapsedTime(mervo->mervoTask->duration());
    }
    return true;
}
