// The encoder panel's road from the start button to a queued job, the job's output and its
// end, and the finalising job that may follow an MEncoder encoding.
#include "encoding/encoderwidget.h"

#include "builders/sourcestreams.h"
#include "encoder/encoder.h"
#include "encoding/encoderpreviewdialog.h"
#include "encoding/encodinglogging.h"
#include "encoding/finalizerules.h"
#include "encoding/jobfiles.h"
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
    // A name whose intermediate is still there (the copy that a failed two-step encoding
    // keeps, a finalising step's renamed file) is passed over too: the trial would refuse
    // to write over it. Passed names are held only while the next is sought.
    QStringList passed;
    QString name = makeUniqueBaseName(target.folder, target.baseName);
    while (true) {
        const QString intermediate = QFileInfo(Encoder::intermediateFile(name)).completeBaseName();
        if (makeUniqueBaseName(target.folder, intermediate) == intermediate)
            break;
        reserveOutputName(target.folder, name);
        passed << name;
        name = makeUniqueBaseName(target.folder, target.baseName);
    }
    for (const QString &taken : std::as_const(passed))
        releaseOutputName(target.folder, taken);
    return target.folder + QLatin1Char('/') + name + extension;
}

void EncoderWidget::showStartFailure(const QString &output, const QString &commands,
                                     const QString &stdOut, const QString &stdErr,
                                     const QString &informative)
{
    log(tr("Failed to start encoding."), 1);
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Warning);
    box.setText(tr("Encoding has failed to start."));
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    box.setDetailedText(tr("- input: %1\n- output: %2\n- command: %3\n- response:\n%4\n%5")
                            .arg(m_encoder->sourcePath(), output, commands, stdOut, stdErr));
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

QString EncoderWidget::targetFolderRefusal(const QString &folder) const
{
    return JobFiles::folderRefusal(folder);
}

namespace {
// The steps' command lines as the failure box shows them, one a line.
QString commandsText(const QList<EncodingStep> &steps)
{
    QStringList lines;
    for (const EncodingStep &step : steps)
        lines << step.program + QLatin1Char(' ') + step.arguments.join(QLatin1Char(' '));
    return lines.join(QLatin1Char('\n'));
}
} // namespace

EncoderWidget::EncodingCommand EncoderWidget::plannedCommand(QString &refusal)
{
    EncodingCommand command;
    const EncodingSource &source = m_encoder->source();
    command.output = uniqueOutputPath();
    command.test = m_preferences.testMode;
    command.frames = command.test ? m_preferences.testFrames : 0;
    const int chapter = command.test ? m_preferences.testChapter : 0;
    const int position = command.test ? previewStart(source.video.length) : 0;
    command.steps = m_encoder->cliCmdEncodeSteps(command.output, command.frames, chapter,
                                                 position, refusal);
    return command;
}

int EncoderWidget::previewStart(double length) const
{
    // A trial that starts past the end of a short source writes nothing.
    return FinalizeRules::testPosition(m_preferences.testPosition, length);
}

EncodingTaskData EncoderWidget::plannedTaskValues(const EncodingCommand &command,
                                                  const EncodingStep &step)
{
    return encodingTaskData(step.type, step.arguments, step.output, command.frames);
}

bool EncoderWidget::checkedEncodingCommand(EncodingCommand &command, StartStyle style,
                                           const QString &failureHint)
{
    // A source gone since its load (deleted, renamed, its disc taken out) would only fail
    // the trial without a reason: the reason the player gives at Play is given here too.
    if (!QFileInfo::exists(m_encoder->sourcePath())) {
        const QString reason = tr("This movie path doesn't exist.");
        showStartFailure(uniqueOutputPath(), QString(), QString(), reason, reason);
        return false;
    }
    const QString folder = m_encoder->outputTarget().folder;
    // Made as the Job menu makes it; one that cannot take a file is refused with the reason
    // rather than by the engine's last line.
    const QString folderReason = targetFolderRefusal(folder);
    if (!folderReason.isEmpty()) {
        showStartFailure(folder, QString(), QString(), folderReason, folderReason);
        return false;
    }
    QString refusal;
    command = plannedCommand(refusal);
    if (style == StartStyle::Base) {
        for (const EncodingStep &step : std::as_const(command.steps))
            qCDebug(lcEncoding) << "EncoderWidget::runEncoding command line" << step.program
                                << step.arguments;
    } else {
        for (QTextEdit *view : {m_stdIn, m_stdOut, m_stdErr})
            if (view)
                view->clear();
    }
    if (command.steps.isEmpty()) {
        showStartFailure(command.output, QString(), QString(), refusal, refusal);
        return false;
    }

    QString commandLine, stdOut, stdErr;
    if (!m_encoder->checkSteps(command.steps, commandLine, stdOut, stdErr,
                               m_preferences.validationFrames, m_preferences.validationSize)) {
        // Stopped by the user: nothing failed.
        if (m_encoder->trialCancelled())
            log(tr("Encoding cancelled while its command was checked."), 1);
        else
            showStartFailure(command.output, commandsText(command.steps), stdOut, stdErr, failureHint);
        return false;
    }
    return true;
}

