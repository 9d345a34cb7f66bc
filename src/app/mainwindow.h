#pragma once

#include "app/enginepaths.h"
#include "app/enginereadiness.h"
#include "engines/interfacestatus.h"
#include "jobs/encodingtaskdata.h"
#include "jobs/preferences.h"

#include <QMainWindow>
#include <QProcess>
#include <QStringList>

class AdvancedMonitorWidget;
class EncoderWidget;
class JobManager;
class JobManagerDialog;
class JobManagerWidget;
class MainWidget;
class PlayerWidget;
class Process;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QMessageBox;
class QTextEdit;
class Task;
class Console;
class Encoder;
struct EncodingSource;

// The application window: menus, a status bar, the player panel above the encoder panel,
// the four console views with the advanced monitor that mirrors them, and the job manager
// with its window. It reads its settings when built and writes them when it closes.
//
// The program always runs the extended window. This window builds its panels and job
// machinery through a parts builder: its own builds the base classes with the default
// engine paths; the extended window hands the constructor one that reads the paths it keeps
// and builds the extended classes in the same places, so that every panel is built once
// and queries its engines once.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int RecentCount = 5;

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void initialize();
    void log(const QString &text, int level);
    void applyVerbosity();
    bool enginesReady();
    // Copies of the status records the engines' status windows show.
    InterfaceStatus ffmpegStatus() const;
    InterfaceStatus mencoderStatus() const;
    // The five engines every window needs. Not virtual: a command the extended window
    // inherits (opening a media file) runs this check, its own commands run its own.
    void checkEnginesReady();

    // Read by the shell and the tests.
    bool saveSettingsOnExit() const { return m_saveSettingsOnExit; }
    // Whether the window has gone its closing road (it is deleted later).
    bool hasClosed() const { return m_closed; }
    // How many routines that handle events in a loop of their own hold the window now.
    int deletionHolds() const { return m_deletionHolds; }
    int verbosity() const { return m_verbosity; }
    bool consoleButtonShown() const { return m_consoleButton; }
    const Preferences &preferences() const { return m_preferences; }
    QString targetFolder() const { return m_targetFolder; }
    QString targetName() const { return m_targetName; }
    QString enginePath(EnginePaths::Engine engine) const { return m_paths[engine]; }
    PlayerWidget *playerWidget() const { return m_playerWidget; }
    EncoderWidget *encoderWidget() const { return m_encoderWidget; }
    MainWidget *mainWidget() const { return m_mainWidget; }
    JobManager *jobManager() const { return m_jobManager; }
    JobManagerDialog *jobManagerDialog() const { return m_jobManagerDialog; }
    AdvancedMonitorWidget *advancedMonitor() const { return m_monitor; }
    QTextEdit *logView() const { return m_logView; }
    QLabel *statusLabel() const { return m_statusLabel; }

signals:
    void encodingComplete(Process *process);
    void movieLoaded(int kind);

public slots:
    void adjustGuiSize();
    // The program was asked to end by the system or its terminal (SIGTERM, SIGHUP, SIGINT,
    // SIGQUIT): the window closes by its closing road without asking anything; running jobs
    // are aborted as "Abort all and close" would, the settings saved. Boxes the window shows
    // are dismissed.
    void closeOnSignal();

protected slots:
    void onMovieLoaded(int kind);
    void processBridgeMessage(const QString &message, bool value);
    void processBridgeMessage(const QString &message, int value);
    void processBridgeMessage(const QString &message, void *data);
    void readJobProcessStdOut(Process *process);
    void readJobProcessStdErr(Process *process);
    void finishJobProcess(Process *process, int exitCode, QProcess::ExitStatus exitStatus);
    void startProcessConsole(Task *task);
    void updateEncoderInput();
    void updateJobMenu();
    void enableVideoOpenActions(bool playing);
    void openDvd();
    void openFile();
    void openRecentMovie();
    void clearRecent();
    void setTarget();
    void openTargetOnDesktop();
    void toggleJobManager();
    void updateJobManagerMenu();
    void jobEncodeVcd();
    void jobEncodeSvcd();
    void jobEncodeXvid();
    void jobSplitMovie();
    void showFFmpegStatus();
    void showFFmpegCapability();
    void showMEncoderStatus();
    void showMEncoderCapability();
    void showPlayerStatus();
    void showPlayerCapability();
    void showMediaInfoStatus();
    void showMediaInfo();
    void showFFprobeStatus();
    void showFFprobe();
    void changeZoom();
    void toggleConsoleButton();
    void toggleAdvancedMonitor();
    void updateAdvancedMonitorMenu();
    void resetAdvancedMonitor();
    void clearAdvancedMonitor();
    void changeVerbosity();
    void showPreferences();
    void clearAllSettings();
    void about();
    void onlineHelp();
    void onlineFaq();
    void checkUpdate();
    void credits();

