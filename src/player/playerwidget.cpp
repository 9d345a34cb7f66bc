#include "player/playerwidget.h"
#include "player/playerlogging.h"

#include "engines/ffprobedata.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "engines/player.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"
#include "jobs/processtree.h"
#include "jobs/widgetbridge.h"
#include "player/rendererframe.h"
#include "player/progresswidget.h"
#include "player/timecodewidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The video outputs tried for playback, best first. This MPlayer build has no "gl2"; "xv"
// fails on a virtual display, so "x11" is the last resort after "gl".
const char *const kVideoOutputs[] = {"gl2", "gl", "x11"};

} // namespace

PlayerWidget::PlayerWidget(QWidget *consoleWindow, const QString &mplayerBinPath,
                           const QString &mediaInfoBinPath, const QString &ffprobeBinPath,
                           QTextEdit *stdInConsole, QTextEdit *stdOutConsole,
                           QTextEdit *stdErrConsole, QTextEdit *logConsole, int verbosity,
                           const PlayerPreferences *preferences, QWidget *parent)
    : QWidget(parent)
    , consoleWindow(consoleWindow)
    , mplayerBinPath(mplayerBinPath)
    , mediaInfoBinPath(mediaInfoBinPath)
    , ffprobeBinPath(ffprobeBinPath)
    , stdInConsole(stdInConsole)
    , stdOutConsole(stdOutConsole)
    , stdErrConsole(stdErrConsole)
    , logConsole(logConsole)
    , verbosity(verbosity)
    , playbackErrors(new QStringList)
{
    if (preferences)
        this->preferences = *preferences;
    videoSize = QSize(this->preferences.displayWidth, this->preferences.displayHeight);
    rendererSize = QSize(qRound(videoSize.width() * zoom), qRound(videoSize.height() * zoom));

    createIcons();
    createButtons();
    createDisplay();
    createTrackGroup();
    layOut();

    renewPlaybackProcess();
    pollTimer = new QTimer(this);
    player = new Player(Player::MplayerBackend, mplayerBinPath, mediaInfoBinPath, ffprobeBinPath,
                        stdInConsole, stdOutConsole, stdErrConsole, logConsole, verbosity,
                        this->preferences.latencyStart, this->preferences.latencyFinished,
                        this->preferences.latencyKill);
    attachRenderer();
    chooseVideoOutput();
    takeRecords();

    loadStateBox = new QCheckBox(this);
    loadStateBox->setObjectName(QStringLiteral("loadStateBox"));
    loadStateBox->setTristate(true);
    loadStateBox->hide();

    connectSignals();

    updatePlayIcons();
    loadStateBox->setCheckState(Qt::Unchecked);
    updateControlsOnLoading(loadStateBox->checkState());
}

PlayerWidget::~PlayerWidget()
{
    stopPlayback();
    delete playbackErrors;
    delete progressWidget;
    delete player;
}

void PlayerWidget::createIcons()
{
    struct IconFile
    {
        QIcon PlayerWidget::*icon;
        const char *path;
    };
    static const IconFile icons[] = {
        {&PlayerWidget::playIcon, ":/gui4/images/play.png"},
        {&PlayerWidget::playExcerptIcon, ":/gui4/images/play_excerpt.png"},
        {&PlayerWidget::playFastIcon, ":/gui4/images/play_fast.png"},
        {&PlayerWidget::playExcerptFastIcon, ":/gui4/images/play_excerpt_fast.png"},
        {&PlayerWidget::stopIcon, ":/gui4/images/stop.png"},
        {&PlayerWidget::stopExcerptIcon, ":/gui4/images/stop_excerpt.png"},
        {&PlayerWidget::slowIcon, ":/gui4/images/slow.png"},
        {&PlayerWidget::slowExcerptIcon, ":/gui4/images/slow_excerpt.png"},
        {&PlayerWidget::fastIcon, ":/gui4/images/fast.png"},
        {&PlayerWidget::fastExcerptIcon, ":/gui4/images/fast_excerpt.png"},
    };
    for (const IconFile &entry : icons)
        this->*entry.icon = QIcon(QString::fromLatin1(entry.path));
}

