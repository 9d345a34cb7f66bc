#include "encoding/encoderwidget.h"

#include "encoder/configurator.h"
#include "encoder/encoder.h"
#include "encoding/activecombobox.h"
#include "encoding/encoderconfiguredialog.h"
#include "encoding/encoderpreviewdialog.h"
#include "encoding/encodinglogging.h"
#include "encoding/finalizerules.h"
#include "encoding/jobmanagerwidget.h"
#include "jobs/console.h"
#include "jobs/infoboxdialog.h"
#include "jobs/job.h"
#include "jobs/jobmanager.h"
#include "jobs/nestedloop.h"
#include "jobs/producttitle.h"
#include "jobs/uniquebasename.h"
#include "jobs/widgetbridge.h"
#include "encoding/joboutputrouter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr int VolumeLimit = 48;
constexpr int VolumeStep = 3;
constexpr int VolumeMinimumWidth = 50;

QString settingsKey(const char *key)
{
    return QStringLiteral("Options/Encoder/") + QLatin1String(key);
}

// Fills a combo with identifiers keyed by their descriptions, in ascending order (a
// description that occurs twice keeps the later identifier), and selects the first entry
// holding one of `names`, else the first entry. Returns the selected identifier.
template <class Describe>
QString fillCombo(QComboBox *combo, const QStringList &choices, Describe describe,
                  const QStringList &names)
{
    QMap<QString, QString> sorted;
    for (const QString &id : choices)
        sorted.insert(describe(id), id);
    combo->clear();
    for (auto it = sorted.cbegin(); it != sorted.cend(); ++it)
        combo->addItem(it.key(), it.value());
    int index = -1;
    for (const QString &name : names) {
        index = combo->findData(name, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            break;
    }
    combo->setCurrentIndex(qMax(0, index));
    return combo->currentData().toString();
}
} // namespace

