#pragma once

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "engines/playercapabilities.h"
#include "engines/playerstatus.h"
#include "engines/syncrunner.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class InterfaceMediaInfo;
class InterfaceMplayer;
class QTextEdit;
struct ClipInfo;
struct DiskInfo;
struct PlaybackInfo;

// The one object through which the player panel and the main window reach the playback
// engine and the two analysis utilities (MediaInfo, FFprobe).
//
// Every playback operation is dispatched on the back-end type: MPlayer forwards to
// InterfaceMplayer; VLC exists only as a name and any other type is unknown, and both
// answer with a warning on the stdErr console and an empty or false result. The facade
// never owns the playback process: the panel runs MPlayer in slave mode with the command
// lines and texts returned here and hands its output back to the parsers. The facade
// itself only runs processes synchronously: the status runs of its three executables
// (made on construction and by the binary setters) and the MediaInfo and FFprobe
// analyses of one file, all under the three time-outs.
class Player : public QObject
{
    Q_OBJECT

public:
    enum BackendType : int { UndefinedBackend = 0, MplayerBackend = 1, VlcBackend = 5 };
    // The utilities that utilityVersion() and utilityBinary() know.
    enum Utility : int { BackendUtility = 1, FFprobeUtility = 2, MediaInfoUtility = 4,
                         VlcUtility = 5 };

    static constexpr int DefaultStartTimeout = 3000;
    static constexpr int DefaultFinishTimeout = 3000;
    static constexpr int DefaultKillTimeout = 5000;

    // Runs the status runs of MediaInfo, FFprobe and (for MPlayer) the back-end before
    // it returns. A time-out of 0 stands for its default. The consoles may be null; they
    // stay owned by the caller.
    Player(int backendType, const QString &backendBinary, const QString &mediaInfoBinary,
           const QString &ffprobeBinary, QTextEdit *stdInConsole, QTextEdit *stdOutConsole,
           QTextEdit *stdErrConsole, QTextEdit *logConsole, int logLevel, int startTimeout,
           int finishTimeout, int killTimeout);
    ~Player() override;

    // (Re)makes the interfaces and runs the three status runs.
    void init();

    void setTimeouts(int start, int finish, int kill);
    void setLogLevel(int level);
    int logLevel() const { return m_logLevel; }
    // The facade's state; init() sets it to 0.
    int state() const { return m_state; }
    int backendType() const { return m_backendType; }

    // A null path only logs that the executable is disabled; any other path (an empty
    // one too) is handed to the interface and the status run is made again.
    void setBackendBinary(const QString &path);
    void setMediaInfoBinary(const QString &path);
    void setFFprobeBinary(const QString &path);

    static QString backendName(int type);
    QString utilityVersion(int utility) const;
    QString utilityBinary(int utility) const;

    // The records that the runs fill; valid for the facade's life, updated in place.
    PlayerCapabilities *playerCapabilities() { return &m_capabilities; }
    PlayerStatus *playerStatus() { return &m_backendStatus; }
    InterfaceStatus *mediaInfoStatus() { return &m_mediaInfoStatus; }
    MediaInfoData *mediaInfoData() { return &m_mediaInfoData; }
    InterfaceStatus *ffprobeStatus() { return &m_ffprobeStatus; }
    FFprobeData *ffprobeData() { return &m_ffprobeData; }

    // Log sinks: to the console when the level is at most the log level; without a
    // console, to the debug output with the sink's prefix, whatever the level.
    void log(const QString &text, int level) const;
    void logStdIn(const QString &text, int level) const;
    void logStdOut(const QString &text, int level) const;
    void logStdErr(const QString &text, int level) const;

    // Slave commands: the text to write to the running player, line feed included.
    QString cliQuit() const;
    QString cliSelectAudio(int id) const;
    QString cliSelectSubtitle(int id) const;
    QString cliOsdShowText(const QString &text, int duration) const;
    QString cliOsdShowProgression() const;
    QString cliGetTimePos() const;
    QString cliGetChapter() const;
    QString cliGetDeinterlace() const;
    QString cliGetSpeed() const;
    QString cliPrevChapter(int seconds) const;
    QString cliNextChapter(int seconds) const;
    QString cliSeek(int seconds) const;
    QString cliFaster() const;
    QString cliSlower() const;
    QString cliNormalSpeed() const;
    QString cliPause() const;

    // Parsers of the player's output lines (codes: PlayerOutputCode).
    bool parseStdoutClip(const QByteArray &line, int *code, ClipInfo *clip) const;
    bool parseStdoutDisk(const QByteArray &line, int *code, DiskInfo *disk) const;
    bool parseStdoutRun(const QByteArray &line, int *code, PlaybackInfo *info) const;
    void parseStderr(const QByteArray &line, int *code, QString *text) const;
    void parseStatus();

    // Settings of the next command line.
    void setDisplaySize(int width, int height);
    void setRotation(int degrees);
    void enableAudio();
    void disableAudio();
    void enableVideo();
    void disableVideo();
    void enableSubtitle();
    void disableSubtitle();
    void setAudioId(const int &id);
    void setSubtitleId(const int &id);
    void setDvdAngle(int angle);
    void setDvdTitle(int title);
    bool setVideoOutput(const QString &driver);
    void setChapterList(const QList<int> &chapters);
    void setSourceFile(const QString &path, int type, bool audioOnly);
    void setSourceDvdTitle(const QString &path, int type, int title);
    void setWid(const QString &windowId);