void PlayerWidget::createButtons()
{
    struct ButtonRow
    {
        QPushButton *PlayerWidget::*button;
        const char *name;
        const char *text;
        const char *toolTip;
        const char *iconPath; // null: the button takes one of the ten icons or none
    };
    static const ButtonRow rows[] = {
        {&PlayerWidget::playButton, "playButton", nullptr,
         QT_TR_NOOP("Play original source movie"), nullptr},
        {&PlayerWidget::pauseButton, "pauseButton", QT_TR_NOOP("Pause"), nullptr, nullptr},
        {&PlayerWidget::slowerButton, "slowerButton", nullptr, QT_TR_NOOP("Slower"), nullptr},
        {&PlayerWidget::fasterButton, "fasterButton", nullptr, QT_TR_NOOP("Faster"), nullptr},
        {&PlayerWidget::prevChapterButton, "prevChapterButton", nullptr,
         QT_TR_NOOP("Previous chapter"), ":/gui4/images/prev_chapt.png"},
        {&PlayerWidget::nextChapterButton, "nextChapterButton", nullptr,
         QT_TR_NOOP("Next chapter"), ":/gui4/images/next_chapt.png"},
        {&PlayerWidget::backwardButton, "backwardButton", nullptr, QT_TR_NOOP("Backward"),
         ":/gui4/images/prev.png"},
        {&PlayerWidget::forwardButton, "forwardButton", nullptr, QT_TR_NOOP("Forward"),
         ":/gui4/images/next.png"},
    };
    for (const ButtonRow &row : rows) {
        auto *button = new QPushButton(this);
        button->setObjectName(QLatin1String(row.name));
        if (row.text)
            button->setText(tr(row.text));
        if (row.toolTip)
            button->setToolTip(tr(row.toolTip));
        if (row.iconPath)
            button->setIcon(QIcon(QString::fromLatin1(row.iconPath)));
        this->*row.button = button;
    }
    playButton->setIcon(playIcon);
    slowerButton->setIcon(slowIcon);
    fasterButton->setIcon(fastIcon);
    for (QPushButton *button : {playButton, slowerButton, fasterButton, prevChapterButton,
                                nextChapterButton, backwardButton, forwardButton})
        button->setFlat(true);
    pauseButton->hide();
}

void PlayerWidget::createDisplay()
{
    displayFrame = new QFrame(this);
    displayFrame->setObjectName(QStringLiteral("displayFrame"));
    displayFrame->setFrameShape(QFrame::StyledPanel);
    displayFrame->setMinimumSize(rendererSize);

    renderer = new RendererFrame(displayFrame);
    renderer->setObjectName(QStringLiteral("renderer"));
    renderer->setFrameShape(QFrame::Box);
    renderer->setFrameShadow(QFrame::Plain);
    renderer->setLineWidth(0);
    renderer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    audioPicture = new QLabel(tr("Video bug"), renderer);
    audioPicture->setObjectName(QStringLiteral("audioPicture"));
    // The label has a window of its own: the renderer it sits on is never painted by Qt.
    audioPicture->setAttribute(Qt::WA_NativeWindow);
    audioPicture->setAlignment(Qt::AlignCenter);
    audioPixmap = QPixmap(QStringLiteral(":/gui4/images/audio.png"));
    audioPicture->setAutoFillBackground(true);
    audioPicture->setPalette(RendererFrame::windowPalette(audioPicture->palette(), Qt::black));
    audioPicture->setFixedSize(renderer->size());
    showAudioPixmap();
    audioPicture->hide();

    timeLine = new QSlider(Qt::Horizontal, this);
    timeLine->setObjectName(QStringLiteral("timeLine"));
    timeLine->setTracking(false);
    timeLine->setEnabled(false);
    timeLine->hide();

    chapterLabel = new QLabel(this);
    chapterLabel->setObjectName(QStringLiteral("chapterLabel"));
    chapterLabel->setEnabled(false);
    chapterLabel->setToolTip(tr("Chapter"));
    chapterLabel->setText(tr("_"));
    QFont font = chapterLabel->font();
    font.setPointSize(8);
    font.setWeight(QFont::Black); // weight 87 of the older scale
    chapterLabel->setFont(font);

    timecodeWidget = new TimecodeWidget(this);
    timecodeWidget->setObjectName(QStringLiteral("timecodeWidget"));
    timecodeWidget->setEnabled(false);
}

