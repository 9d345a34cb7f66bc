// The Job menu's encoding jobs, the routing of the job manager's output to the job views,
// the rule that enables the Job entries, and the choice of the output folder.

#include "app/applogging.h"
#include "app/mainwindow.h"
#include "builders/interfacemencoder.h"
#include "builders/sourcestreams.h"
#include "encoder/encoder.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "encoding/encoderwidget.h"
#include "encoding/finalizerules.h"
#include "encoding/jobfiles.h"
#include "encoding/jobmanagerdialog.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/joboutputrouter.h"
#include "jobs/filechooser.h"
#include "jobs/infoboxdialog.h"
#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/task.h"
#include "jobs/uniquebasename.h"
#include "jobs/valuetext.h"
#include "player/playerwidget.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QTextEdit>

namespace {
constexpr int DoneTimeout = 5000;
constexpr int CancelTimeout = 3000;

// A fixed target of the Job menu: its container, whether only MEncoder makes it (else
// MEncoder for a DVD and FFmpeg for a file), and the job's title around the name.
struct TargetRow
{
    const char *muxer;
    bool mencoderOnly;
    const char *title;
};
constexpr TargetRow kTargets[] = {
    {"mpg", false, QT_TRANSLATE_NOOP("MainWindow", "Encode %1 to VideoCD (VCD/MPEG-1)")},
    {"mpg", false, QT_TRANSLATE_NOOP("MainWindow", "Encode %1 to Super-VideoCD (SVCD/MPEG-2)")},
    {"avi", true, QT_TRANSLATE_NOOP("MainWindow", "Encode %1 to Xvid/DivX (MPEG-4 Part 2)")},
};
} // namespace

QString MainWindow::jobName(const EncodingSource &source) const
{
    if (m_playerWidget->inputKind() == SourceKind::Dvd)
        return tr("%1 Title_%2").arg(m_targetName).arg(source.video.title);
    return m_targetName;
}

QString MainWindow::withStandard(const QString &title, const EncodingSource &source)
{
    const QString &standard = source.video.standard;
    return standard.isEmpty() ? title : title + QStringLiteral(" (") + standard + QLatin1Char(')');
}

MainWindow::MenuJob MainWindow::buildTargetJob(Target target, Encoder &encoder)
{
    const TargetRow &row = kTargets[int(target)];
    statusBar()->showMessage(tr("Preparing a new encoding job..."));
    encoder.loadSettings();
    encoder.setTargetMuxer(QLatin1String(row.muxer));
    const EncodingSource source = m_encoderWidget->encodingSource();

    const bool dvd = m_playerWidget->inputKind() == SourceKind::Dvd;
    MenuJob job;
    job.type = row.mencoderOnly || dvd ? EngineType::MEncoder : EngineType::FFmpeg;
    const EnginePaths::Engine path =
        job.type == EngineType::MEncoder ? EnginePaths::MEncoder : EnginePaths::FFmpeg;
    // What the engine cannot read is refused with the reason, never queued to fail.
    const QString unread = job.type == EngineType::MEncoder ? InterfaceMEncoder::sourceRefusal(source, QLatin1String(row.muxer)) : QString();
    if (!encoder.initEngine(job.type, m_paths[path]))
        job.refusal = tr("The %1 engine is not ready.").arg(Encoder::engineName(job.type));
    else if (!unread.isEmpty())
        job.refusal = unread + QLatin1Char('.');
    encoder.source() = source;
    job.name = jobName(source);
    encoder.setTarget(m_targetFolder, makeUniqueBaseName(m_targetFolder, job.name));
    const QString output = encoder.outputFile();
    const QString input = dvd ? m_dvdPath : m_filePath;
    if (target == Target::Xvid)
        encoder.cliCmdTargetXvid(job.type, job.program, job.arguments, source);
    else if (target == Target::Svcd)
        encoder.cliCmdTargetSvcd(job.type, job.program, job.arguments, input, output,
                                 source.video.standard);
    else
        encoder.cliCmdTargetVcd(job.type, job.program, job.arguments, input, output,
                                source.video.standard);
    job.title = withStandard(tr(row.title).arg(job.name), source);
    job.text = tr("Encoding");
    job.id = JobManager::createTimestamp();
    return job;
}

void MainWindow::jobEncodeVcd() { startTargetJob(Target::Vcd); }
void MainWindow::jobEncodeSvcd() { startTargetJob(Target::Svcd); }
void MainWindow::jobEncodeXvid() { startTargetJob(Target::Xvid); }

