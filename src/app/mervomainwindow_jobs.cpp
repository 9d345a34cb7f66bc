// The extended window's menu jobs, run as multi-task jobs in its own job manager: the
// three fixed targets, the two-pass Xvid encode for one CD and the re-mux; the routing of
// their output and ends; and the rule that enables the extended Job entries.

#include "app/applogging.h"
#include "app/mervomainwindow.h"
#include "builders/interfacemencoder.h"
#include "builders/sourcestreams.h"
#include "encoder/mervoencoder.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "encoding/consoledialog.h"
#include "encoding/jobfiles.h"
#include "encoding/joboutputrouter.h"
#include "encoding/mervoencoderwidget.h"
#include "encoding/mervojobmanagerdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "jobs/infoboxdialog.h"
#include "jobs/mervojobmanager.h"
#include "jobs/uniquebasename.h"
#include "player/playerwidget.h"

#include <QAction>
#include <QFileInfo>
#include <QStatusBar>

namespace {
constexpr int DoneTimeout = 5000;
constexpr int CancelTimeout = 3000;
const char *const InternalError = "1201";
constexpr int TwoPassValues = 7;
} // namespace

void MervoMainWindow::connectJobManager()
{
    MervoJobManager *manager = m_mervoJobManager;
    connect(manager, &MervoJobManager::jobStarted, this, &MervoMainWindow::startJobConsoles);
    connect(manager, &MervoJobManager::taskStarted, this, &MervoMainWindow::startTaskConsole);
    connect(manager, qOverload<MervoProcess *>(&MervoJobManager::processStdOutReady), this,
            qOverload<MervoProcess *>(&MervoMainWindow::readJobProcessStdOut));
    connect(manager, qOverload<MervoProcess *>(&MervoJobManager::processStdErrReady), this,
            qOverload<MervoProcess *>(&MervoMainWindow::readJobProcessStdErr));
    connect(manager,
            qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
            this,
            qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoMainWindow::finishJobProcess));
}

// --- the fixed targets -------------------------------------------------------------------

void MervoMainWindow::jobEncodeVcd() { jobEncodeTarget(Target::Vcd); }
void MervoMainWindow::jobEncodeSvcd() { jobEncodeTarget(Target::Svcd); }
void MervoMainWindow::jobEncodeXvid() { jobEncodeTarget(Target::Xvid); }

void MervoMainWindow::jobEncodeTarget(Target target)
{
    MervoEncoder encoder(m_stdInView, m_stdOutView, m_stdErrView, m_logView, m_verbosity);
    const MenuJob job = buildTargetJob(target, encoder);
    startEncodingJob(job.program, job.arguments, job.id, job.title, job.text, job.name, &encoder,
                     job.type, job.refusal);
}

void MervoMainWindow::startEncodingJob(const QString &program, const QStringList &arguments,
                                       const QString &id, const QString &title,
                                       const QString &text, const QString &name,
                                       MervoEncoder *encoder, int type, const QString &refusal)
{
    const OutputTarget target = encoder->outputTarget();
    if (!makeOutputFolder(target.folder, id, title, true))
        return;
    const QString output = encoder->outputFile();
    if (!trialRun(*encoder, type, program, arguments, output, id, title, title, commandDetails(),
                  name, refusal))
        return;
    auto *task = new MervoTask;
    task->set(taskValues(task, type, encoder->source(), output, encoder->targetMuxer(),
                         TaskDataSlot::Count),
              program, arguments, target.folder, title, text);
    task->setSources({encoder->source().path});
    task->setSoundTrack(SourceStreams::steppedSoundTrack(encoder->source()));
    QList<MervoTask *> tasks;
    if (!MervoTask::insertChecked(task, &tasks)) {
        delete task;
        reportRefusedTask(id, title, title, "task1");
        return;
    }
    queueMervoJob(tasks, id, title, output);
}

void MervoMainWindow::reportRefusedTask(const QString &id, const QString &title,
                                        const QString &task, const char *which)
{
    statusBar()->showMessage(tr("Failed to start encoding job..."));
    log(tr("Failed to start %1 (internal error #%2).").arg(title, QLatin1String(InternalError)), 1);
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Critical);
    box.setTextFormat(Qt::PlainText);
    box.setText(tr("JOB %1\n\n%2 as failed to start.").arg(id, title));
    box.setInformativeText(tr("Internal error #%1.\nCan't add %2 \"%3\".")
                               .arg(QLatin1String(InternalError), QLatin1String(which), task));
    box.exec();
    statusBar()->showMessage(tr("Encoding job has been cancelled (internal error)"), CancelTimeout);
}

MervoJob *MervoMainWindow::queueMervoJob(const QList<MervoTask *> &tasks, const QString &id,
                                         const QString &title, const QString &output)
{
    auto *job = new MervoJob;
    // No other job or trial takes the output's name until this job has ended.
    JobFiles::reserveOutput(job, output);
    job->init(tasks, id, title, QFileInfo(output).fileName(), m_stdInView, m_stdOutView, m_stdErrView, m_logView,
              m_verbosity, 0, 0, 0);
    m_mervoJobManager->addJob(job);
    statusBar()->showMessage(tr("Encoding job has been queued in the job manager"), DoneTimeout);
    return job;
}