void PlayerWidget::createTrackGroup()
{
    trackGroup = new QGroupBox(tr("Track selection"), this);
    trackGroup->setObjectName(QStringLiteral("trackGroup"));
    // As wide as its lists need: a track's text is shown whole, not cut at the picture's width.
    trackGroup->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    struct ComboRow
    {
        QComboBox *PlayerWidget::*combo;
        const char *name;
    };
    static const ComboRow rows[] = {{&PlayerWidget::titleCombo, "titleCombo"},
                                    {&PlayerWidget::audioCombo, "audioCombo"},
                                    {&PlayerWidget::subtitleCombo, "subtitleCombo"},
                                    {&PlayerWidget::angleCombo, "angleCombo"}};
    for (const ComboRow &row : rows) {
        auto *combo = new QComboBox(this);
        combo->setObjectName(QLatin1String(row.name));
        // Never narrower than its current text: the window widens instead.
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        this->*row.combo = combo;
    }
    angleCombo->hide();
}

void PlayerWidget::layOut()
{
    auto *chapterColumn = new QVBoxLayout;
    chapterColumn->addStretch();
    chapterColumn->addWidget(chapterLabel);
    chapterColumn->addSpacing(2);
    auto *timecodeColumn = new QVBoxLayout;
    timecodeColumn->addStretch();
    timecodeColumn->addWidget(timecodeWidget);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QPushButton *button : {prevChapterButton, backwardButton, slowerButton, playButton,
                                fasterButton, forwardButton, nextChapterButton})
        buttonRow->addWidget(button);
    buttonRow->addStretch();
    buttonRow->addLayout(chapterColumn);
    buttonRow->addLayout(timecodeColumn);

    auto *trackRow = new QHBoxLayout;
    for (QComboBox *combo : {titleCombo, audioCombo, subtitleCombo})
        trackRow->addWidget(combo);
    trackGroup->setLayout(trackRow);

    auto *panelLayout = new QVBoxLayout;
    panelLayout->addWidget(displayFrame);
    panelLayout->addWidget(timeLine);
    panelLayout->addLayout(buttonRow);
    panelLayout->addWidget(trackGroup);
    setLayout(panelLayout);
}

void PlayerWidget::attachRenderer()
{
    const WId windowId = renderer->winId();
    qCDebug(lcPlayer) << "PlayerWidget: set Player Wid" << windowId;
    player->setWid(QString::number(windowId));
}

// The first listed output that has not failed on this display; none when all have.
void PlayerWidget::chooseVideoOutput()
{
    videoOutput.clear();
    for (const char *driver : kVideoOutputs) {
        const QString name = QString::fromLatin1(driver);
        if (!failedVideoOutputs.contains(name) && player->setVideoOutput(name)) {
            videoOutput = name;
            return;
        }
    }
}

void PlayerWidget::takeRecords()
{
    playerCapabilitiesRecord = player->playerCapabilities();
    playerStatusRecord = player->playerStatus();
    mediaInfoStatusRecord = player->mediaInfoStatus();
    mediaInfoDataRecord = player->mediaInfoData();
    ffprobeStatusRecord = player->ffprobeStatus();
    ffprobeDataRecord = player->ffprobeData();
}

void PlayerWidget::connectSignals()
{
    struct ButtonSlot
    {
        QPushButton *PlayerWidget::*button;
        void (PlayerWidget::*slot)();
    };
    static const ButtonSlot buttons[] = {
        {&PlayerWidget::playButton, &PlayerWidget::switchState},
        {&PlayerWidget::pauseButton, &PlayerWidget::switchPause},
        {&PlayerWidget::fasterButton, &PlayerWidget::switchFaster},
        {&PlayerWidget::slowerButton, &PlayerWidget::switchSlower},
        {&PlayerWidget::prevChapterButton, &PlayerWidget::prevChapter},
        {&PlayerWidget::nextChapterButton, &PlayerWidget::nextChapter},
        {&PlayerWidget::backwardButton, &PlayerWidget::prev},
        {&PlayerWidget::forwardButton, &PlayerWidget::next},
    };
    for (const ButtonSlot &entry : buttons)
        connect(this->*entry.button, &QPushButton::clicked, this, entry.slot);
    connect(titleCombo, &QComboBox::activated, this, &PlayerWidget::selectTitleByUser);
    connect(titleCombo, &QComboBox::currentIndexChanged, this, &PlayerWidget::selectTitle);
    connect(audioCombo, &QComboBox::currentIndexChanged, this, &PlayerWidget::selectAudio);
    connect(subtitleCombo, &QComboBox::currentIndexChanged, this, &PlayerWidget::selectSubtitle);
    connect(angleCombo, &QComboBox::currentIndexChanged, this, &PlayerWidget::selectAngle);
    connect(pollTimer, &QTimer::timeout, this, &PlayerWidget::pollCurrentTime);
    connect(pollTimer, &QTimer::timeout, this, &PlayerWidget::monitorPlaybackErrors);
    connect(timeLine, &QSlider::sliderMoved, this, &PlayerWidget::timeLineChanged);
    connectLoadState();
    connect(this, &PlayerWidget::selectionChanged, this, &PlayerWidget::setListToolTips);
    connectBridge();
}