void MainWindow::startTargetJob(Target target)
{
    Encoder encoder(m_stdInView, m_stdOutView, m_stdErrView, m_logView, m_verbosity);
    const MenuJob job = buildTargetJob(target, encoder);
    startEncodingJob(job.program, job.arguments, job.id, job.title, job.text, job.name, &encoder,
                     job.type, job.refusal);
}

bool MainWindow::makeOutputFolder(const QString &folder, const QString &id, const QString &title,
                                  bool plain)
{
    // Made when missing; one that cannot take a file is refused here, with the reason.
    const QString reason = JobFiles::folderRefusal(folder);
    if (reason.isEmpty())
        return true;
    const QString name = title.toHtmlEscaped();
    const QString job = id.toHtmlEscaped();
    reportStartFailure(title, plain ? tr("Job %1").arg(job) : tr("<u>Job %1</u>").arg(job),
                       plain ? tr("%1 as failed to start.").arg(name)
                             : tr("Job <b><i>%1</i></b> as failed to start.").arg(name),
                       tr("Target output directory can't be created.") + QLatin1Char('\n') + reason,
                       tr("Encoding job has been cancelled (output directory not valid)"));
    return false;
}

void MainWindow::reportStartFailure(const QString &title, const QString &text,
                                    const QString &informative, const QString &detailed,
                                    const QString &cancelled)
{
    statusBar()->showMessage(tr("Failed to start encoding job..."));
    log(tr("Failed to start job %1.").arg(title), 1);
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Critical);
    // The names in both texts come escaped: they show as written, markup and all.
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    box.setInformativeText(informative);
    showRichInformative(box);
    box.setDetailedText(detailed);
    box.exec();
    statusBar()->showMessage(cancelled, CancelTimeout);
}

void MainWindow::showRichInformative(QMessageBox &box)
{
    // The informative text would be read as plain text when it holds no tag of its own.
    if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextFormat(Qt::RichText);
}

bool MainWindow::trialRun(Encoder &encoder, int type, const QString &program,
                          const QStringList &arguments, const QString &output, const QString &id,
                          const QString &title, const QString &failed,
                          const QString &detailTemplate, const QString &name,
                          const QString &refusal)
{
    for (QTextEdit *view : {m_stdInView, m_stdOutView, m_stdErrView})
        view->clear();
    QString commandLine, stdOut, stdErr = refusal;
    // What the engine cannot do is refused here with the reason, never queued to fail.
    if (refusal.isEmpty() && program.isEmpty())
        stdErr = tr("The %1 engine cannot make this target.").arg(Encoder::engineName(type));
    bool valid = stdErr.isEmpty();
    if (valid) {
        const EncoderPreferences &limits = m_preferences.encoder;
        valid = encoder.checkSteps({EncodingStep{type, program, arguments, output, {}}}, commandLine,
                                   stdOut, stdErr, limits.validationFrames, limits.validationSize);
    }
    // The user stopped the check: nothing failed, nothing to report.
    if (!valid && encoder.trialCancelled()) {
        log(tr("Job %1 cancelled while its command was checked.").arg(title), 1);
        statusBar()->showMessage(tr("Encoding job has been cancelled"), CancelTimeout);
        return false;
    }
    if (!valid)
        reportStartFailure(title, tr("Job %1").arg(id.toHtmlEscaped()),
                           tr("<b>%1</b> as failed to start.").arg(failed.toHtmlEscaped()),
                           detailTemplate.arg(name, output, program, arguments.join(QLatin1Char(' ')),
                                              stdOut, stdErr),
                           tr("Encoding job has been cancelled (command not valid)"));
    return valid;
}

EncodingTaskData *MainWindow::taskValues(Task *task, int type, const EncodingSource &source,
                                         const QString &output, const QString &muxer, int count)
{
    const EncodingTaskData values{type, source.video.length, 0,
                                  FinalizeRules::snappedAspect(source.video.aspect), 0, output,
                                  muxer, false, QVariant()};
    return EncoderWidget::newTaskData(task, values.mid(0, count));
}

