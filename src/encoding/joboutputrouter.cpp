#include "encoding/joboutputrouter.h"

#include "builders/interfacemencoder.h"
#include "encoder/records/enginetype.h"
#include "encoding/consoledialog.h"
#include "encoding/encodinglogging.h"
#include "encoding/mervoconsoledialog.h"
#include "jobs/mervojobmanager.h"

JobOutputRouter::Parser JobOutputRouter::s_parser = &JobOutputRouter::parseProgress;

void JobOutputRouter::setParser(Parser parser)
{
    s_parser = parser ? parser : &JobOutputRouter::parseProgress;
}

bool JobOutputRouter::parseProgress(int engineType, const QString &text, QString &rest,
                                    int &frame, double &position, int &percent, int &remaining,
                                    double &fps, int &size)
{
    if (engineType == EngineType::MEncoder)
        return InterfaceMEncoder::parseProgress(text, rest, frame, position, percent, remaining,
                                                fps, size);
    return false;
}

void JobOutputRouter::append(ConsoleDialog *console, QProcess::ProcessChannel channel,
                             const QString &text)
{
    if (channel == QProcess::StandardOutput)
        console->appendStdOut(text);
    else
        console->appendStdErr(text);
}

void JobOutputRouter::feed(ConsoleDialog *console, int engineType,
                           QProcess::ProcessChannel channel, const QString &text,
                           double elapsedMinutes)
{
    if (!console || text.isEmpty())
        return;
    const QProcess::ProcessChannel progressChannel =
        engineType == EngineType::FFmpeg ? QProcess::StandardError : QProcess::StandardOutput;
    if (channel != progressChannel) {
        append(console, channel, text);
        return;
    }

    int frame = -1;
    double position = -1.0;
    int percent = -1;
    int remaining = -1;
    double fps = -1.0;
    int size = -1;
    QString rest;
    const int parsedAs = engineType == EngineType::FFmpeg ? EngineType::FFmpeg : engineType;
    if (!s_parser(parsedAs, text, rest, frame, position, percent, remaining, fps, size)) {
        qCDebug(lcEncoding) << "JobOutputRouter: no progress in" << text.size() << "characters";
        append(console, channel, text);
        return;
    }
    if (auto *extended = qobject_cast<MervoConsoleDialog *>(console)) {
        double elapsed = elapsedMinutes;
        extended->updateProgress(frame, position, percent, remaining, fps, elapsed, size);
    } else {
        console->updateProgress(frame, position, percent, size);
    }
    append(console, channel, rest);
}

bool JobOutputRouter::readChannel(Process *process, QProcess::ProcessChannel channel,
                                  double elapsedMinutes)
{
    auto *mervo = qobject_cast<MervoProcess *>(process);
    Task *task = mervo ? mervo->mervoTask : (process ? process->task : nullptr);
    ConsoleDialog *console = task ? task->console() : nullptr;
    if (!console)
        return false;
    const QByteArray bytes = channel == QProcess::StandardOutput ? process->readAllStandardOutput()
                                                                 : process->readAllStandardError();
    const int engine = taskDataValue(task->taskData, TaskDataSlot::EngineType).toInt();
    feed(console, engine, channel, QString::fromUtf8(bytes), elapsedMinutes);
    return true;
}

bool JobOutputRouter::drain(Process *process)
{
    if (!readChannel(process, QProcess::StandardOutput, -1.0))
        return false;
    return readChannel(process, QProcess::StandardError, -1.0);
}

bool JobOutputRouter::finish(Process *process)
{
    if (!drain(process))
        return false;
    auto *mervo = qobject_cast<MervoProcess *>(process);
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