protected:
    // How long the status bar shows a refusal, and the result of a finished action.
    static constexpr int RefusalTimeout = 3000;
    static constexpr int ResultTimeout = 5000;

    // What the panels and the job machinery are built from.
    struct Places
    {
        MainWindow *window;
        const QString *paths; // by EnginePaths::Engine
        QTextEdit *stdIn, *stdOut, *stdErr, *log;
        int verbosity;
        Preferences *preferences;
        bool consoleButton;
    };
    // Builds a window's panels and job machinery into their places; this one the base
    // classes. The job manager dialog's view is given the job manager.
    class PartsBuilder
    {
    public:
        virtual ~PartsBuilder() = default;
        // Overwrites the default engine paths with the ones the window keeps (none here).
        virtual void readEnginePaths(QString *paths) const;
        virtual JobManager *jobManager(const Places &places) const;
        virtual JobManagerDialog *jobManagerDialog(const Places &places, JobManager *manager) const;
        virtual PlayerWidget *playerWidget(const Places &places) const;
        virtual EncoderWidget *encoderWidget(const Places &places, JobManager *manager) const;
    };
    MainWindow(const PartsBuilder &builder, QWidget *parent);

    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

    // Held by a routine of the window that handles events in a loop of its own while it
    // runs (MPlayer's font-cache run after the window shows or after an engine path is
    // chosen, whose file chooser's loop is not a NestedLoop): the window is deleted only once
    // the last hold is gone, so the routine never goes on in a deleted window.
    class DeletionHold
    {
    public:
        explicit DeletionHold(MainWindow *window);
        ~DeletionHold();
        DeletionHold(const DeletionHold &) = delete;
        DeletionHold &operator=(const DeletionHold &) = delete;

    private:
        MainWindow *m_window;
    };
    // Deletes the window later once no hold and no nested loop keeps it any more.
    void releaseDeletion();
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

    // Construction steps.
    void setDefaultEnginePaths();
    void readWindowSettings();
    void readOptionSettings();
    void readInputOutputSettings();
    void readPreferenceSettings();
    void readMonitorSettings();
    // Each returns whether the store was written (a read-only folder, or a folder in the
    // settings file's place, makes every save fail). The extended window saves its engine
    // paths in saveEditionSettings, right after the base settings.
    bool saveSettings();
    virtual bool saveEditionSettings() { return true; }
    // Loads through the player panel as the extended panel does (its consoles emptied first,
    // a modal progress window); this window's panel loads as the base one.
    virtual bool setExtendedInput(const QString &path, int kind);
    // Tells the user that this run's settings were not saved: on the terminal always, in a box
    // unless the program is ending by a signal.
    void tellSettingsNotSaved();
    void createActions();
    void createMenus();
    void createStatusBar();
    void createWidgets(const PartsBuilder &builder);
    void connectWidgets();
    void updateRecentMenu();

    // One job of the Job menu as its builder hands it to a start routine.
    struct MenuJob
    {
        int type = 0;
        QString program;
        QStringList arguments;
        QString id;
        QString title;
        QString text;
        QString name;
        // Why no command could be built (the engine is not ready or cannot do it).
        QString refusal;
    };
    enum class Target { Vcd, Svcd, Xvid };
    // Builds the command of a target job into the job's own encoder (made by the caller
    // with the window's consoles); the encoder then holds the source and the output target.
    MenuJob buildTargetJob(Target target, Encoder &encoder);
    void startTargetJob(Target target);
    // Queues a job of one task after its trial run; a refusal (why no command could
    // be built) is reported as the engine's answer and nothing is queued.
    void startEncodingJob(const QString &program, const QStringList &arguments,
                          const QString &id, const QString &title, const QString &text,
                          const QString &name, Encoder *encoder, int type,
                          const QString &refusal = QString());
    // The steps every start routine shares. Each reports its failure to the user and
    // returns false. The folder box names the job in rich text unless `plain`.
    bool makeOutputFolder(const QString &folder, const QString &id, const QString &title,
                          bool plain);
    // Clears the three process views and test-runs the command; its failure box names
    // `failed` and fills `detailTemplate` with the name, output, command and answer.
    bool trialRun(Encoder &encoder, int type, const QString &program,
                  const QStringList &arguments, const QString &output, const QString &id,
                  const QString &title, const QString &failed, const QString &detailTemplate,
                  const QString &name, const QString &refusal);
    void reportStartFailure(const QString &title, const QString &text,
                            const QString &informative, const QString &detailed,
                            const QString &cancelled);
    static void showRichInformative(QMessageBox &box);
    static QString commandDetails();
    // The task values of a menu job: nine, or the first seven for the two passes.
    static EncodingTaskData *taskValues(Task *task, int type, const EncodingSource &source,
                                        const QString &output, const QString &muxer, int count);
    QString jobName(const EncodingSource &source) const;
    static QString withStandard(const QString &title, const EncodingSource &source);
    // Job entries that are off say why, in the tool tip the Job menu shows on them.
    static void offerEntry(QAction *entry, const QString &refusal);
    // Why an entry that needs these engines ready and a loaded file is off; empty when
    // neither stands in the way.
    QString inputRefusal(const QList<int> &engineTypes) const;
    static QString streamCountText(int video, int audio, int subtitle);
    // Opening inputs (both windows; `extended` loads through the extended player panel).
    // False, after the readiness report, when the engines are not ready.
    bool readyToOpen();
    // Before a load: encoder controls off, events handled and, for the base window, the
    // consoles cleared.
    void prepareLoading(bool clearConsoles);
    static QString dvdFolderOf(const QString &chosen);
    void openDvdFolder(bool extended);
    void openRecentEntry(bool extended);
    // Loads through the player panel and reports in the status bar; on success remembers
    // the input, names the target and emits movieLoaded(kind). A failed recent entry
    // (non-empty) leaves the list.
    bool loadInput(const QString &path, int kind, bool extended, const QString &recentEntry = QString());
    void setCurrentDvdPath(const QString &path);
    void setCurrentFilePath(const QString &path);
    void removeRecentMovie(const QString &entry);
    void defaultTargetName(int kind);
    // A cancelled chooser: the text given when nothing is loaded, else that the loaded
    // input stays.
    void reportCancelledChoice(const QString &nothingLoaded);
    // The user's movies folder, else documents, else home: the first that exists.
    static QString desktopFolder();

    // Tells in the status bar and the log that the desktop did not open a folder or page.
    void reportDesktopRefusal(const QString &what);
    static constexpr int DesktopRefusalTimeout = 5000;

    // The largest picture the window can show with its panels and bars within its screen.
    QSize zoomRoom() const;

    // Asks whether running jobs may be aborted; true when none run or the user agreed.
    bool confirmAbortJobs();
    void waitForKilledJobs();
    // Whether a close must wait: for a load, a command's trial, an analysis or any other
    // routine that handles events in a nested loop (NestedLoop), for a box the window shows,
    // or for a close already under way. It is then asked again a little later, once.
    bool closeMustWait() const;
    void retryClose();
    void dismissBoxes();
    // The box (when one is not ready), the log lines, and the no-input state when one of
    // the five engines the window needs is missing.
    // The readiness of an encoding engine and of the player panel's three (MPlayer,
    // MediaInfo, FFprobe), with why those not ready are not.
    EngineReadiness::Item encoderItem(int type, bool ready) const;
    QList<EngineReadiness::Item> playerItems(bool backEnd, bool mediaInfo, bool ffprobe) const;
    // Asks again the engines whose status run did not answer in time (the machine that was
    // busy at start-up may not be now), before the window calls them not ready.
    void askLateEnginesAgain();
    void reportReadiness(const QList<EngineReadiness::Item> &boxItems,
                         const QList<EngineReadiness::Item> &logItems);
    // A copy of an encoding engine's (type 1 to 4) last status query; a reset record for an
    // engine that was never set up.
    InterfaceStatus engineStatus(int type) const;
    // The status and capability windows of an encoding engine (type 1 to 4).
    void showEncoderStatus(const QString &engineName, InterfaceStatus status);
    void showEncoderCapability(const QString &engineName, int type);
    void setCapabilityEntries();
    // "Show MPlayer capabilities" follows the back-end's state at once; MPlayer's font-cache
    // run, which the readiness with update waits for, goes once the window shows.
    void enablePlayerCapability();
    // The encoder of the panel: it holds the records of its encoding engines.
    Encoder *encoder() const;
    // Clears the settings stores and asks the shell for a restart; the edition names the
    // second store it clears.
    void clearSettingsAndRestart(const QString &otherApplicationName);

    Console *m_console;
    QString m_windowTitle;
    QString m_dvdPath;
    QString m_filePath;
    QString m_loadingText; // what the status bar says while a source loads
    QStringList m_recent;
    QString m_targetFolder;
    QString m_targetName;
    QString m_paths[EnginePaths::EngineCount];

    QLabel *m_statusLabel = nullptr;
    MainWidget *m_mainWidget = nullptr;
    PlayerWidget *m_playerWidget = nullptr;
    EncoderWidget *m_encoderWidget = nullptr;
    JobManager *m_jobManager = nullptr;
    JobManagerDialog *m_jobManagerDialog = nullptr;
    JobManagerWidget *m_jobManagerWidget = nullptr;
    AdvancedMonitorWidget *m_monitor = nullptr;
    QTextEdit *m_logView = nullptr;
    QTextEdit *m_stdInView = nullptr;
    QTextEdit *m_stdOutView = nullptr;
    QTextEdit *m_stdErrView = nullptr;

    bool m_saveSettingsOnExit = true;
    bool m_consoleButton = false;
    int m_verbosity = 1;
    bool m_jobsAbortConfirmed = false;
    // The engines the readiness box named not ready, each with its path and lack, until it is
    // ready: what was told is said again in the status bar, not in a box at every open.
    QSet<QString> m_notReadyTold;
    bool m_closing = false;
    bool m_closed = false;
    bool m_closeRetryPending = false;
    bool m_closeOnSignal = false;
    int m_deletionHolds = 0;
    bool m_deletionHeld = false;
    Preferences m_preferences;