void EncoderWidget::setEncodingTask(Task *task, const EncodingCommand &command,
                                    const EncodingStep &step, const QString &folder,
                                    const QString &name)
{
    const EncodingTaskData values =
        encodingTaskData(step.type, step.arguments, step.output, command.frames);
    const bool copy = step.output != command.output;
    task->set(newTaskData(task, values), step.program, step.arguments, folder, name,
              copy ? tr("Copying") : tr("Encoding"));
    // The first step reads the source; each later one what the step before it wrote.
    QString source = m_encoder->sourcePath();
    for (qsizetype i = 1; i < command.steps.size(); ++i)
        if (&command.steps.at(i) == &step)
            source = command.steps.at(i - 1).output;
    task->setSources({source});
    // A DVD title's copy, the only file a later step reads, is not held to the title's starts.
    task->setSoundTrack(SourceStreams::steppedSoundTrack(m_encoder->source()));
}

void EncoderWidget::adoptJob(Job *job, const QString &output)
{
    JobFiles::reserveOutput(job, output);
}

bool EncoderWidget::runEncoding()
{
    EncodingCommand command;
    if (!checkedEncodingCommand(command, StartStyle::Base, QString()))
        return false;
    // A plain job runs one task: the steps that one engine cannot do alone wait for each
    // other only in the extended panel's jobs.
    if (command.steps.size() != 1) {
        showStartFailure(command.output, commandsText(command.steps), QString(), QString(),
                         tr("This target takes two engines one after the other."));
        return false;
    }
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
    setEncodingTask(task, command, command.steps.first(), target.folder, title);
    auto *job = new Job;
    adoptJob(job, command.output);
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
    hidePreview();
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
        // The flags first: the task's end, which "kill all" hands on once the engine has
        // stopped, must find the preview aborted to hide the window and return the panel to
        // ready.
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
    // The ends of the main window's jobs come here too: they are checked as the panel's
    // own are, and only a preview's end moves the panel's running state.
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
    const bool finalizing = step == 1 && type == 2;

    // The aborted flag is the preview's: a normal encoding that ends meanwhile, or after it
    // until the next preview, is its own. Skipped, an audio target's encoding would leave
    // only its intermediate AVI, and an AVI its uncorrected shape.
    if (preview && m_aborted) {
        closePanel(step, Outcome::Aborted, preview);
        return;
    }
    if (finalizing) {
        // An engine that ends well and leaves no final file has not finalised: the aspect
        // correction's intermediate then takes its name back, which is no success.
        const bool written = completed && QFileInfo(text).size() > 0;
        const QString kept = FinalizeRules::closeFinalizing(written, path, text);
        const bool done = written && kept == text;
        if (done)
            log(tr("Finalizing done."), 3);
        else
            log(tr("Failed to finalize encoding: %1").arg(kept.isEmpty() ? path : kept), 1);
        closePanel(step, done ? Outcome::Completed : Outcome::Failed, preview);
        return;
    }
    if (!completed) {
        // A failed encoding leaves nothing worth analysing.
        log(tr("Encoding failed."), 1);
        closePanel(step, Outcome::Failed, preview);
        return;
    }
    if (!skip && step == 0 && type == 1) {
        if (m_logFinalizing)
            log(tr("Finalizing..."), 1);
        const QString output = finalOutput.isEmpty() ? path : finalOutput;
        QString analysed = path;
        if (finalOutput.isEmpty() && FinalizeRules::isAudioMuxer(text))
            analysed = FinalizeRules::intermediateName(path, QStringLiteral(".avi"));
        const MediaInfoData info = FinalizeRules::analyze(m_playerSetup, analysed);
        const bool extraction = FinalizeRules::needsAudioExtraction(info);
        if (extraction || FinalizeRules::needsAspectCorrection(info, text, aspect)) {
            bool queued = false;
            if (extraction) {
                const int duration = FinalizeRules::durationSeconds(
                    info.audioStreams.first().value(QStringLiteral("Duration")));
                queued = queueExtraction(analysed, output, duration, preview, layout, ending);
            } else {
                const int duration =
                    FinalizeRules::durationSeconds(info.videoFields.value(QStringLiteral("Duration")));
                queued = queueCorrection(analysed, output, aspect, duration, preview, layout, ending);
            }
            // A finalising step that cannot start (its rename refused, no command for it)
            // leaves the encoding unfinished, which is no success; it has said why.
            if (!queued)
                closePanel(step, Outcome::Failed, preview);
            return;
        }
    }
    closePanel(step, Outcome::Completed, preview);
}

void EncoderWidget::hidePreview()
{
    m_preview->hide();
    // Nothing runs while it is hidden: closing it then (the window closing at the end of the
    // program) aborts nothing and says no preview was aborted. It is put in running mode as
    // it is shown again.
    m_preview->setFinishedMode();
    m_jobView->clear();
}

void EncoderWidget::closePanel(int step, Outcome outcome, bool preview)
{
    // Only a preview locks the panel; a normal encoding left it ready.
    if (preview) {
        if (outcome == Outcome::Aborted)
            hidePreview();
        else
            m_preview->setFinishedMode();
        m_running = false;
        m_ready = true;
        enableControls(true);
    }
    // A failure or an abort has said so already.
    if (outcome == Outcome::Completed)
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
    adoptJob(job, values->value(TaskDataSlot::Extension).toString());
    job->init(task, QStringLiteral("Finalizing"), tr("Current finalizing process"), QString(),
              m_stdIn, m_stdOut, m_stdErr, m_log, m_verbosity, 0, 0, 0);
    const bool preview = values->value(TaskDataSlot::Preview).toBool();
    (preview ? m_ownJobManager : m_mainJobManager)->addJob(job);
    log(tr("Finalizing started."), 3);
    return true;
}