// --- two-pass Xvid for one CD --------------------------------------------------------------

void MervoMainWindow::jobEncodeXvid1CD()
{
    statusBar()->showMessage(tr("Preparing a new encoding job..."));
    MervoEncoder encoder(m_stdInView, m_stdOutView, m_stdErrView, m_logView, m_verbosity);
    encoder.loadSettings();
    const QString muxer = QStringLiteral("avi");
    encoder.setTargetMuxer(muxer);
    const EncodingSource source = m_encoderWidget->encodingSource();
    const int type = EngineType::MEncoder;
    const QString unread = InterfaceMEncoder::sourceRefusal(source, muxer);
    QString refusal;
    if (!encoder.initEngine(type, m_paths[EnginePaths::MEncoder]))
        refusal = tr("The %1 engine is not ready.").arg(Encoder::engineName(type));
    else if (!unread.isEmpty())
        refusal = unread + QLatin1Char('.');
    else if (MervoEncoder::xvidCdVideoSize(source.video.length) == 0)
        refusal = tr("The sound of a %1 s source alone fills the CD.").arg(source.video.length);
    encoder.source() = source;
    const QString name = jobName(source);
    const QString base = makeUniqueBaseName(m_targetFolder, name);
    encoder.setTarget(m_targetFolder, base);
    const QString output = encoder.outputFile();
    const QString statsFile = m_targetFolder + QLatin1Char('/') + QStringLiteral("%1.stats").arg(base);
    QString firstProgram, secondProgram;
    QStringList firstArguments, secondArguments;
    if (refusal.isEmpty())
        encoder.cliCmdTargetXvid(type, firstProgram, firstArguments, secondProgram,
                                 secondArguments, source, statsFile);
    const QString title = withStandard(tr("Encode %1 to Xvid (2-pass)").arg(name), source);
    startTwoPassEncodingJob(firstProgram, firstArguments, tr("Encoding %1 to Xvid 1st pass").arg(name),
                            tr("Encoding 1st pass"), statsFile, secondProgram, secondArguments,
                            tr("Encoding %1 to Xvid 2nd pass").arg(name), tr("Encoding 2nd pass"),
                            output, JobManager::createTimestamp(), title, name, &encoder, type,
                            refusal);
}

void MervoMainWindow::startTwoPassEncodingJob(
    const QString &firstProgram, const QStringList &firstArguments, const QString &firstName,
    const QString &firstText, const QString &statsFile, const QString &secondProgram,
    const QStringList &secondArguments, const QString &secondName, const QString &secondText,
    const QString &output, const QString &id, const QString &title, const QString &name,
    MervoEncoder *encoder, int type, const QString &refusal)
{
    const QString folder = encoder->outputTarget().folder;
    if (!makeOutputFolder(folder, id, title, false))
        return;
    // The second pass needs the first one's statistics: only the first is tried.
    const QString details = tr("- input: %1\n- output: %2\n- command 1st-pass:: %3 %4\n- response:\n%5\n%6");
    if (!trialRun(*encoder, type, firstProgram, firstArguments, statsFile, id, title, firstName,
                  details, name, refusal))
        return;
    const QString muxer = encoder->targetMuxer();
    auto *first = new MervoTask;
    first->set(taskValues(first, type, encoder->source(), statsFile, muxer, TwoPassValues),
               firstProgram, firstArguments, folder, firstName, firstText);
    QList<MervoTask *> tasks;
    if (!MervoTask::insertChecked(first, &tasks)) {
        delete first;
        reportRefusedTask(id, title, firstName, "task1");
        return;
    }
    auto *second = new MervoTask;
    second->set(taskValues(second, type, encoder->source(), output, muxer, TwoPassValues),
                secondProgram, secondArguments, folder, secondName, secondText);
    second->setSources({encoder->source().path});
    second->setSoundTrack(SourceStreams::steppedSoundTrack(encoder->source()));
    second->setPrecedingTasks({first});
    first->setFollowingTasks({second});
    if (!MervoTask::insertChecked(second, &tasks)) {
        delete second;
        delete first;
        reportRefusedTask(id, title, secondName, "task2");
        return;
    }
    // The statistics serve the second pass only: they go at the job's end, however it ends.
    MervoJob *job = queueMervoJob(tasks, id, title, output);
    JobFiles::removeAtEnd(job, statsFile, JobFiles::Removal::Always);
}

// --- re-mux ----------------------------------------------------------------------------------

