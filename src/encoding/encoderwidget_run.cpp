// The encoder panel's road from the start button to a queued job, the job's output and its
// end, and the finalising job that may follow an MEncoder encoding.
#include "encoding/encoderwidget.h"

#include "encoder/encoder.h"
#include "encoding/encoderpreviewdialog.h"
#include "encoding/encodinglogging.h"
#include "encoding/finalizerules.h"
#include "encoding/joboutputrouter.h"
#include "encoding/jobmanagerwidget.h"
#include "jobs/infoboxdialog.h"
#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/process.h"
#include "jobs/task.h"
#include "jobs/uniquebasename.h"

#include <QFile>
#include <QFileInfo>
#include <QTextEdit>
#include <QLayout>
#include <QPushButton>

namespace {
// Slot past the nine shared ones: the final output of an encoding whose engine writes an
// intermediate file first (MEncoder's audio targets), so that the job engine checks and
// removes the file the engine really writes.
constexpr int FinalOutputSlot = TaskDataSlot::Count;
} // namespace

QString EncoderWidget::uniqueOutputPath() const
{
    const OutputTarget target = m_encoder->outputTarget();
    const QString extension = Encoder::muxerExtension(m_encoder->targetMuxer(), false);
    return target.folder + QLatin1Char('/') + makeUniqueBaseName(target.folder, target.baseName)
        + extension;
}

int EncoderWidget::checkLimit(int type) const
{
    if (type == 2)
        return m_preferences.validationSize;
    return type == 1 ? m_preferences.validationFrames : 0;
}

void EncoderWidget::showStartFailure(const QString &output, const QString &program,
                                     const QStringList &arguments, const QString &stdOut,
                                     const QString &stdErr, const QString &informative)
{
    log(tr("Failed to start encoding."), 1);
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Warning);
    box.setText(tr("Encoding has failed to start."));
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    box.setDetailedText(tr("- input: %1\n- output: %2\n- command: %3 %4\n- response:\n%5\n%6")
                            .arg(m_encoder->sourcePath(), output, program,
                                 arguments.join(QLatin1Char(' ')), stdOut, stdErr));
    box.exec();
}

EncodingTaskData *EncoderWidget::newTaskData(Task *task, const EncodingTaskData &values)
{
    // The data lives exactly as long as the task that points at it.
    auto *data = new EncodingTaskData(values);
    connect(task, &QObject::destroyed, task, [data] { delete data; });
    return data;
}

EncodingTaskData EncoderWidget::encodingTaskData(int type, const QStringList &arguments,
                                                 const QString &output, int frames)
{
    const EncodingSource &source = m_encoder->source();
    EncodingTaskData values{type, source.video.length,
                            type == 2 ? m_encoder->estimateSize(2, frames) : frames,
                            FinalizeRules::snappedAspect(source.video.aspect), 0,
                            FinalizeRules::writtenFile(type, arguments, output),
                            m_encoder->targetMuxer(), m_preferences.testMode, QVariant()};
    if (values.at(TaskDataSlot::OutputPath).toString() != output)
        values << output;
    return values;
}

EncoderWidget::EncodingCommand EncoderWidget::plannedCommand()
{
    EncodingCommand command;
    const EncodingSource &source = m_encoder->source();
    command.output = uniqueOutputPath();
    command.test = m_preferences.testMode;
    command.frames = command.test ? m_preferences.testFrames : 0;
    const int chapter = command.test ? m_preferences.testChapter : 0;
    // A trial that starts past the end of a short source writes nothing.
    const int position = command.test ? FinalizeRules::testPosition(m_preferences.testPosition,
                                                                    source.video.length)
                                      : 0;
    m_encoder->cliCmdEncode(command.type, command.program, command.arguments, command.output,
                            command.frames, chapter, position, false);
    return command;
}

EncodingTaskData EncoderWidget::plannedTaskValues(const EncodingCommand &command)
{
    return encodingTaskData(command.type, command.arguments, command.output, command.frames);
}

bool EncoderWidget::checkedEncodingCommand(EncodingCommand &command, bool clearViews,
                                           const QString &failureHint)
{
    command = plannedCommand();
    qCDebug(lcEncoding) << "EncoderWidget: encoding command line" << command.program << command.arguments;
    if (clearViews)
        for (QTextEdit *view : {m_stdIn, m_stdOut, m_stdErr})
            if (view)
                view->clear();

    QString commandLine, stdOut, stdErr;
    if (command.program.isEmpty()
        || !m_encoder->checkCommand(command.type, command.program, command.arguments,
                                    command.output, commandLine, stdOut, stdErr,
                                    checkLimit(command.type))) {
        showStartFailure(command.output, command.program, command.arguments, stdOut, stdErr,
                         failureHint);
        return false;
    }
    return true;
}

void EncoderWidget::setEncodingTask(Task *task, const EncodingCommand &command,
                                    const QString &folder, const QString &name)
{
    const EncodingTaskData values =
        encodingTaskData(command.type, command.arguments, command.output, command.frames);
    task->set(newTaskData(task, values), command.program, command.arguments, folder, name,
              tr("Encoding"));
}

