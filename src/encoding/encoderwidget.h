#pragma once

#include "encoding/encoderpreviewdialog.h"
#include "player/playersetup.h"
#include "jobs/encoderpreferences.h"
#include "encoder/encodingstep.h"
#include "jobs/encodingtaskdata.h"

#include <QPointer>
#include <QProcess>
#include <QWidget>

#include <functional>

class ActiveComboBox;
class Configurator;
class Encoder;
class Job;
class JobManager;
class JobManagerWidget;
class Process;
class QCheckBox;
class QFileSystemWatcher;
class QTimer;
class QFrame;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTextEdit;
class QVBoxLayout;
class Task;
struct EncodingJob;
struct EncodingSource;
class MediaInfoData;

// The encoder panel below the player: the user's choice of container and codecs, the output
// folder and name, audio correction and preview switch, and the start button. It turns the
// choice into an encoding job (queued in the main window's job manager) or a preview (run in
// its own job manager and shown in the preview window), and finalises MEncoder's results.
class EncoderWidget : public QWidget
{
    Q_OBJECT

public:
    EncoderWidget(QWidget *consoleWindow, JobManager *mainJobManager, const QString &ffmpegPath,
                  const QString &mencoderPath, QTextEdit *stdIn, QTextEdit *stdOut,
                  QTextEdit *stdErr, QTextEdit *log, int verbosity,
                  EncoderPreferences *preferences, QWidget *parent = nullptr);
    ~EncoderWidget() override;

    void setPlayerSetup(QWidget *consoleWindow, const QString &mplayerPath,
                        const QString &mediaInfoPath, const QString &ffprobePath,
                        QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                        int verbosity, const PlayerPreferences *preferences);
    // The player engines of the preview and of the analysis of finished files.
    void setPlayerBinPaths(const QString &mplayerPath, const QString &mediaInfoPath,
                           const QString &ffprobePath);
    void setPreferences(const EncoderPreferences &preferences);
    void setEngineBinPath(int type, const QString &path);
    void enginesReady(bool &ffmpegReady, bool &mencoderReady);
    QString engineBinary(int type) const;
    QString engineVersion(int type) const;
    EncodingSource encodingSource() const;
    // A copy of the values that lives exactly as long as the task that points at it.
    static EncodingTaskData *newTaskData(Task *task, const EncodingTaskData &values);
    void enableControls(bool enable);
    void setVerbosity(int level);
    void setSaveSettingsOnExit(bool save);
    void setTarget(const QString &folder, const QString &baseName);
    void setConsoleButton(bool show);
    void initEncoder();
    virtual void onMovieLoaded(const QString &path, int kind);
    // What the player loaded and what was chosen in it (its path and kind are those of
    // onMovieLoaded); `inputReady`: loaded and not playing.
    void updateInput(const EncodingSource &chosen, bool inputReady);
    void log(const QString &text, int level);
    bool runEncoding();
    bool queueAspectCorrection(const QString &analysed, const QString &output, double aspect,
                               int duration, bool preview, QLayout *layout);
    bool queueMp3Extraction(const QString &intermediate, const QString &output, int duration,
                            bool preview, QLayout *layout);

