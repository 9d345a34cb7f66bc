#include "encoding/mervoencoderwidget.h"

#include "encoder/records/enginetype.h"

#include "encoder/encoder.h"
#include "encoder/mervoconfigurator.h"
#include "encoder/mervoencoder.h"
#include "encoding/finalizerules.h"
#include "encoding/jobfiles.h"
#include "encoding/joboutputrouter.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervoencoderconfiguredialog.h"
#include "encoding/mervoencoderpreviewdialog.h"
#include "encoding/mervojobmanagerwidget.h"
#include "jobs/infoboxdialog.h"
#include "jobs/mervojobmanager.h"
#include "jobs/producttitle.h"
#include "jobs/uniquebasename.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace {
const char *const InternalError = "1203";
constexpr int UserLevel = 4;
} // namespace

MervoEncoderWidget::MervoEncoderWidget(QWidget *consoleWindow, MervoJobManager *mainJobManager,
                                       const QString &ffmpegPath, const QString &mencoderPath,
                                       const QString &x264Path, const QString &mkvmergePath,
                                       QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr,
                                       QTextEdit *log, int verbosity,
                                       EncoderPreferences *preferences, QWidget *parent)
    : EncoderWidget(consoleWindow, mainJobManager, ffmpegPath, mencoderPath, stdIn, stdOut,
                    stdErr, log, verbosity, preferences, parent),
      m_mervoMainJobManager(mainJobManager), m_mkvmergePath(mkvmergePath), m_x264Path(x264Path)
{
    delete m_configurator;
    delete m_encoder;
    m_mervoEncoder = new MervoEncoder(stdIn, stdOut, stdErr, log, verbosity, this);
    m_encoder = m_mervoEncoder;
    m_mervoConfigurator = new MervoConfigurator(m_encoder, this);
    m_configurator = m_mervoConfigurator;
    delete m_ownJobManager;
    m_previewJobManager = new MervoJobManager(stdIn, stdOut, stdErr, log, verbosity,
                                              m_preferences.latencyStart,
                                              m_preferences.latencyFinished,
                                              m_preferences.latencyKill);
    m_previewJobManager->setParent(this);
    m_ownJobManager = m_previewJobManager;
    m_logFinalizing = true;

    disconnect(this, &EncoderWidget::optionsChanged, this, &EncoderWidget::loadProfileSettings);
    connect(this, &EncoderWidget::optionsChanged, this, &MervoEncoderWidget::loadSettings);
    connect(m_previewJobManager, &MervoJobManager::jobStarted, this,
            &MervoEncoderWidget::startJobConsoles);
    connect(m_previewJobManager, &MervoJobManager::taskStarted, this,
            &MervoEncoderWidget::startTaskConsole);
    connect(m_previewJobManager, qOverload<MervoProcess *>(&MervoJobManager::processStdOutReady),
            this, qOverload<MervoProcess *>(&MervoEncoderWidget::readJobProcessStdOut));
    connect(m_previewJobManager, qOverload<MervoProcess *>(&MervoJobManager::processStdErrReady),
            this, qOverload<MervoProcess *>(&MervoEncoderWidget::readJobProcessStdErr));
    connect(m_previewJobManager,
            qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoJobManager::processFinished),
            this,
            qOverload<MervoProcess *, int, QProcess::ExitStatus>(&MervoEncoderWidget::finishJobProcess));
    connect(this, qOverload<MervoProcess *>(&MervoEncoderWidget::encodingComplete), this,
            qOverload<MervoProcess *>(&MervoEncoderWidget::finalizeEncoding));

    // The job view sits in the preview window and goes with it.
    delete m_preview;
    m_mervoJobView = new MervoJobManagerWidget(this);
    m_mervoJobView->setJobManager(m_previewJobManager);
    m_mervoJobView->processButtonHidden = true;
    m_mervoJobView->flatList = true;
    m_mervoJobView->emptyLabel()->setText(tr("No encoding profile selected"));
    m_jobView = m_mervoJobView;
    m_preview = new MervoEncoderPreviewDialog(tr("%1 - Encoder : preview job").arg(productTitle()),
                                              m_mervoJobView, &m_playerSetup, consoleWindow);
    connect(m_preview, &EncoderPreviewDialog::abortedByUser, this, &EncoderWidget::abortedByUser);

    disconnect(m_startButton, &QPushButton::clicked, nullptr, nullptr);
    connect(m_startButton, &QPushButton::clicked, this, &MervoEncoderWidget::switchState);
    disconnect(m_configureButton, &QPushButton::clicked, nullptr, nullptr);
    connect(m_configureButton, &QPushButton::clicked, this, &MervoEncoderWidget::configure);
}