EncoderWidget::EncoderWidget(QWidget *consoleWindow, JobManager *mainJobManager,
                             const QString &ffmpegPath, const QString &mencoderPath,
                             QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr,
                             QTextEdit *log, int verbosity, EncoderPreferences *preferences,
                             QWidget *parent)
    : QWidget(parent), m_mencoderPath(mencoderPath), m_ffmpegPath(ffmpegPath),
      m_verbosity(verbosity), m_log(log), m_stdIn(stdIn), m_stdOut(stdOut), m_stdErr(stdErr),
      m_mainJobManager(mainJobManager)
{
    if (preferences)
        m_preferences = *preferences;
    m_encoder = new Encoder(stdIn, stdOut, stdErr, log, verbosity, this);
    m_configurator = new Configurator(m_encoder, this);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_background = new QFrame(this);
    m_background->setFrameShape(QFrame::Panel);
    m_background->setFrameShadow(QFrame::Sunken);
    m_background->setLineWidth(0);
    QPalette palette = m_background->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QColor(0xE4, 0xE4, 0xE4));
    m_background->setPalette(palette);
    m_background->setAutoFillBackground(true);

    m_startButton = new QPushButton(this);
    m_startButton->setEnabled(false);
    m_audioCorrection = new QSpinBox(this);
    m_audioCorrection->setToolTip(tr("Audio correction"));
    m_audioCorrection->setRange(-VolumeLimit, VolumeLimit);
    m_audioCorrection->setSingleStep(VolumeStep);
    m_audioCorrection->setPrefix(QStringLiteral(" "));
    m_audioCorrection->setSuffix(tr(" dB"));
    m_audioCorrection->setMinimumWidth(VolumeMinimumWidth);

    m_targetBox = new QGroupBox(tr("Target"), this);
    m_settingsBox = new QGroupBox(tr("Settings"), this);
    m_formatCombo = new ActiveComboBox(m_targetBox);
    m_formatCombo->setToolTip(tr("Select output format"));
    m_configureButton = new QPushButton(tr("Configure..."), m_targetBox);
    m_configureButton->setToolTip(
        tr("Configure video picture size, aspect ratio, bitrate, deinterlacing..."));
    m_codecsButton = new QPushButton(tr("Codecs"), m_targetBox);
    m_codecsButton->setToolTip(tr("Show/Hide codec selection bar"));
    m_codecBar = new QWidget(m_targetBox);
    m_videoCombo = new ActiveComboBox(m_codecBar);
    m_videoCombo->setToolTip(tr("Select video codec"));
    m_audioCombo = new ActiveComboBox(m_codecBar);
    m_audioCombo->setToolTip(tr("Select audio codec"));
    m_subtitleCombo = new ActiveComboBox(m_codecBar);
    m_subtitleCombo->setToolTip(tr("Select subtitle codec"));
    m_pathEdit = new QLineEdit(m_targetBox);
    m_pathEdit->setFrame(false);
    m_pathEdit->setReadOnly(true);
    m_pathEdit->setToolTip(tr("Current output folder"));
    m_fileEdit = new QLineEdit(m_targetBox);
    m_fileEdit->setFrame(false);
    m_fileEdit->setReadOnly(true);
    m_fileEdit->setToolTip(tr("Current output file name"));
    // Both show what "Set target path" and the format choose: drawn on the panel's own
    // background, without the white of a field, they do not invite typing.
    for (QLineEdit *shown : {m_pathEdit, m_fileEdit}) {
        QPalette palette = shown->palette();
        palette.setBrush(QPalette::Base, Qt::transparent);
        shown->setPalette(palette);
    }
    m_folderWatcher = new QFileSystemWatcher(this);
    // The folder is read again once for a burst of changes: a queue ending hundreds of jobs
    // in it would otherwise list it once per file written or removed.
    m_outputNameRefresh = new QTimer(this);
    m_outputNameRefresh->setSingleShot(true);
    m_outputNameRefresh->setInterval(OutputNameRefreshMs);
    connect(m_outputNameRefresh, &QTimer::timeout, this, &EncoderWidget::showOutputName);
    connect(m_folderWatcher, &QFileSystemWatcher::directoryChanged, m_outputNameRefresh,
            [this] {
                if (!m_outputNameRefresh->isActive())
                    m_outputNameRefresh->start();
            });
    m_previewBox = new QCheckBox(tr("Preview"), m_targetBox);
    m_previewBox->setStatusTip(tr("Check to encode an input excerpt and preview encoding output"));
    m_profileLabel = new QLabel(tr("No encoding profile selected"), m_settingsBox);
    m_profileLabel->setAlignment(Qt::AlignCenter);

    m_ownJobManager = new JobManager(stdIn, stdOut, stdErr, log, verbosity,
                                     m_preferences.latencyStart, m_preferences.latencyFinished,
                                     m_preferences.latencyKill);
    m_ownJobManager->setParent(this);
    m_jobView = new JobManagerWidget(this);
    m_jobView->setJobManager(m_ownJobManager);
    m_jobView->flatList = true;
    m_jobView->processButtonHidden = true;
    m_jobView->setConsoleButton(m_consoleButtonHidden);
    m_jobView->emptyLabel()->setText(tr("No encoding profile selected"));
    m_preview = new EncoderPreviewDialog(tr("%1 - Encoder : preview job").arg(productTitle()),
                                         m_jobView, &m_playerSetup, consoleWindow);
    m_playerSetup.consoleWindow = consoleWindow;

    auto *row1 = new QHBoxLayout;
    row1->addWidget(m_startButton);
    row1->addStretch();
    row1->addWidget(m_audioCorrection);
    auto *targetLayout = new QVBoxLayout(m_targetBox);
    auto *row2 = new QHBoxLayout;
    row2->addWidget(m_formatCombo);
    row2->addWidget(m_codecsButton);
    row2->addWidget(m_configureButton);
    targetLayout->addLayout(row2);
    auto *barLayout = new QHBoxLayout(m_codecBar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addWidget(m_videoCombo);
    barLayout->addWidget(m_audioCombo);
    barLayout->addWidget(m_subtitleCombo);
    m_codecBar->hide();
    targetLayout->addWidget(m_codecBar);
    auto *row3 = new QHBoxLayout;
    row3->addWidget(new QLabel(tr("Path:"), m_targetBox));
    row3->addWidget(m_pathEdit);
    row3->addWidget(new QLabel(tr("File:"), m_targetBox));
    row3->addWidget(m_fileEdit);
    row3->addWidget(m_previewBox);
    targetLayout->addLayout(row3);
    auto *settingsLayout = new QVBoxLayout(m_settingsBox);
    settingsLayout->addWidget(m_profileLabel, 0, Qt::AlignCenter);
    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->addLayout(row1);
    m_mainLayout->addWidget(m_targetBox);
    m_mainLayout->addWidget(m_settingsBox);

    m_previewBox->setChecked(m_preferences.testMode);
    switchTestMode(m_preferences.testMode ? Qt::Checked : Qt::Unchecked);
    m_audioCorrection->setValue(m_preferences.volumeCorrection);
    adjustAudioCorrection(m_preferences.volumeCorrection);
    m_startButton->setEnabled(false);
    enableControls(false);

    connect(m_formatCombo, &QComboBox::activated, this, &EncoderWidget::selectMuxer);
    connect(m_videoCombo, &QComboBox::activated, this, &EncoderWidget::selectVideo);
    connect(m_audioCombo, &QComboBox::activated, this, &EncoderWidget::selectAudio);
    connect(m_subtitleCombo, &QComboBox::activated, this, &EncoderWidget::selectSubtitle);
    connect(m_startButton, &QPushButton::clicked, this, &EncoderWidget::switchState);
    connect(m_codecsButton, &QPushButton::clicked, this, &EncoderWidget::codecBarFlipFlop);
    connect(m_configureButton, &QPushButton::clicked, this, &EncoderWidget::configure);
    connect(m_previewBox, &QCheckBox::stateChanged, this, &EncoderWidget::switchTestMode);
    connect(m_audioCorrection, &QSpinBox::valueChanged, this, &EncoderWidget::adjustAudioCorrection);
    connect(this, &EncoderWidget::optionsChanged, this, &EncoderWidget::loadProfileSettings);
    connect(m_preview, &EncoderPreviewDialog::abortedByUser, this, &EncoderWidget::abortedByUser);
    connect(m_ownJobManager, &JobManager::processStarted, this, &EncoderWidget::startProcessConsole);
    connect(m_ownJobManager, &JobManager::processStdOutReady, this,
            &EncoderWidget::readJobProcessStdOut);
    connect(m_ownJobManager, &JobManager::processStdErrReady, this,
            &EncoderWidget::readJobProcessStdErr);
    connect(m_ownJobManager, &JobManager::processFinished, this, &EncoderWidget::finishJobProcess);
    connect(this, &EncoderWidget::encodingComplete, this, &EncoderWidget::finalizeEncoding);

    QSettings settings;
    m_codecBar->setVisible(settings.value(settingsKey("show codecs"), false).toBool());
    m_lastFormat = settings.value(settingsKey("last format")).toString();
}