    // For the main window and the tests.
    Encoder *encoder() const { return m_encoder; }
    JobManager *ownJobManager() const { return m_ownJobManager; }
    JobManagerWidget *jobView() const { return m_jobView; }
    EncoderPreviewDialog *previewDialog() const { return m_preview; }
    QPushButton *startButton() const { return m_startButton; }
    QPushButton *configureButton() const { return m_configureButton; }
    QCheckBox *previewBox() const { return m_previewBox; }
    QSpinBox *audioCorrection() const { return m_audioCorrection; }
    ActiveComboBox *formatCombo() const { return m_formatCombo; }
    ActiveComboBox *videoCombo() const { return m_videoCombo; }
    ActiveComboBox *audioCombo() const { return m_audioCombo; }
    ActiveComboBox *subtitleCombo() const { return m_subtitleCombo; }
    QLabel *profileLabel() const { return m_profileLabel; }
    QLineEdit *pathEdit() const { return m_pathEdit; }
    QLineEdit *fileEdit() const { return m_fileEdit; }
    QWidget *codecBar() const { return m_codecBar; }
    // One encoding as both panels start it: a unique output and the steps that make the
    // current choice, which Start tries before it queues them.
    struct EncodingCommand
    {
        QString output;
        QList<EncodingStep> steps;
        int frames = 0;
        bool test = false;
    };
    // The steps Start would try and queue for the current choice, none with the reason when
    // no road leads there, and the values of a step's task; nothing runs. The real-engine
    // tables run them themselves.
    EncodingCommand plannedCommand(QString &refusal);
    EncodingTaskData plannedTaskValues(const EncodingCommand &command, const EncodingStep &step);
    // The job is the panel's: its output's name is taken until it ends. The real-engine
    // tables hand it the jobs of the commands they ran.
    void adoptJob(Job *job, const QString &output);
    bool isRunning() const { return m_running; }
    bool isReady() const { return m_ready; }
    bool isAborted() const { return m_aborted; }
    bool canEncode() const { return m_canEncode; }

signals:
    void encodingComplete(Process *process);
    void optionsChanged();

public slots:
    void readJobProcessStdOut(Process *process);
    void readJobProcessStdErr(Process *process);
    void finishJobProcess(Process *process, int exitCode, QProcess::ExitStatus status);
    void finalizeEncoding(Process *process);
    void startProcessConsole(Task *task);
    void abortedByUser();
    void selectMuxer();
    void selectVideo();
    void selectAudio();
    void selectSubtitle();
    virtual void switchState();
    void codecBarFlipFlop();
    virtual void configure();
    void loadProfileSettings();
    void switchTestMode(int state);
    void adjustAudioCorrection(int dB);

protected:
    void resizeEvent(QResizeEvent *event) override;

    // One finished task as the finalising step sees it.
    struct Ending
    {
        Task *task = nullptr;
        void *container = nullptr;
        int elapsedSeconds = 0;
    };
    // The shared finalising road of both panels (ends in closePanel unless a job was queued).
    void finalizeTask(const Ending &ending, bool skip);
    // Where a preview of a source of `length` seconds starts: the preferences' test position,
    // no later than 10 s before the end.
    virtual int previewStart(double length) const;
    // Queues the finalising job of the given command; the base runs a Job, the extended
    // panel a MervoJob in the encoding's group.
    virtual bool queueFinalizing(const QString &program, const QStringList &arguments,
                                 EncodingTaskData *data, const Ending &ending);
    bool queueCorrection(const QString &analysed, const QString &output, double aspect,
                         int duration, bool preview, QLayout *layout, const Ending &ending);
    bool queueExtraction(const QString &intermediate, const QString &output, int duration,
                         bool preview, QLayout *layout, const Ending &ending);
    // How the work that a finished task closes ended, for the closing line of the log.
    enum class Outcome { Completed, Failed, Aborted };
    void closePanel(int step, Outcome outcome, bool preview);
    void previewStarted();
    // Hides the preview window, not running, with an empty job view.
    void hidePreview();
    void returnToReady(bool reload);
    virtual void reloadProfile() { loadProfileSettings(); }
    // Refills the four lists; empty values keep the encoder's current choice.
    void updateCodecs(const QString &muxer, const QString &video, const QString &audio,
                      const QString &subtitle);
    // The choices that some engine, or MEncoder and FFmpeg one after the other, can make
    // from the current source; the combo's tool tip names the others with the reason.
    QStringList withRoad(const QStringList &choices, ActiveComboBox *combo, const QString &toolTip,
                         const std::function<QString(const QString &)> &refusalOf,
                         const std::function<QString(const QString &)> &describe);
    void fillVideoCodecs(const QString &muxer, const QString &video);
    void fillAudioCodecs(const QString &muxer, const QString &audio);
    void fillSubtitleCodecs(const QString &muxer, const QString &subtitle);
    void setProfileText(const QString &label, const QString &summary);
    // The choice whose profile both panels' settings loaders show, with its job prepared.
    struct ProfileChoice
    {
        QString muxer, video, audio;
        EncodingJob *job = nullptr;
        bool dvdAc3 = false; // a DVD's AC-3 sound taken as it is: level 5, nothing to configure
    };
    // False while nothing can be encoded.
    bool profileChoice(ProfileChoice &choice);
    // The level's profile on the job and in the profile line (summary for summaryMuxer).
    void showLevelProfile(const ProfileChoice &choice, int level, const QString &summaryMuxer);
    void prepareJob();
    QString selected(ActiveComboBox *combo) const;
    // An output path that names no file, no reserved name and no intermediate of either.
    QString uniqueOutputPath() const;
    // The file line shows the name the next encoding will really write: numbered when the
    // target folder already holds one of that name. It follows the folder's changes.
    void showOutputName();
    // One encoding as both panels start it: a target folder that exists and can be written,
    // a unique output, the steps that make the current choice and their trial run. False,
    // after the failure box, when any of them fails. The base panel writes the command to
    // the debug output before its trial; the extended panel clears the monitor's process
    // channels instead.
    enum class StartStyle { Base, Extended };
    bool checkedEncodingCommand(EncodingCommand &command, StartStyle style,
                                const QString &failureHint);
    // Why the target folder cannot take the output; empty when it can (made when missing).
    QString targetFolderRefusal(const QString &folder) const;
    // Sends an encoding's job where it belongs: a preview to the panel's own manager and
    // window, an encoding to the main job manager. `queue` initialises the job with the
    // id given and adds it to the own (preview) or main manager.
    void queueEncodingJob(const EncodingCommand &command,
                          const std::function<void(const QString &id, bool preview)> &queue);
    // Gives the task one step of the checked command (one of its steps, not a copy), its
    // task values and the file it reads.
    void setEncodingTask(Task *task, const EncodingCommand &command, const EncodingStep &step,
                         const QString &folder, const QString &name);
    // The failure box of a start that did not pass.
    void showStartFailure(const QString &output, const QString &commands, const QString &stdOut,
                          const QString &stdErr, const QString &informative);
    // The nine values of an encoding task, and the final output after them when the engine
    // writes an intermediate file first.
    EncodingTaskData encodingTaskData(int type, const QStringList &arguments,
                                      const QString &output, int frames);
    QString taskName() const;