void PlayerWidget::connectBridge()
{
    WidgetBridge *bridge = WidgetBridge::instance();
    // Qt::UniqueConnection: a panel rewired by its extended class still acts once per message.
    connect(bridge, qOverload<const QString &, bool>(&WidgetBridge::sendMessage), this,
            qOverload<const QString &, bool>(&PlayerWidget::processBridgeMessage),
            Qt::UniqueConnection);
    connect(bridge, qOverload<const QString &, int>(&WidgetBridge::sendMessage), this,
            qOverload<const QString &, int>(&PlayerWidget::processBridgeMessage),
            Qt::UniqueConnection);
}

void PlayerWidget::connectLoadState()
{
    connect(loadStateBox, &QCheckBox::stateChanged, this, &PlayerWidget::updateControlsOnLoading);
    connect(loadStateBox, &QCheckBox::stateChanged, this, &PlayerWidget::centerRenderer);
}

// ---------------------------------------------------------------------------------------
// Setters and accessors of the main window

void PlayerWidget::setPreferences(const PlayerPreferences &preferences)
{
    this->preferences = preferences;
    player->setTimeouts(preferences.latencyStart, preferences.latencyFinished,
                        preferences.latencyKill);
}

void PlayerWidget::setVerbosity(int level)
{
    verbosity = level;
    player->setLogLevel(level);
}

void PlayerWidget::setMPlayerBinPath(const QString &path)
{
    mplayerBinPath = path;
    player->setBackendBinary(path);
    // Another build may open the outputs this one could not.
    failedVideoOutputs.clear();
    if (loadStateBox->checkState() == Qt::Checked) {
        setControlsEnabled(isReady(false));
        trackGroup->setEnabled(isReady(false));
    } else {
        setControlsEnabled(false);
        trackGroup->setEnabled(false);
    }
    chooseVideoOutput();
}

void PlayerWidget::setMediaInfoBinPath(const QString &path)
{
    mediaInfoBinPath = path;
    player->setMediaInfoBinary(path);
}

void PlayerWidget::setFFprobeBinPath(const QString &path)
{
    ffprobeBinPath = path;
    player->setFFprobeBinary(path);
}

void PlayerWidget::askLateEnginesAgain()
{
    if (playerStatusRecord->late)
        setMPlayerBinPath(mplayerBinPath);
    if (mediaInfoStatusRecord->late)
        setMediaInfoBinPath(mediaInfoBinPath);
    if (ffprobeStatusRecord->late)
        setFFprobeBinPath(ffprobeBinPath);
}

void PlayerWidget::setControlsEnabled(bool enabled)
{
    const bool whilePlaying = enabled && playing;
    const bool seekable = whilePlaying && !preferences.testMode;
    playButton->setEnabled(enabled);
    for (QPushButton *button : {pauseButton, slowerButton, fasterButton})
        button->setEnabled(whilePlaying);
    for (QPushButton *button : {prevChapterButton, nextChapterButton, backwardButton, forwardButton})
        button->setEnabled(seekable);
}

void PlayerWidget::setTrackSelectionEnabled(bool enabled)
{
    trackGroup->setEnabled(enabled);
}

void PlayerWidget::updatePlayIcons()
{
    const bool preview = preferences.testMode;
    playButton->setIcon(preview ? playExcerptIcon : playIcon);
    playButton->setToolTip(preview ? tr("Play source movie excerpt for encoding preview")
                                   : tr("Play original source movie"));
    slowerButton->setIcon(preview ? slowExcerptIcon : slowIcon);
    fasterButton->setIcon(preview ? fastExcerptIcon : fastIcon);
}