bool MervoEncoderWidget::applyEngineBinPaths()
{
    initEncoder();
    for (int type : {EngineType::MKVmerge, EngineType::X264})
        m_mervoEncoder->setTimeouts(type, m_preferences.latencyStart, m_preferences.latencyFinished,
                                    m_preferences.latencyKill);
    m_mervoEncoder->initEngine(4, m_mkvmergePath);
    return m_mervoEncoder->initEngine(3, m_x264Path);
}

void MervoEncoderWidget::enginesReady(bool &ffmpegReady, bool &mencoderReady, bool &x264Ready,
                                      bool &mkvmergeReady)
{
    ffmpegReady = m_mervoEncoder->isEngineReady(2);
    mencoderReady = m_mervoEncoder->isEngineReady(1);
    x264Ready = m_mervoEncoder->isEngineReady(3);
    mkvmergeReady = m_mervoEncoder->isEngineReady(4);
}

void MervoEncoderWidget::onMovieLoaded(const QString &path, int kind)
{
    m_encoder->setSource(path, kind);
    updateCodecs(QString(), QString(), QString(), QString());
    emit optionsChanged();
    prepareJob();
    m_mervoConfigurator->clearOptions();
    m_mervoConfigurator->configure();
    if (!m_canEncode)
        m_startButton->setEnabled(false);
    m_ready = !m_running;
}

void MervoEncoderWidget::loadSettings()
{
    ProfileChoice choice;
    if (!profileChoice(choice))
        return;
    MervoConfigurator remembered(m_encoder);
    int level = choice.dvdAc3 ? 5 : remembered.lastProfile(choice.muxer);
    if (level == UserLevel && choice.job) {
        choice.job->target.profile.level = UserLevel;
        remembered.loadUserSettings(choice.muxer, choice.video, choice.audio, choice.job->target);
        setProfileText(m_configurator->profileLabel(UserLevel, m_encoder->tvStandard(),
                                                    choice.muxer, choice.video, choice.audio),
                       m_mervoEncoder->profileSummary(choice.muxer, choice.job->target));
        return;
    }
    if (level == 0)
        level = 2;
    showLevelProfile(choice, level, choice.muxer);
}

void MervoEncoderWidget::configure()
{
    if (!m_canEncode)
        return;
    prepareJob();
    MervoEncoderConfigureDialog dialog(m_mervoConfigurator, this);
    m_mervoConfigurator->clearOptions();
    if (!m_mervoConfigurator->configure()) {
        InfoBoxDialog box(this);
        box.setIcon(QMessageBox::Information);
        box.setText(tr("This encoding configuration is not supported."));
        box.setInformativeText(
            tr("Change audio/video codec selection to find a supported encoder configuration."));
        box.exec();
        return;
    }
    dialog.buildUserProfileTabs(m_mervoConfigurator->profileGroup(),
                                m_mervoConfigurator->optionRoot());
    if (dialog.exec() == QDialog::Accepted)
        m_mervoConfigurator->applySelection();
    loadSettings();
}

void MervoEncoderWidget::switchState()
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
        m_previewJobManager->killAll();
        return;
    }
    if (m_ready) {
        if (startEncoding() && m_preferences.testMode)
            previewStarted();
        return;
    }
    returnToReady(true);
}

void MervoEncoderWidget::reportInsertFailure(const QString &name, const QString &text)
{
    log(tr("Failed to start %1 (internal error #%2).").arg(name, QLatin1String(InternalError)), 1);
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Critical);
    box.setText(text);
    box.setInformativeText(tr("Internal error #%1.\nCan't add task1 \"%2\".")
                               .arg(QLatin1String(InternalError), name));
    box.exec();
}

int MervoEncoderWidget::previewStart(double length) const
{
    return FinalizeRules::keptTestPosition(m_preferences.testPosition, length);
}