    Encoder *m_encoder;
    Configurator *m_configurator;
    QString m_mencoderPath;
    QString m_ffmpegPath;
    bool m_consoleButtonHidden = false;
    int m_verbosity;
    bool m_saveSettingsOnExit = false;
    QString m_lastFormat;
    QTextEdit *m_log;
    QTextEdit *m_stdIn;
    QTextEdit *m_stdOut;
    QTextEdit *m_stdErr;
    QFrame *m_background;
    QPushButton *m_startButton;
    QPushButton *m_configureButton;
    QPushButton *m_codecsButton;
    QSpinBox *m_audioCorrection;
    QVBoxLayout *m_mainLayout;
    QGroupBox *m_targetBox;
    QGroupBox *m_settingsBox;
    QLabel *m_profileLabel;
    QWidget *m_codecBar;
    ActiveComboBox *m_formatCombo;
    ActiveComboBox *m_videoCombo;
    ActiveComboBox *m_audioCombo;
    ActiveComboBox *m_subtitleCombo;
    QLineEdit *m_pathEdit;
    QLineEdit *m_fileEdit;
    QFileSystemWatcher *m_folderWatcher;
    QTimer *m_outputNameRefresh;
    static constexpr int OutputNameRefreshMs = 50;
    QCheckBox *m_previewBox;
    JobManager *m_mainJobManager;
    JobManager *m_ownJobManager;
    JobManagerWidget *m_jobView;
    // Parented to the console window, which may delete it first when it closes.
    QPointer<EncoderPreviewDialog> m_preview;
    bool m_logFinalizing = false; // the extended panel reports the analysis
    bool m_canEncode = false;
    QString m_videoMuxer;          // the target before a source without video replaced it
    bool m_running = false;
    bool m_ready = false;
    bool m_aborted = false;
    EncoderPreferences m_preferences;
    PlayerSetup m_playerSetup;
};