EncoderWidget::~EncoderWidget()
{
    if (m_saveSettingsOnExit) {
        m_encoder->saveSettings();
        QSettings().setValue(settingsKey("last format"), selected(m_formatCombo));
    }
    // The preview window is parented to the main window; it goes with its panel.
    delete m_preview;
}

// --- operations for the main window ------------------------------------------------------

void EncoderWidget::setPlayerSetup(QWidget *consoleWindow, const QString &mplayerPath,
                                   const QString &mediaInfoPath, const QString &ffprobePath,
                                   QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr,
                                   QTextEdit *log, int verbosity,
                                   const PlayerPreferences *preferences)
{
    m_playerSetup.consoleWindow = consoleWindow;
    m_playerSetup.mplayerBinPath = mplayerPath;
    m_encoder->setPlayerBinary(mplayerPath);
    m_playerSetup.mediaInfoBinPath = mediaInfoPath;
    m_playerSetup.ffprobeBinPath = ffprobePath;
    m_playerSetup.stdInConsole = stdIn;
    m_playerSetup.stdOutConsole = stdOut;
    m_playerSetup.stdErrConsole = stdErr;
    m_playerSetup.logConsole = log;
    m_playerSetup.verbosity = verbosity;
    if (preferences)
        m_playerSetup.preferences = *preferences;
}

