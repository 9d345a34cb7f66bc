#pragma once

#include "encoder/records/encodingsource.h"
#include "engines/movieinfo.h"
#include "engines/playbackinfo.h"
#include "engines/titleinfo.h"
#include "jobs/playerpreferences.h"

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class DvdTitleLoad;
class FFprobeData;
class LoadScheduler;
struct DiskInfo;
struct DiskTitle;
struct InterfaceStatus;
class MediaInfoData;
class LoadProcess;
class Player;
class ProgressWidget;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTextEdit;
class QTimer;
class RendererFrame;
class TimecodeWidget;
struct VideoInfo;
struct PlayerCapabilities;
struct PlayerStatus;

// The player panel: a video area that MPlayer draws into, the playback buttons, the time
// code and chapter number, a timeline and the track lists. Every command line, slave
// command and parser comes from its Player facade; the panel owns the playback process,
// the poll timer and the widgets. Three places build one: the main window, the extended
// main window (a MervoPlayerWidget) and the player dialog.
class PlayerWidget : public QWidget
{
    Q_OBJECT

public:
    // The largest renderer of the maximum zoom; a factor above MaximumZoomThreshold asks for it.
    static constexpr int MaximumZoomWidth = 1366;
    static constexpr int MaximumZoomHeight = 768;
    static constexpr double MaximumZoomThreshold = 2.0;

    // A null preferences pointer keeps the defaults. The consoles may be null; the panel
    // does not own them. Building the panel runs the facade's engine status queries.
    PlayerWidget(QWidget *consoleWindow, const QString &mplayerBinPath,
                 const QString &mediaInfoBinPath, const QString &ffprobeBinPath,
                 QTextEdit *stdInConsole, QTextEdit *stdOutConsole, QTextEdit *stdErrConsole,
                 QTextEdit *logConsole, int verbosity, const PlayerPreferences *preferences,
                 QWidget *parent = nullptr);
    ~PlayerWidget() override;

    void setPreferences(const PlayerPreferences &preferences);
    void setVerbosity(int level);
    void setMPlayerBinPath(const QString &path);
    void setMediaInfoBinPath(const QString &path);
    void setFFprobeBinPath(const QString &path);
    void setControlsEnabled(bool enabled);
    void setTrackSelectionEnabled(bool enabled);
    void updatePlayIcons();
    void clearLogConsole();
    void clearStdInConsole();
    void clearStdOutConsole();
    void clearStdErrConsole();

    QString utilityBinary(int utility) const;
    QString utilityVersion(int utility) const;
    QString inputPath() const;
    // The kind of the input loaded last: 1 media file, 2 DVD.
    int inputKind() const { return mediaKind; }
    PlayerCapabilities playerCapability() const;
    PlayerStatus playerStatus() const;
    InterfaceStatus mediaInfoStatus() const;
    InterfaceStatus ffprobeStatus() const;
    MediaInfoData mediaInfoData() const;
    FFprobeData ffprobeData() const;

    // Zoom: 0 fits the video into the display size from now on (autoZoom), a factor above
    // 2 gives the largest picture that fits 1366 by 768. Every zoom keeps within the room
    // the window leaves for the picture on its screen (setZoomRoom), its shape kept.
    void setZoom(double factor);
    // The most room the picture may take, as the window reckons it; until it is given, the
    // screen's (widened to 1366 by 768).
    void setZoomRoom(const QSize &room);
    QSize currentRendererSize() const { return rendererSize; }
    double fitZoom() const;
    // The available size of the screen the panel is on; the renderer never grows past it
    // (nor past the maximum-zoom box on a smaller screen).
    QSize screenSize() const;
    void setRendererActive(bool active);

    // Panel consoles: a line reaches its console when its level is at most the verbosity,
    // and the panel then handles pending events once; without the console the line goes
    // to the debug output whatever its level.
    void log(const QString &text, int level);
    void logStdOut(const QString &text, int level);
    void logStdErr(const QString &text, int level);

    // How many panels are loading a source right now. A load handles the window's events
    // while its engines run, so the window must not go away meanwhile.
    static int loadsInProgress();
    // What the last load of a file could not learn, for the user: an engine that did not
    // answer in time, and what is unknown for it. Empty when it learnt all.
    QStringList loadNotes() const { return m_loadNotes; }

    // Runs the status runs again of those engines (MPlayer, MediaInfo, FFprobe) whose last
    // one did not answer in time.
    void askLateEnginesAgain();
    // Whether MPlayer is usable; with updateFontCache it also runs MPlayer once to build
    // its subtitle font cache (false when that run does not start in time).
    bool isReady(bool updateFontCache);

    // Starts a playback of the current selection: true when the engine started (or already
    // plays). The caller marks the panel as playing (play(), switchState()).
    bool startPlayback();
    // Ends a running playback: "quit", then a kill when it does not end in time.
    bool stopPlayback();
    // Stops and shows the stopped controls; used when errors abort a playback.
    void stop();
    // Starts a playback unless one runs, for the player dialog.
    void play();