bool EncoderWidget::runEncoding()
{
    EncodingCommand command;
    if (!checkedEncodingCommand(command, false, QString()))
        return false;
    const OutputTarget target = m_encoder->outputTarget();
    const EncodingSource &source = m_encoder->source();

    QString inputName = target.baseName;
    if (source.kind == 2)
        inputName = tr("%1 Title_%2").arg(target.baseName).arg(source.video.title);
    QString formatName = m_encoder->muxerShortName(m_encoder->targetMuxer());
    if (!source.video.standard.isEmpty())
        formatName += QStringLiteral(" (") + source.video.standard + QLatin1Char(')');
    const QString title = tr("Encoding %1 to %2 format").arg(inputName, formatName);

    auto *task = new Task;
    setEncodingTask(task, command, target.folder, title);
    auto *job = new Job;
    const QString fileName = QFileInfo(command.output).fileName();
    queueEncodingJob(command, [&](const QString &id, bool preview) {
        job->init(task, id, title, fileName, m_stdIn, m_stdOut, m_stdErr, m_log, m_verbosity, 0,
                  0, 0);
        (preview ? m_ownJobManager : m_mainJobManager)->addJob(job);
    });
    return true;
}

void EncoderWidget::queueEncodingJob(const EncodingCommand &command,
                                     const std::function<void(const QString &, bool)> &queue)
{
    if (command.test) {
        m_preview->setOutputFile(command.output);
        m_preview->setConsoleButton(!m_consoleButtonHidden);
        m_jobView->clear();
        queue(QStringLiteral("Preview"), true);
        log(tr("Preview encoding started."), 3);
    } else {
        queue(JobManager::createTimestamp(), false);
        log(tr("Encoding queued in job manager."), 3);
    }
}

void EncoderWidget::previewStarted()
{
    m_preview->setRunningMode();
    m_preview->show();
    m_running = true;
    m_ready = false;
    m_aborted = false;
    enableControls(false);
    m_startButton->setEnabled(false);
}

void EncoderWidget::returnToReady(bool reload)
{
    if (!m_ownJobManager->isIdle())
        return;
    m_preview->hide();
    m_preview->setRunningMode();
    m_jobView->clear();
    m_ready = true;
    m_running = false;
    if (reload)
        reloadProfile();
    enableControls(true);
}

void EncoderWidget::switchState()
{
    if (m_running) {
        InfoBoxDialog box(this);
        box.setIcon(QMessageBox::Question);
        box.setText(tr("Abort encoding process?"));
        box.addButton(tr("Abort encoding"), QMessageBox::AcceptRole);
        box.addButton(tr("Continue encoding"), QMessageBox::RejectRole);
        if (box.exec() != 0)
            return;
        // The flags first: the kill ends the task at once, and its end must find the
        // preview aborted to hide the window and return the panel to ready.
        m_running = false;
        m_ready = false;
        m_aborted = true;
        m_ownJobManager->killAll();
        log(tr("Encoding aborted."), 1);
        return;
    }
    if (m_ready) {
        if (runEncoding() && m_preferences.testMode)
            previewStarted();
        return;
    }
    returnToReady(true);
}

// --- job output ----------------------------------------------------------------------------

void EncoderWidget::startProcessConsole(Task *task)
{
    m_jobView->addMiniConsole(task);
}

void EncoderWidget::readJobProcessStdOut(Process *process)
{
    JobOutputRouter::readChannel(process, QProcess::StandardOutput, -1.0);
}

void EncoderWidget::readJobProcessStdErr(Process *process)
{
    JobOutputRouter::readChannel(process, QProcess::StandardError, -1.0);
}

void EncoderWidget::finishJobProcess(Process *process, int, QProcess::ExitStatus)
{
    if (JobOutputRouter::finish(process))
        emit encodingComplete(process);
}

// --- finalising ----------------------------------------------------------------------------

void EncoderWidget::finalizeEncoding(Process *process)
{
    if (!process || !process->task)
        return;
    finalizeTask(Ending{process->task, nullptr, 0}, false);
}