public:
    // Menus and actions (the tests walk them; the extended window inserts relative to them).
    QMenu *fileMenu = nullptr, *jobMenu = nullptr, *encoderMenu = nullptr, *playerMenu = nullptr,
          *optionsMenu = nullptr, *helpMenu = nullptr;
    QMenu *enginesMenu = nullptr, *ffmpegMenu = nullptr, *mencoderMenu = nullptr,
          *zoomMenu = nullptr, *backendMenu = nullptr, *verbosityMenu = nullptr;
    QAction *openDvdAction = nullptr, *openFileAction = nullptr, *clearRecentAction = nullptr,
            *setTargetAction = nullptr, *openTargetAction = nullptr, *exitAction = nullptr;
    QAction *recentActions[RecentCount] = {};
    QAction *showJobManagerAction = nullptr, *encodeVcdAction = nullptr,
            *encodeSvcdAction = nullptr, *encodeXvidAction = nullptr, *splitAction = nullptr,
            *jobSeparator = nullptr;
    QAction *mencoderCapabilityAction = nullptr, *mencoderStatusAction = nullptr,
            *ffmpegCapabilityAction = nullptr, *ffmpegStatusAction = nullptr;
    QAction *playerCapabilityAction = nullptr, *playerStatusAction = nullptr,
            *mediaInfoStatusAction = nullptr, *ffprobeStatusAction = nullptr,
            *mediaInfoAction = nullptr, *ffprobeInfoAction = nullptr;
    QAction *zoomActions[7] = {};
    QActionGroup *zoomGroup = nullptr;
    QAction *consoleButtonAction = nullptr, *monitorAction = nullptr,
            *restoreMonitorAction = nullptr, *clearMonitorAction = nullptr;
    QAction *quietAction = nullptr, *normalAction = nullptr, *verboseAction = nullptr;
    QActionGroup *verbosityGroup = nullptr;
    QAction *preferencesAction = nullptr, *clearSettingsAction = nullptr, *helpAction = nullptr,
            *faqAction = nullptr, *updateAction = nullptr, *creditsAction = nullptr,
            *aboutAction = nullptr;
};