void PlayerWidget::clearConsole(QTextEdit *console)
{
    if (console)
        console->clear();
}

void PlayerWidget::clearLogConsole() { clearConsole(logConsole); }
void PlayerWidget::clearStdInConsole() { clearConsole(stdInConsole); }
void PlayerWidget::clearStdOutConsole() { clearConsole(stdOutConsole); }
void PlayerWidget::clearStdErrConsole() { clearConsole(stdErrConsole); }

QString PlayerWidget::utilityBinary(int utility) const
{
    return player->utilityBinary(utility);
}

QString PlayerWidget::utilityVersion(int utility) const
{
    return player->utilityVersion(utility);
}

QString PlayerWidget::inputPath() const
{
    return sourceName;
}

PlayerCapabilities PlayerWidget::playerCapability() const { return *playerCapabilitiesRecord; }
PlayerStatus PlayerWidget::playerStatus() const { return *playerStatusRecord; }
InterfaceStatus PlayerWidget::mediaInfoStatus() const { return *mediaInfoStatusRecord; }
InterfaceStatus PlayerWidget::ffprobeStatus() const { return *ffprobeStatusRecord; }
MediaInfoData PlayerWidget::mediaInfoData() const { return *mediaInfoDataRecord; }
FFprobeData PlayerWidget::ffprobeData() const { return *ffprobeDataRecord; }

// ---------------------------------------------------------------------------------------
// Messages, load state, track lists

// The value types are part of the message: "changeTestMode" as an int changes nothing.
void PlayerWidget::processBridgeMessage(const QString &message, bool value)
{
    if (message != QLatin1String("changeTestMode"))
        return;
    preferences.testMode = value;
    updatePlayIcons();
}

void PlayerWidget::processBridgeMessage(const QString &message, int value)
{
    if (message == QLatin1String("changeVolume"))
        preferences.volume = value;
}

void PlayerWidget::updateControlsOnLoading(int state)
{
    switch (state) {
    case Qt::Unchecked:
    case Qt::PartiallyChecked:
        clearTrackControls();
        for (QPushButton *button : {playButton, pauseButton, slowerButton, fasterButton,
                                    prevChapterButton, nextChapterButton, backwardButton,
                                    forwardButton})
            button->setEnabled(false);
        trackGroup->setEnabled(false);
        trackGroup->setTitle(tr("Stream selection"));
        break;
    case Qt::Checked:
        clearTrackControls();
        setControlsEnabled(true);
        if (mediaKind == 1 || mediaKind == 2)
            populateTitles();
        trackGroup->setTitle(mediaKind == 2 ? tr("DVD title selection") : tr("Stream selection"));
        trackGroup->setEnabled(mediaKind == 1 || mediaKind == 2);
        break;
    default:
        qCDebug(lcPlayer) << "PlayerWidget::updateOnLoad() unexpected state" << state
                          << "(ignored)";
        break;
    }
}

void PlayerWidget::clearTrackControls()
{
    qCDebug(lcPlayer) << "PlayerWidget: clear track controls";
    struct Placeholder
    {
        QComboBox *PlayerWidget::*combo;
        const char *text;
    };
    // The blanks give the two main lists their width before anything is loaded.
    static const Placeholder placeholders[] = {
        {&PlayerWidget::titleCombo,
         QT_TR_NOOP("Video                                                     ")},
        {&PlayerWidget::audioCombo, QT_TR_NOOP("Audio                             ")},
        {&PlayerWidget::subtitleCombo, QT_TR_NOOP("Subtitle")},
        {&PlayerWidget::angleCombo, QT_TR_NOOP("Angle")},
    };
    for (const Placeholder &entry : placeholders) {
        QComboBox *combo = this->*entry.combo;
        combo->clear();
        combo->addItem(tr(entry.text));
        combo->setEnabled(true);
    }
}

void PlayerWidget::setListToolTips()
{
    for (QComboBox *combo : {titleCombo, audioCombo, subtitleCombo, angleCombo})
        combo->setToolTip(combo->currentText());
}

void PlayerWidget::stopLoadDvd()
{
    dvdLoadAborted = true;
}

void PlayerWidget::stopUpdateFontCache()
{
    fontCacheAborted = true;
}