void EncoderWidget::finalizeTask(const Ending &ending, bool skip)
{
    const EncodingTaskData *data = ending.task->taskData;
    const int type = taskDataValue(data, TaskDataSlot::EngineType).toInt();
    const int step = taskDataValue(data, TaskDataSlot::Step).toInt();
    const QString path = taskDataValue(data, TaskDataSlot::OutputPath).toString();
    const QString text = taskDataValue(data, TaskDataSlot::Extension).toString();
    const bool preview = taskDataValue(data, TaskDataSlot::Preview).toBool();
    const double aspect = taskDataValue(data, TaskDataSlot::AspectRatio).toDouble();
    QLayout *layout = JobManagerWidget::consoleLayout(data);
    const QString finalOutput = taskDataValue(data, FinalOutputSlot).toString();
    const bool completed = ending.task->state == Task::Completed;

    if (!skip && !m_aborted && step == 1 && type == 2) {
        const QString kept = FinalizeRules::closeFinalizing(completed, path, text);
        if (completed && kept == text)
            log(tr("Finalizing done."), 3);
        else
            log(tr("Failed to finalize encoding: %1").arg(kept.isEmpty() ? path : kept), 1);
    } else if (!skip && !m_aborted && step == 0 && !completed) {
        // A failed encoding leaves nothing worth analysing.
        log(tr("Encoding failed."), 1);
    } else if (!skip && !m_aborted && step == 0 && type == 1) {
        if (m_logFinalizing)
            log(tr("Finalizing..."), 1);
        const QString output = finalOutput.isEmpty() ? path : finalOutput;
        QString analysed = path;
        if (finalOutput.isEmpty() && FinalizeRules::isAudioMuxer(text))
            analysed = FinalizeRules::intermediateName(path, QStringLiteral(".avi"));
        const MediaInfoData info = FinalizeRules::analyze(m_playerSetup, analysed);
        bool queued = false;
        if (FinalizeRules::needsAudioExtraction(info)) {
            const int duration = FinalizeRules::durationSeconds(
                info.audioStreams.first().value(QStringLiteral("Duration")));
            queued = queueExtraction(analysed, output, duration, preview, layout, ending);
        } else if (FinalizeRules::needsAspectCorrection(info, text, aspect)) {
            const int duration =
                FinalizeRules::durationSeconds(info.videoFields.value(QStringLiteral("Duration")));
            queued = queueCorrection(analysed, output, aspect, duration, preview, layout, ending);
        }
        if (queued)
            return;
    }
    closePanel(step);
}

void EncoderWidget::closePanel(int step)
{
    if (m_aborted) {
        m_preview->hide();
        m_preview->setRunningMode();
        m_jobView->clear();
    } else {
        m_preview->setFinishedMode();
    }
    m_running = false;
    m_ready = true;
    enableControls(true);
    log(step == 0 ? tr("Encoding completed.") : tr("Finalizing completed."), 1);
}

bool EncoderWidget::queueAspectCorrection(const QString &analysed, const QString &output,
                                          double aspect, int duration, bool preview,
                                          QLayout *layout)
{
    return queueCorrection(analysed, output, aspect, duration, preview, layout, Ending());
}

bool EncoderWidget::queueMp3Extraction(const QString &intermediate, const QString &output,
                                       int duration, bool preview, QLayout *layout)
{
    return queueExtraction(intermediate, output, duration, preview, layout, Ending());
}

bool EncoderWidget::queueCorrection(const QString &analysed, const QString &output,
                                    double aspect, int duration, bool preview, QLayout *layout,
                                    const Ending &ending)
{
    QString intermediate = analysed;
    if (analysed == output) {
        intermediate = FinalizeRules::intermediateName(
            output, QLatin1Char('.') + QFileInfo(output).suffix());
        if (!QFile::rename(output, intermediate)) {
            log(tr("Failed to finalize encoding."), 1);
            InfoBoxDialog box(this);
            box.setIcon(QMessageBox::Warning);
            box.setText(tr("Failed to finalize encoding."));
            box.setDetailedText(tr("Failed to rename intermediate file (%1).").arg(analysed));
            box.exec();
            return false;
        }
        log(tr("Rename intermediate encoded file [%1].").arg(analysed), 2);
    }
    QString program;
    QStringList arguments;
    m_encoder->cliCmdAspectCorrection(2, program, arguments, intermediate, output, aspect);
    EncodingTaskData values{2, duration, 0, aspect, 1, intermediate, output, preview, QVariant()};
    JobManagerWidget::setConsoleLayout(&values, layout);
    if (queueFinalizing(program, arguments, &values, ending))
        return true;
    // Nothing will run: the encoding goes back under its own name.
    if (intermediate != analysed)
        QFile::rename(intermediate, output);
    return false;
}

bool EncoderWidget::queueExtraction(const QString &intermediate, const QString &output,
                                    int duration, bool preview, QLayout *layout,
                                    const Ending &ending)
{
    QString program;
    QStringList arguments;
    m_encoder->cliCmdExtractAudio(2, program, arguments, intermediate, output);
    EncodingTaskData values{2, duration, 0, 0, 1, intermediate, output, preview, QVariant()};
    JobManagerWidget::setConsoleLayout(&values, layout);
    return queueFinalizing(program, arguments, &values, ending);
}

QString EncoderWidget::taskName() const
{
    return tr("Finalizing %1").arg(QFileInfo(m_encoder->sourcePath()).completeBaseName());
}

bool EncoderWidget::queueFinalizing(const QString &program, const QStringList &arguments,
                                    EncodingTaskData *values, const Ending &)
{
    if (program.isEmpty())
        return false;
    auto *task = new Task;
    task->set(newTaskData(task, *values), program, arguments, m_encoder->outputTarget().folder,
              taskName(), tr("Finalizing"));
    auto *job = new Job;
    job->init(task, QStringLiteral("Finalizing"), tr("Current finalizing process"), QString(),
              m_stdIn, m_stdOut, m_stdErr, m_log, m_verbosity, 0, 0, 0);
    const bool preview = values->value(TaskDataSlot::Preview).toBool();
    (preview ? m_ownJobManager : m_mainJobManager)->addJob(job);
    log(tr("Finalizing started."), 3);
    return true;
}