bool MervoEncoderWidget::startEncoding()
{
    EncodingCommand command;
    if (!checkedEncodingCommand(command, StartStyle::Extended,
                                tr("See process messages in the advanced monitor window.")))
        return false;
    const OutputTarget target = m_encoder->outputTarget();
    const EncodingSource &source = m_encoder->source();
    const QString name = tr("Encoding %1 to %2 format")
                             .arg(QFileInfo(source.path).completeBaseName(),
                                  m_encoder->muxerShortName(m_encoder->targetMuxer()));
    // One task a step, each waiting for the one before: one job, one box in the job view.
    QList<MervoTask *> tasks;
    MervoTask *previous = nullptr;
    for (const EncodingStep &step : std::as_const(command.steps)) {
        auto *task = new MervoTask;
        setEncodingTask(task, command, step, target.folder, name);
        if (previous) {
            task->setPrecedingTasks({previous});
            previous->setFollowingTasks({task});
        }
        if (!MervoTask::insertChecked(task, &tasks)) {
            delete task;
            qDeleteAll(tasks);
            reportInsertFailure(name, tr("JOB %1 as failed to start.").arg(name));
            return false;
        }
        previous = task;
    }
    auto *job = new MervoJob;
    adoptJob(job, command.output);
    // The copy of a DVD title is kept when its encode fails, to be looked at or tried again.
    for (const EncodingStep &step : std::as_const(command.steps))
        if (step.output != command.output)
            JobFiles::removeAtEnd(job, step.output, JobFiles::Removal::AfterSuccess);
    const QString fileName = QFileInfo(command.output).fileName();
    queueEncodingJob(command, [&](const QString &id, bool preview) {
        job->init(tasks, id, name, fileName, m_stdIn, m_stdOut, m_stdErr, m_log, m_verbosity, 0,
                  0, 0);
        (preview ? m_previewJobManager : m_mervoMainJobManager)->addJob(job);
    });
    return true;
}

void MervoEncoderWidget::readJobProcessStdOut(MervoProcess *process)
{
    JobOutputRouter::readChannel(process, QProcess::StandardOutput, process->taskElapsedMinutes());
}

void MervoEncoderWidget::readJobProcessStdErr(MervoProcess *process)
{
    JobOutputRouter::readChannel(process, QProcess::StandardError, process->taskElapsedMinutes());
}

void MervoEncoderWidget::finishJobProcess(MervoProcess *process, int, QProcess::ExitStatus)
{
    if (JobOutputRouter::finish(process))
        emit encodingComplete(process);
}

void MervoEncoderWidget::finalizeEncoding(MervoProcess *process)
{
    // The ends of the main window's jobs come here too (the Job menu's Xvid encodes are
    // checked for their aspect); only a preview's end moves the panel's running state.
    if (!process || !process->mervoTask)
        return;
    MervoJob *job = process->mervoJob;
    const QString path =
        taskDataValue(process->mervoTask->taskData, TaskDataSlot::OutputPath).toString();
    // A first pass's statistics file is no encoding: closed at once, never analysed.
    const bool statistics = path.endsWith(QLatin1String(".stats"));
    // Any other step that a later step of its job goes on from (a DVD title's copy) is
    // finalised with the job's last step.
    if (!statistics && job && !job->isFinished())
        return;
    Ending ending{process->mervoTask, job ? job->container : nullptr,
                  job ? job->elapsedSeconds() : 0};
    finalizeTask(ending, statistics);
}

void MervoEncoderWidget::startJobConsoles(MervoJob *job)
{
    m_mervoJobView->addJobContainer(job);
}

void MervoEncoderWidget::startTaskConsole(MervoTask *task)
{
    if (task && task->console())
        task->console()->displayProgress();
}

bool MervoEncoderWidget::queueAspectCorrection(const QString &analysed, const QString &output,
                                               double aspect, int duration, bool preview,
                                               QLayout *layout, void *container,
                                               int elapsedSeconds)
{
    return queueCorrection(analysed, output, aspect, duration, preview, layout,
                           Ending{nullptr, container, elapsedSeconds});
}

bool MervoEncoderWidget::queueMp3Extraction(const QString &intermediate, const QString &output,
                                            int duration, bool preview, QLayout *layout,
                                            void *container, int elapsedSeconds)
{
    return queueExtraction(intermediate, output, duration, preview, layout,
                           Ending{nullptr, container, elapsedSeconds});
}

bool MervoEncoderWidget::queueFinalizing(const QString &program, const QStringList &arguments,
                                         EncodingTaskData *values, const Ending &ending)
{
    const QString name = taskName();
    auto *task = new MervoTask;
    task->set(newTaskData(task, *values), program, arguments, m_encoder->outputTarget().folder,
              name, tr("Finalizing"));
    QList<MervoTask *> tasks;
    if (program.isEmpty() || !MervoTask::insertChecked(task, &tasks)) {
        delete task;
        reportInsertFailure(name, tr("JOB %1\n\n%2 as failed to start.").arg(name, name));
        return false;
    }
    auto *job = new MervoJob;
    adoptJob(job, values->value(TaskDataSlot::Extension).toString());
    job->container = ending.container;
    job->accumulatedSeconds = ending.elapsedSeconds;
    job->init(tasks, QStringLiteral("Finalizing"), tr("Current finalizing process"), QString(),
              m_stdIn, m_stdOut, m_stdErr, m_log, m_verbosity, 0, 0, 0);
    const bool preview = values->value(TaskDataSlot::Preview).toBool();
    (preview ? m_previewJobManager : m_mervoMainJobManager)->addJob(job);
    log(tr("Finalizing started."), 1);
    return true;
}