void MainWindow::startEncodingJob(const QString &program, const QStringList &arguments,
                                  const QString &id, const QString &title, const QString &text,
                                  const QString &name, Encoder *encoder, int type,
                                  const QString &refusal)
{
    const OutputTarget target = encoder->outputTarget();
    if (!makeOutputFolder(target.folder, id, title, false))
        return;
    const QString output = encoder->outputFile();
    if (!trialRun(*encoder, type, program, arguments, output, id, title, title, commandDetails(),
                  name, refusal))
        return;
    auto *task = new Task;
    task->set(taskValues(task, type, encoder->source(), output, encoder->targetMuxer(),
                         TaskDataSlot::Count),
              program, arguments, target.folder, title, text);
    task->setSources({encoder->source().path});
    task->setSoundTrack(SourceStreams::steppedSoundTrack(encoder->source()));
    auto *job = new Job;
    JobFiles::reserveOutput(job, output);
    job->init(task, id, title, target.fileName(), m_stdInView, m_stdOutView, m_stdErrView,
              m_logView, m_verbosity, 0, 0, 0);
    m_jobManager->addJob(job);
    statusBar()->showMessage(tr("Encoding job has been queued in the job manager"), DoneTimeout);
}

QString MainWindow::commandDetails()
{
    return tr("- input: %1\n- output: %2\n- command: %3 %4\n- response:\n%5\n%6");
}

void MainWindow::updateJobMenu()
{
    Encoder *core = encoder();
    const bool ready = core->isEngineReady(EngineType::FFmpeg)
                       && core->isEngineReady(EngineType::MEncoder) && core->hasVideoAndAudio();
    for (QAction *action : {encodeVcdAction, encodeSvcdAction, encodeXvidAction})
        action->setEnabled(ready);
    int video = 0, audio = 0, subtitle = 0;
    m_playerWidget->currentTrackCounts(&video, &audio, &subtitle);
    QString refusal = inputRefusal({EngineType::FFmpeg, EngineType::MEncoder});
    if (refusal.isEmpty() && !core->hasVideoAndAudio())
        refusal = tr("Not offered: it splits a file of both video and audio.");
    else if (refusal.isEmpty() && (video > 1 || audio > 1 || subtitle > 1))
        refusal = tr("Not offered: it splits a file of at most one video, one audio and one subtitle "
                     "stream; this one holds %1.").arg(streamCountText(video, audio, subtitle));
    offerEntry(splitAction, refusal);
}

void MainWindow::offerEntry(QAction *entry, const QString &refusal)
{
    entry->setEnabled(refusal.isEmpty());
    entry->setToolTip(refusal);
}

QString MainWindow::inputRefusal(const QList<int> &engineTypes) const
{
    QStringList missing;
    for (int type : engineTypes)
        if (!encoder()->isEngineReady(type))
            missing << engineTypeName(type);
    if (!missing.isEmpty())
        return tr("Not offered: %1 not ready (Options > Engine paths).").arg(missing.join(QStringLiteral(", ")));
    if (m_playerWidget->loadStateBox->checkState() != Qt::Checked)
        return tr("Not offered: no input loaded.");
    if (m_playerWidget->inputKind() != SourceKind::MediaFile)
        return tr("Not offered: only for a media file.");
    return QString();
}

QString MainWindow::streamCountText(int video, int audio, int subtitle)
{
    return tr("%1 video, %2 audio and %3 subtitle streams").arg(video).arg(audio).arg(subtitle);
}

void MainWindow::setTarget()
{
    statusBar()->showMessage(tr("Select output target directory..."));
    const bool folderSet = !m_targetFolder.isEmpty() && QDir(m_targetFolder).exists();
    const QString chosen = FileChooser::existingFolder(
        this, tr("Select the output target directory"),
        folderSet ? m_targetFolder : desktopFolder());
    if (!chosen.isEmpty()) {
        m_targetFolder = chosen;
        m_encoderWidget->setTarget(m_targetFolder, m_targetName);
        statusBar()->showMessage(tr("Output target folder is set [%1]").arg(chosen));
    } else if (!m_targetFolder.isEmpty()) {
        statusBar()->showMessage(tr("Output target folder unchanged [%1]").arg(m_targetFolder),
                                 DoneTimeout);
    } else {
        statusBar()->showMessage(tr("Output target folder is not defined"), DoneTimeout);
    }
}

// --- job output and ends ---------------------------------------------------------------

void MainWindow::startProcessConsole(Task *task)
{
    m_jobManagerWidget->addMiniConsole(task);
    m_jobManagerDialog->show();
    updateJobManagerMenu();
}

void MainWindow::readJobProcessStdOut(Process *process)
{
    JobOutputRouter::readChannel(process, QProcess::StandardOutput, -1.0);
}

void MainWindow::readJobProcessStdErr(Process *process)
{
    JobOutputRouter::readChannel(process, QProcess::StandardError, -1.0);
}

void MainWindow::finishJobProcess(Process *process, int, QProcess::ExitStatus)
{
    // A task without its console yet is neither acknowledged nor finalised.
    if (JobOutputRouter::finish(process))
        emit encodingComplete(process);
}