    // Command lines of the back-end; both outputs are cleared first.
    void cliCmdIdentify(QString *program, QStringList *arguments) const;
    void cliCmdUpdateFontCache(QString *program, QStringList *arguments) const;
    void cliCmdGetStatus(QString *program, QStringList *arguments) const;
    void cliPlay(QString *program, QStringList *arguments, int frames, int chapter,
                 int startSeconds, int volume) const;

    // Synchronous runs. The status runs fill the status records (and, for the back-end,
    // the driver maps); the analyses fill MediaInfoData or FFprobeData for one file.
    // Failures are only logged: callers look at the records.
    void resetMediaInfo();
    void resetFFprobe();
    void resetBackend();
    void readMediaInfoData(const QString &file);
    void readFFprobeData(const QString &file);
    // Start those analyses now, side by side with other work; the read above that comes
    // next for the same file takes the run over (see SyncRunner::prefetchRun).
    void prefetchMediaInfoData(const QString &file) const;
    // With `samples`, the sample runs its answer calls for (see prefetchFFprobeSamples) start
    // as soon as it has ended, whatever is waited for meanwhile.
    void prefetchFFprobeData(const QString &file, int samples = 0) const;
    // The runs that complete FFprobe's analysis of the file where its answer leaves a fact of
    // the moving picture unsaid (InterfaceFFprobe::sampleRuns), those of `samples` (a sum of
    // InterfaceFFprobe::Sample): read into FFprobeData after readFFprobeData, or started side
    // by side with other work, to be taken over by the read (a run already started for the
    // same answer goes on). Each reads at most InterfaceFFprobe::sampleReadLimit().
    void readFFprobeSamples(const QString &file, int samples);
    void prefetchFFprobeSamples(const QString &file, int samples) const;
    // Whether the last analysis of the utility (FFprobeUtility, MediaInfoUtility) did not
    // answer in time, asked again too: its record is empty or cut for want of time, not
    // because the file is no media.
    bool analysisLate(int utility) const;
    // What stopped the last analysis of the utility from outside ("killed by signal 15
    // (Terminated)"); empty when nothing did. Its record is empty or cut for that, not
    // because the file is no media.
    QString analysisStoppedBy(int utility) const;

private:
    struct ProcessTexts;
    static const ProcessTexts MediaInfoTexts;
    static const ProcessTexts FFprobeTexts;
    static const ProcessTexts BackendTexts;
    enum class CrashRule { AnyCrash, IgnoreExitCodeMinusOne };
    struct RunOutput
    {
        QString stdOut;
        QString stdErr;
        // Stopped for time, asked again too: the answer is missing or cut.
        bool late = false;
        // What ended it when it was stopped from outside ("killed by signal 15 (Terminated)");
        // its answer is missing or cut as well.
        QString stoppedBy;
        // Stopped for reading more than it may: the answer is cut.
        bool overRead = false;
        // Ended by itself with exit code 0: the answer is whole.
        bool whole = false;
    };
    // Starts the sample runs that the analysis in `data` calls for, where none runs yet.
    void prefetchSamples(const QString &file, int samples, const FFprobeData &data) const;

    // The MPlayer interface when the back-end type has one; otherwise logs why not
    // (VLC or unknown type) and returns null.
    InterfaceMplayer *backend() const;
    QString backendBinaryPath() const;
    QString slaveCommand(QString (InterfaceMplayer::*command)() const) const;
    // What the log says of a sample run that told nothing: the facts it was to read.
    QStringList unreadTexts(const InterfaceFFprobe::SampleRun &run, const QString &file) const;
    QString slaveCommand(QString (InterfaceMplayer::*command)(int) const, int number) const;
    // Steps shared by every synchronous run: start, wait, kill, crash test, with the
    // texts of one executable. False when the process did not start (output untouched).
    bool runProcess(const QString &program, const QStringList &arguments,
                    const ProcessTexts &texts, int failedToStartLevel, CrashRule crashRule,
                    RunOutput *output, bool statusQuery = false, qint64 readLimit = 0);
    void echoCommand(const QString &program, const QStringList &arguments) const;
    void echoOutput(const RunOutput &output) const;

    int m_logLevel;
    int m_state = 0;
    QString m_source;
    QMap<QString, QString> m_videoDrivers;
    QMap<QString, QString> m_audioDrivers;
    PlayerCapabilities m_capabilities;
    PlayerStatus m_backendStatus;
    QString m_backendBinary;
    MediaInfoData m_mediaInfoData;
    InterfaceStatus m_mediaInfoStatus;
    QString m_mediaInfoBinary;
    FFprobeData m_ffprobeData;
    InterfaceStatus m_ffprobeStatus;
    QString m_ffprobeBinary;
    // Guarded: a console deleted by its owner is treated as no console.
    QPointer<QTextEdit> m_logConsole;
    QPointer<QTextEdit> m_stdInConsole;
    QPointer<QTextEdit> m_stdOutConsole;
    QPointer<QTextEdit> m_stdErrConsole;
    int m_backendType;
    std::unique_ptr<InterfaceMplayer> m_mplayer;
    std::unique_ptr<InterfaceMediaInfo> m_mediaInfo;
    std::unique_ptr<InterfaceFFprobe> m_ffprobe;
    QString m_windowId;
    SyncRunner::Timeouts m_timeouts;
    bool m_mediaInfoLate = false;
    bool m_ffprobeLate = false;
    QString m_mediaInfoStoppedBy;
    QString m_ffprobeStoppedBy;
};