void MervoMainWindow::jobRemuxMovie()
{
    const EncodingSource source = m_encoderWidget->encodingSource();
    if (m_playerWidget->inputKind() != SourceKind::MediaFile) {
        statusBar()->showMessage(tr("Re-mux job is restricted to video file"), CancelTimeout);
        return;
    }
    statusBar()->showMessage(tr("Preparing a new re-muxing job..."));
    const QFileInfo input(m_filePath);
    const QString fileName = input.fileName();
    const QString suffix = input.suffix().toLower();
    const QString base = makeUniqueBaseName(m_targetFolder, input.completeBaseName());
    MervoEncoder encoder(m_stdInView, m_stdOutView, m_stdErrView, m_logView, m_verbosity);
    encoder.loadSettings();
    const int type = suffix == QLatin1String("avi") ? EngineType::MEncoder : EngineType::FFmpeg;
    const EnginePaths::Engine path = type == EngineType::MEncoder ? EnginePaths::MEncoder : EnginePaths::FFmpeg;
    const QString refusal = encoder.initEngine(type, m_paths[path])
                                ? QString()
                                : tr("The %1 engine is not ready.").arg(Encoder::engineName(type));
    encoder.source() = source;
    if (!encoder.isMuxerSupported(type, suffix)) {
        statusBar()->showMessage(tr("Failed to start remuxing job..."));
        log(tr("Failed to remux %1 (format %2 is not supported).").arg(fileName, suffix), 1);
        InfoBoxDialog box(this);
        box.setIcon(QMessageBox::Critical);
        box.setTextFormat(Qt::PlainText);
        box.setText(tr("Failed to remux movie."));
        box.setInformativeText(tr("%1 format (%2) is not supported.")
                                   .arg(fileName.toHtmlEscaped(), encoder.muxerDescription(suffix)));
        showRichInformative(box);
        box.exec();
        statusBar()->showMessage(tr("Remuxing job has been cancelled (format not supported)"),
                                 CancelTimeout);
        return;
    }
    encoder.setTargetMuxer(suffix);
    encoder.setTarget(m_targetFolder, base);
    const QString output = encoder.outputFile();
    QString program;
    QStringList arguments;
    encoder.cliCmdRemux(type, m_filePath, output, program, arguments, suffix);
    const QString title = tr("Re-mux %1").arg(fileName);
    startEncodingJob(program, arguments, JobManager::createTimestamp(), title, tr("Muxing"), title,
                     &encoder, type, refusal);
}

// --- the extended Job entries ----------------------------------------------------------

void MervoMainWindow::mervoUpdateJobMenu()
{
    Encoder *core = encoder();
    bool ready = true;
    for (int type : {EngineType::FFmpeg, EngineType::MEncoder, EngineType::MKVmerge, EngineType::X264})
        ready = ready && core->isEngineReady(type);
    if (!ready) {
        for (QAction *action : {encodeXvid1CDAction, mergeAction, remuxAction})
            action->setEnabled(false);
        const QString refusal = inputRefusal({EngineType::FFmpeg, EngineType::MEncoder, EngineType::X264,
                                              EngineType::MKVmerge});
        offerEntry(mergeAction, refusal);
        offerEntry(remuxAction, refusal);
        return;
    }
    encodeXvid1CDAction->setEnabled(core->hasVideoAndAudio());
    int video = 0, audio = 0, subtitle = 0;
    if (m_playerWidget->inputKind() == SourceKind::MediaFile)
        m_playerWidget->currentTrackCounts(&video, &audio, &subtitle);
    QString refusal = inputRefusal({});
    if (refusal.isEmpty() && !(video == 1 && audio == 1 && subtitle == 0))
        refusal = tr("Not offered: it copies a file of one video and one audio stream without "
                     "subtitles; this one holds %1.").arg(streamCountText(video, audio, subtitle));
    offerEntry(mergeAction, refusal);
    offerEntry(remuxAction, refusal);
}

// --- job output and ends -------------------------------------------------------------------

void MervoMainWindow::startJobConsoles(MervoJob *job)
{
    m_mervoJobManagerDialog->mervoView()->addJobContainer(job);
    m_jobManagerDialog->show();
    updateJobManagerMenu();
}

void MervoMainWindow::startTaskConsole(MervoTask *task)
{
    if (task && task->console())
        task->console()->displayProgress();
    m_jobManagerDialog->show();
    updateJobManagerMenu();
}

void MervoMainWindow::readJobProcessStdOut(MervoProcess *process)
{
    if (process->objectName() != QLatin1String("MervoProcess")) {
        MainWindow::readJobProcessStdOut(process);
        return;
    }
    JobOutputRouter::readChannel(process, QProcess::StandardOutput, process->taskElapsedMinutes());
}

void MervoMainWindow::readJobProcessStdErr(MervoProcess *process)
{
    if (process->objectName() != QLatin1String("MervoProcess")) {
        MainWindow::readJobProcessStdErr(process);
        return;
    }
    JobOutputRouter::readChannel(process, QProcess::StandardError, process->taskElapsedMinutes());
}

void MervoMainWindow::finishJobProcess(MervoProcess *process, int exitCode,
                                       QProcess::ExitStatus exitStatus)
{
    if (process->objectName() != QLatin1String("MervoProcess")) {
        MainWindow::finishJobProcess(process, exitCode, exitStatus);
        return;
    }
    // A task without its console yet is neither acknowledged nor finalised.
    if (!JobOutputRouter::finish(process))
        return;
    emit encodingComplete(process);
    qCDebug(lcApp) << "MervoMainWindow::finishJobProcess" << process->mervoTask->name()
                   << "exit code" << exitCode;
}