void EncoderWidget::setPlayerBinPaths(const QString &mplayerPath, const QString &mediaInfoPath,
                                      const QString &ffprobePath)
{
    m_playerSetup.mplayerBinPath = mplayerPath;
    m_playerSetup.mediaInfoBinPath = mediaInfoPath;
    m_playerSetup.ffprobeBinPath = ffprobePath;
}

void EncoderWidget::setPreferences(const EncoderPreferences &preferences)
{
    m_preferences = preferences;
    for (int type : {2, 1})
        m_encoder->setTimeouts(type, preferences.latencyStart, preferences.latencyFinished,
                               preferences.latencyKill);
}

void EncoderWidget::setEngineBinPath(int type, const QString &path)
{
    m_encoder->setEngineBinary(type, path);
}

void EncoderWidget::enginesReady(bool &ffmpegReady, bool &mencoderReady)
{
    ffmpegReady = m_encoder->isEngineReady(2);
    mencoderReady = m_encoder->isEngineReady(1);
}

QString EncoderWidget::engineBinary(int type) const
{
    return m_encoder->engineBinary(type);
}

QString EncoderWidget::engineVersion(int type) const
{
    return m_encoder->engineVersion(type);
}

EncodingSource EncoderWidget::encodingSource() const
{
    return m_encoder->source();
}

void EncoderWidget::enableControls(bool enable)
{
    m_previewBox->setEnabled(enable);
    m_audioCorrection->setEnabled(enable);
    m_targetBox->setEnabled(enable);
    m_settingsBox->setEnabled(enable);
    m_startButton->setEnabled(enable && m_canEncode);
}

void EncoderWidget::setVerbosity(int level)
{
    m_verbosity = level;
    m_encoder->setVerbosity(level);
    m_ownJobManager->setLogLevel(level);
}

void EncoderWidget::setSaveSettingsOnExit(bool save)
{
    m_saveSettingsOnExit = save;
    m_encoder->setSaveSettingsOnExit(save);
}

void EncoderWidget::setTarget(const QString &folder, const QString &baseName)
{
    m_encoder->setTarget(folder, baseName);
    m_pathEdit->setText(folder);
    if (!m_folderWatcher->directories().isEmpty())
        m_folderWatcher->removePaths(m_folderWatcher->directories());
    if (QFileInfo(folder).isDir())
        m_folderWatcher->addPath(folder);
    showOutputName();
}

void EncoderWidget::showOutputName()
{
    m_fileEdit->setText(QFileInfo(uniqueOutputPath()).fileName());
}

void EncoderWidget::setConsoleButton(bool show)
{
    m_consoleButtonHidden = !show;
    m_jobView->setConsoleButton(!show); // the view takes "hidden"
}

void EncoderWidget::initEncoder()
{
    m_encoder->loadSettings();
    // The engines' first queries already run with the user's latencies.
    setPreferences(m_preferences);
    m_encoder->initEngine(2, m_ffmpegPath);
    m_encoder->initEngine(1, m_mencoderPath);
    adjustAudioCorrection(m_preferences.volumeCorrection);
    QString muxer = m_encoder->targetMuxer();
    if (muxer.isEmpty())
        muxer = QStringLiteral("avi");
    QString video, audio, subtitle;
    m_encoder->defaultCodecs(muxer, video, audio, subtitle);
    updateCodecs(muxer, video, audio, subtitle);
    selectMuxer();
    const OutputTarget target = m_encoder->outputTarget();
    setTarget(target.folder, target.baseName);
}