    // The selection as the encoding side reads it; reset records when nothing is selected.
    void currentTrackCounts(int *video, int *audio, int *subtitle) const;
    VideoInfo currentVideoInfo() const;
    AudioInfo currentAudioInfo() const;
    // Every audio stream of the selected title or movie, the chosen one among them.
    QList<AudioInfo> currentAudioStreams() const;
    // What the engines measured of the loaded file, or of the chosen DVD title its field order.
    SourceFacts currentSourceFacts() const;
    SubtitleInfo currentSubtitleInfo() const;
    // Every subtitle stream of the selected title or movie, the chosen one among them.
    QList<SubtitleInfo> currentSubtitleStreams() const;
    // The loaded source and everything chosen in it, as the encoding side takes it: the
    // chosen streams, the streams they are chosen among and what was measured of them.
    EncodingSource currentSource() const;
    // Whether the lists offer "No video" and "No audio"; the player dialog turns it off.
    void setStreamChoices(bool offered) { noStreamChoices = offered; }

    // The item texts of the track lists.
    static QString dvdTitleText(const TitleInfo &title);
    static QString movieVideoText(const MovieInfo &movie);
    static QString movieAudioText(const AudioInfo &audio);
    static QString dvdAudioText(const AudioInfo &audio);

    // Loads a movie file (kind 1) or a DVD folder (kind 2): true when the source is loaded.
    // A failed load leaves nothing loaded; an unknown kind changes nothing.
    bool setInput(const QString &path, int kind);
    // True when the path exists and is a folder; otherwise tells the user why not.
    bool checkDvdPath(const QString &path);

    // Read, and for autoZoom written, by the main window directly.
    QCheckBox *loadStateBox = nullptr;
    bool playing = false;
    bool noVideo = false;
    int audioIndex = -1;
    int subtitleIndex = -1;
    bool autoZoom = false;

signals:
    void guiSizeAdjustRequest();
    void stateChanged(bool playing);
    void selectionChanged();
    // A load waits on the storage its source is on (see SlowReadWatch), or no longer does.
    void storageWaitChanged(bool waiting);

public slots:
    void playerEnded(int exitCode, QProcess::ExitStatus exitStatus);
    void pollCurrentTime();
    void readStandardOutput();
    void readStandardError();
    void monitorPlaybackErrors();
    void timeLineChanged(int value);
    void switchState();
    void switchPause();
    void switchFaster();
    void switchSlower();
    void prevChapter();
    void nextChapter();
    void prev();
    void next();
    void selectTitleByUser(int index);
    void selectTitle(int index);
    void selectAudio(int index);
    void selectSubtitle(int index);
    void selectAngle(int index);
    void setListToolTips();
    void processBridgeMessage(const QString &message, bool value);
    void processBridgeMessage(const QString &message, int value);
    void centerRenderer();
    void updateControlsOnLoading(int state);
    void stopLoadDvd();
    void stopUpdateFontCache();

protected:
    void resizeEvent(QResizeEvent *event) override;

    void createIcons();
    void createButtons();
    void createDisplay();
    void createTrackGroup();
    void layOut();
    void connectSignals();
    void connectLoadState();
    void connectBridge();
    // Hands the renderer's window id to the facade and picks the video output.
    void attachRenderer();
    void renewPlaybackProcess();
    void chooseVideoOutput();
    // A listed output that fails on this display leaves the picture black: the playback
    // starts again through the next output that has not failed.
    void playWithNextVideoOutput();
    void takeRecords();
    void showAudioPixmap();
    void clearTrackControls();
    void clearSourceDisplay();
    static void clearConsole(QTextEdit *console);

    // The steps of setInput; the extended panel clears its consoles first, makes a file's
    // progress window modal, marks the panel loaded before it records the source and
    // decides itself whether the source has video.
    bool loadInput(const QString &path, int kind, bool extended);
    // The loaders of setInput: each fills the panel's records and tells the user of its
    // own failures.
    bool loadDvd(const QString &path);
    bool loadFile(const QString &path);
    // The identify run of a file made again with longer time-outs, after one that did not
    // answer in time.
    std::unique_ptr<LoadProcess> askIdentifyAgain(const QString &program, const QStringList &arguments,
                                                  const QByteArray &input);
    // Says (in the log, and to the window through loadNotes()) what the load could not learn.
    void noteLoad(const QString &note);
    std::unique_ptr<Player> identifyFacade(const QString &path, int logLevel) const;
    // The runs of the titles of the disc entry, and showing each title's results in turn.
    void startDvdTitleLoads(Player &dvdPlayer, const QString &path, const DiskInfo &disk,
                            const QString &windowId, LoadScheduler &scheduler,
                            std::vector<std::unique_ptr<DvdTitleLoad>> &loads);
    static TitleInfo dvdTitleRecord(const DiskTitle &entry, int number);
    bool showDvdTitle(const DiskTitle &entry, int number, DvdTitleLoad *load);
    // Steps of the loaders.
    void stepProgress();
    void showLoadFailure(const QString &text, const QString &informativeText);
    // A load's engine run that did not start: a program that could not be run at all is
    // named, else the start latency is to blame. `timedOut` is the log line of the latter.
    void showStartFailure(const LoadProcess &run, const QString &program, const QString &failureText,
                          const QString &timedOut);
    void echoCommand(const QString &program, const QStringList &arguments);
    void logDvdStdErr(const QByteArray &line);
    void showNoTitleFailure(const QString &path, const DiskInfo &disk);
    // The movie record's corrections from the MediaInfo and FFprobe analyses.
    void correctMovieInfo();
    void measureDvdFields(const QString &path);
    // A title that FFprobe found to be film whose pictures repeat fields: its rate is the film's.
    void takeFilmRate(TitleInfo &title, double filmRate);
    void applyFacts(MovieInfo &movie, int picture);

    // Track lists.
    void populateTitles();
    void populateDvdAudio(int title);
    void populateDvdSubtitles(int title);
    void populateDvdAngles(int title);
    void populateMovieAudio(const MovieInfo &movie);
    void populateMovieSubtitles(const MovieInfo &movie);
    void populateMovieAngles(const MovieInfo &movie);
    const TitleInfo *titleRecord(int title) const;

    // Playback.
    void writeCommand(const QString &text);
    void writePoll(const QString &text);
    bool setPlaybackOptions();
    void setSubtitleOption(const QList<SubtitleInfo> &streams);
    void applyPlaybackAnswer(int code, const PlaybackAnswer &answer);
    double dvdTimeOffset(double newPosition);
    void applyStoppedControls();
    void showPlayingButton();
    bool seekable() const;
    double playbackLength() const;
    void stepBack(int step);
    void stepForward(int step, double length);

    // Configuration.
    QWidget *consoleWindow;
    QString mplayerBinPath;
    QString mediaInfoBinPath;
    QString ffprobeBinPath;
    QTextEdit *stdInConsole;
    QTextEdit *stdOutConsole;
    QTextEdit *stdErrConsole;
    QTextEdit *logConsole;
    int verbosity;
    PlayerPreferences preferences;

    // Engine objects.
    Player *player = nullptr;
    QProcess *playbackProcess = nullptr;
    QTimer *pollTimer = nullptr;
    PlayerCapabilities *playerCapabilitiesRecord = nullptr;
    PlayerStatus *playerStatusRecord = nullptr;
    InterfaceStatus *mediaInfoStatusRecord = nullptr;
    MediaInfoData *mediaInfoDataRecord = nullptr;
    InterfaceStatus *ffprobeStatusRecord = nullptr;
    FFprobeData *ffprobeDataRecord = nullptr;
    QStringList *playbackErrors = nullptr;
    QString videoOutput;              // the output the next playback uses; empty for none
    QStringList failedVideoOutputs;   // outputs the player could not open on this display
    ProgressWidget *progressWidget = nullptr;

    // Widgets.
    QIcon playIcon, playFastIcon, playExcerptIcon, playExcerptFastIcon, stopIcon,
        stopExcerptIcon, slowIcon, slowExcerptIcon, fastIcon, fastExcerptIcon;
    QPushButton *playButton = nullptr;
    QPushButton *pauseButton = nullptr;
    QPushButton *slowerButton = nullptr;
    QPushButton *fasterButton = nullptr;
    QPushButton *prevChapterButton = nullptr;
    QPushButton *nextChapterButton = nullptr;
    QPushButton *backwardButton = nullptr;
    QPushButton *forwardButton = nullptr;
    QLabel *chapterLabel = nullptr;
    TimecodeWidget *timecodeWidget = nullptr;
    QFrame *displayFrame = nullptr;
    RendererFrame *renderer = nullptr;
    QLabel *audioPicture = nullptr;
    QPixmap audioPixmap;
    QSlider *timeLine = nullptr;
    QGroupBox *trackGroup = nullptr;
    QComboBox *titleCombo = nullptr;
    QComboBox *audioCombo = nullptr;
    QComboBox *subtitleCombo = nullptr;
    QComboBox *angleCombo = nullptr;

    // Load state and source.
    QString sourcePath;
    QString sourceName;
    int mediaKind = 1;
    int titleCount = 0;
    int mainTitle = 0;
    QList<TitleInfo> titles;
    MovieInfo movieInfo;
    bool noStreamChoices = true;
    bool dvdLoadAborted = false;
    bool loading = false;
    bool fontCacheAborted = false;
    // What the last file load could not learn (engines that did not answer in time).
    QStringList m_loadNotes;

    // Selection and playback.
    int selectedTitle = 0;
    int angleIndex = -1;
    bool normalSpeed = true;
    bool paused = false;
    double position = 0.0;
    int currentChapter = 0;
    int chapterCursor = 0;

    // Display size and zoom.
    QSize videoSize;
    QSize rendererSize;
    double zoom = 1.0;
    QSize zoomRoom; // invalid until the window gives it
};