void EncoderWidget::onMovieLoaded(const QString &path, int kind)
{
    m_startButton->setEnabled(false);
    m_canEncode = false;
    m_encoder->setSource(path, kind);
    updateCodecs(QString(), QString(), QString(), QString());
    emit optionsChanged();
    m_ready = !m_running;
}

void EncoderWidget::updateInput(const EncodingSource &chosen, bool inputReady)
{
    m_encoder->setSourceStreams(chosen);
    updateCodecs(QString(), QString(), QString(), QString());
    // The remembered format serves the first loaded source only.
    m_lastFormat.clear();
    emit optionsChanged();
    m_startButton->setEnabled(m_canEncode && inputReady);
}

void EncoderWidget::log(const QString &text, int level)
{
    if (!m_log) {
        qCDebug(lcEncoding) << "EncoderWidget Log:" << text;
        return;
    }
    if (level <= m_verbosity)
        Console::appendPlain(m_log, text);
    NestedLoop::processEvents("EncoderWidget::log");
}

void EncoderWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_background->resize(size());
}

// --- the lists ---------------------------------------------------------------------------

QString EncoderWidget::selected(ActiveComboBox *combo) const
{
    return combo->currentData().toString();
}

void EncoderWidget::updateCodecs(const QString &muxerChoice, const QString &video,
                                 const QString &audio, const QString &subtitle)
{
    QString muxer = muxerChoice;
    const bool remembered = muxer.isEmpty() && !m_lastFormat.isEmpty();
    if (remembered)
        muxer = m_lastFormat;
    else if (muxer.isEmpty())
        muxer = m_encoder->targetMuxer();
    // A source without video is offered audio containers only, one of which then replaces
    // the target: the next source with video gets the target it had before, unless the
    // remembered format still waits for it.
    if (m_encoder->source().noVideo) {
        if (m_videoMuxer.isEmpty())
            m_videoMuxer = m_encoder->targetMuxer();
    } else if (!m_videoMuxer.isEmpty()) {
        if (muxerChoice.isEmpty() && !remembered)
            muxer = m_videoMuxer;
        m_videoMuxer.clear();
    }
    const QStringList wanted = m_encoder->engineMuxerNames(muxer);
    muxer = fillCombo(m_formatCombo, m_configurator->muxerChoices(),
                      [this](const QString &id) { return m_encoder->muxerLongDescription(id); },
                      wanted);
    // A load refills the lists before the source's streams are known (a fresh source counts
    // as sound only): the remembered format waits for the refill that offers it.
    if (remembered && wanted.contains(muxer))
        m_lastFormat.clear();
    m_encoder->setTargetMuxer(muxer);
    fillVideoCodecs(muxer, video);
    fillAudioCodecs(muxer, audio);
    fillSubtitleCodecs(muxer, subtitle);
    m_canEncode = selected(m_videoCombo) != QLatin1String("novideo")
        || selected(m_audioCombo) != QLatin1String("noaudio");
}

QStringList EncoderWidget::withRoad(const QStringList &choices, ActiveComboBox *combo,
                                    const QString &toolTip,
                                    const std::function<QString(const QString &)> &refusalOf,
                                    const std::function<QString(const QString &)> &describe)
{
    // The entries that stand for no stream, or for the source's own streams, are no codec
    // an engine could refuse.
    static const QStringList placeholders{QStringLiteral("novideo"), QStringLiteral("noaudio"),
                                          QStringLiteral("multi")};
    QStringList offered, reasons;
    for (const QString &id : choices) {
        const QString reason = placeholders.contains(id) ? QString() : refusalOf(id);
        if (reason.isEmpty())
            offered << id;
        else
            reasons << tr("%1: %2").arg(describe(id), reason);
    }
    // With nothing left (no engine ready) the start button says why.
    if (offered.isEmpty()) {
        offered = choices;
        reasons.clear();
    }
    combo->setToolTip(reasons.isEmpty()
                          ? toolTip
                          : tr("%1\nNot offered for this source:\n%2").arg(toolTip, reasons.join('\n')));
    return offered;
}

void EncoderWidget::fillVideoCodecs(const QString &muxer, const QString &video)
{
    const QString codec = video.isEmpty() ? m_encoder->videoCodec() : video;
    const QStringList audioChoices = m_configurator->audioCodecChoices(muxer);
    // A video codec is offered when some audio choice goes with it.
    auto refusalOf = [&](const QString &id) {
        QString first;
        for (const QString &audio : audioChoices) {
            const QString reason = m_encoder->roadRefusal(muxer, id, audio);
            if (reason.isEmpty())
                return QString();
            if (first.isEmpty())
                first = reason;
        }
        return first;
    };
    auto describe = [this](const QString &id) { return m_encoder->videoCodecDescription(id); };
    m_encoder->setVideoCodec(
        fillCombo(m_videoCombo,
                  withRoad(m_configurator->videoCodecChoices(muxer), m_videoCombo,
                           tr("Select video codec"), refusalOf, describe),
                  describe, m_encoder->engineVideoCodecNames(codec)));
}

void EncoderWidget::fillAudioCodecs(const QString &muxer, const QString &audio)
{
    const QString codec = audio.isEmpty() ? m_encoder->audioCodec() : audio;
    const QString video = m_encoder->videoCodec();
    auto refusalOf = [&](const QString &id) { return m_encoder->roadRefusal(muxer, video, id); };
    auto describe = [this](const QString &id) { return m_encoder->audioCodecDescription(id); };
    m_encoder->setAudioCodec(
        fillCombo(m_audioCombo,
                  withRoad(m_configurator->audioCodecChoices(muxer), m_audioCombo,
                           tr("Select audio codec"), refusalOf, describe),
                  describe, {codec, m_encoder->defaultAudioCodec(muxer, QString())}));
}

void EncoderWidget::fillSubtitleCodecs(const QString &muxer, const QString &subtitle)
{
    const QString codec = subtitle.isEmpty() ? m_encoder->subtitleCodec() : subtitle;
    m_encoder->setSubtitleCodec(
        fillCombo(m_subtitleCombo, m_configurator->subtitleChoices(muxer),
                  [this](const QString &id) { return m_encoder->subtitleDescription(id); },
                  m_encoder->engineSubtitleNames(codec)));
}

void EncoderWidget::selectMuxer()
{
    const QString muxer = selected(m_formatCombo);
    m_encoder->setTargetMuxer(muxer);
    QString video, audio, subtitle;
    m_encoder->defaultCodecs(muxer, video, audio, subtitle);
    showOutputName();
    updateCodecs(muxer, video, audio, subtitle);
    emit optionsChanged();
}

void EncoderWidget::selectVideo()
{
    const QString video = selected(m_videoCombo);
    m_encoder->setVideoCodec(video);
    QString audio, subtitle;
    m_encoder->defaultAudioAndSubtitle(m_encoder->targetMuxer(), video, audio, subtitle);
    updateCodecs(m_encoder->targetMuxer(), video, audio, subtitle);
    emit optionsChanged();
}

void EncoderWidget::selectAudio()
{
    m_encoder->setAudioCodec(selected(m_audioCombo));
    emit optionsChanged();
}

void EncoderWidget::selectSubtitle()
{
    m_encoder->setSubtitleCodec(selected(m_subtitleCombo));
    emit optionsChanged();
}

// --- profile, configure, small switches ---------------------------------------------------

void EncoderWidget::prepareJob()
{
    EncodingJob *job = m_encoder->jobData(m_encoder->preferredEngine());
    if (!job)
        return;
    job->source = m_encoder->source();
    job->target.muxer = m_encoder->targetMuxer();
}

void EncoderWidget::setProfileText(const QString &label, const QString &summary)
{
    m_profileLabel->setText(tr("%1: %2").arg(label, summary));
}

bool EncoderWidget::profileChoice(ProfileChoice &choice)
{
    choice.muxer = selected(m_formatCombo);
    choice.video = selected(m_videoCombo);
    choice.audio = selected(m_audioCombo);
    if (!m_canEncode)
        return false;
    prepareJob();
    choice.job = m_encoder->jobData(m_encoder->preferredEngine());
    choice.dvdAc3 = m_encoder->source().kind == 2 && choice.muxer == QLatin1String("ac3");
    m_configureButton->setEnabled(!choice.dvdAc3);
    return true;
}

void EncoderWidget::showLevelProfile(const ProfileChoice &choice, int level,
                                     const QString &summaryMuxer)
{
    const EncoderProfile profile =
        m_configurator->makeProfile(choice.muxer, choice.video, choice.audio, level);
    if (choice.job)
        choice.job->target.profile = profile;
    setProfileText(m_configurator->profileLabel(level, m_encoder->tvStandard(), choice.muxer,
                                                choice.video, choice.audio),
                   m_encoder->profileSummary(summaryMuxer, profile));
}

void EncoderWidget::loadProfileSettings()
{
    ProfileChoice choice;
    if (!profileChoice(choice))
        return;
    int level = m_configurator->lastProfile(choice.muxer);
    if (level == 0)
        level = 2;
    if (choice.dvdAc3)
        level = 5;
    showLevelProfile(choice, level, m_encoder->targetMuxer());
}

void EncoderWidget::configure()
{
    if (!m_canEncode)
        return;
    prepareJob();
    EncoderConfigureDialog dialog(m_configurator, this);
    if (!m_configurator->configure()) {
        InfoBoxDialog box(this);
        box.setIcon(QMessageBox::Information);
        box.setText(tr("This encoding configuration is not supported."));
        box.setInformativeText(
            tr("Change audio/video codec selection to find a supported encoder configuration."));
        box.exec();
        return;
    }
    dialog.buildProfilesTab(m_configurator->profileGroup());
    if (dialog.exec() == QDialog::Accepted)
        m_configurator->applyProfile();
    loadProfileSettings();
}

void EncoderWidget::codecBarFlipFlop()
{
    m_codecBar->setVisible(!m_codecBar->isVisible());
    QSettings settings;
    settings.setValue(settingsKey("show codecs"), m_codecBar->isVisible());
    settings.sync();
}

void EncoderWidget::switchTestMode(int state)
{
    m_preferences.testMode = state == Qt::Checked;
    if (m_preferences.testMode) {
        m_previewBox->setToolTip(tr("Uncheck this box to encode the whole movie"));
        m_startButton->setText(tr("Start encoding preview"));
        m_startButton->setToolTip(tr("Start encoding a short extract"));
    } else {
        m_previewBox->setStatusTip(tr("Check to encode an input excerpt and preview encoding output"));
        m_startButton->setText(tr("Start encoding"));
        m_startButton->setToolTip(tr("Start encoding process as a new job"));
    }
    WidgetBridge::instance()->broadcast(QStringLiteral("changeTestMode"), m_preferences.testMode);
}

void EncoderWidget::adjustAudioCorrection(int dB)
{
    m_preferences.volumeCorrection = dB;
    m_encoder->setAudioVolume(dB);
    WidgetBridge::instance()->broadcast(QStringLiteral("changeVolume"), dB);
}

void EncoderWidget::abortedByUser()
{
    m_aborted = true;
}
