#pragma once

#include "encoder/encodingstep.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "encoder/records/outputtarget.h"
#include "engines/interfacestatus.h"
#include "engines/syncrunner.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class InterfaceFFmpeg;
class InterfaceMEncoder;
class QTextEdit;

// The object through which the panels reach the encoding engines MEncoder (type 1) and
// FFmpeg (type 2): per engine a command builder and the records it reads and fills, the
// current source and output target, the codec and container vocabulary, four consoles and
// two settings. Every per-engine operation takes the engine type first.
class Encoder : public QObject
{
    Q_OBJECT

public:
    Encoder(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
            int verbosity, QObject *parent = nullptr);
    ~Encoder() override;

    // --- engines --------------------------------------------------------------------
    bool initEngine(int type, const QString &binary);
    // Virtual so that the extended encoder takes the paths of its own engines too.
    virtual void setEngineBinary(int type, const QString &binary);
    void resetEngine(int type);
    bool isEngineReady(int type);
    bool enginesReady();
    static QString engineName(int type);
    QString engineBinary(int type) const;
    QString engineVersion(int type) const;
    // The player that copies a DVD title's stream for FFmpeg to encode: the one set, else
    // MPlayer beside MEncoder, which comes with it.
    void setPlayerBinary(const QString &binary);
    QString playerBinary() const;
    EncodingJob *jobData(int type) const;
    EngineCapabilities *capabilities(int type) const;
    InterfaceStatus *interfaceStatus(int type) const;

    void setTimeouts(int type, int start, int finish, int kill);
    void timeouts(int type, int &start, int &finish, int &kill);
    int startTimeout(int type);
    int finishTimeout(int type);
    int killTimeout(int type);

    // --- source, target and output --------------------------------------------------
    void setSource(const QString &path, int kind);
    void setSourceStreams(VideoInfo video, bool noVideo, AudioInfo audio, bool noAudio,
                          SubtitleInfo subtitle, bool noSubtitle);
    // Everything `chosen` holds of the streams chosen in the source and of what is known of
    // it; the path and kind stay those setSource gave.
    void setSourceStreams(const EncodingSource &chosen);
    // The current source; the main window's job builders assign a loaded source to it.
    EncodingSource &source() { return m_source; }
    QString sourcePath() const { return m_source.path; }
    bool hasVideoAndAudio() const { return !m_source.noVideo && !m_source.noAudio; }

    void setVideoCodec(const QString &codec);
    void setAudioCodec(const QString &codec);
    void setSubtitleCodec(const QString &codec);
    void setAudioVolume(int volume);
    QString videoCodec() const;
    QString audioCodec() const;
    QString subtitleCodec() const;

    void setTargetMuxer(const QString &muxer);
    QString setTarget(const QString &folder, const QString &baseName);
    QString targetMuxer() const { return m_output.muxer; }
    OutputTarget outputTarget() const { return m_output; }
    QString outputFile() const;

    // The audio streams the encoding takes: 0 without audio, else the chosen one.
    int audioStreamCount() const;
    int subtitleStreamCount() const;

    // The containers the encoder can write for the current source: MEncoder's list (a
    // format it also writes through libavformat comes twice), narrowed to the audio
    // containers for a source without video, without them and "psp" for a picture without
    // sound, and without "ogg" and "webm" for a DVD.
    QStringList availableMuxers() const;
    bool isMuxerSupported(int type, const QString &muxer);
    bool isVideoCodecSupported(int type, const QString &muxer, const QString &codec);
    bool isAudioCodecSupported(int type, const QString &muxer, const QString &codec);
    bool isVideoCodecAvailable(const QString &muxer, const QString &codec);
    bool isAudioCodecAvailable(const QString &muxer, const QString &codec);

    // What the answers above are made from: the source, MEncoder's job's source (FFmpeg's is
    // replaced by the source for each question), the preferred engine, each engine's state,
    // and what the engines reported (their builders and capability maps change only as an
    // engine answers). Equal inputs give equal answers, so that a list of them is kept while
    // its inputs stay the same.
    struct OfferInputs
    {
        EncodingSource source;
        EncodingSource mencoderJobSource;
        int preferredEngine = 0;
        int engineAnswers = 0; // raised at every answer an engine gives
        QList<int> states;
        bool operator==(const OfferInputs &other) const;
    };
    OfferInputs offerInputs() const;

    // --- consoles and settings ------------------------------------------------------
    void logMessage(const QString &text, int level);
    void logStdIn(const QString &text, int level);
    void logStdOut(const QString &text, int level);
    void logStdErr(const QString &text, int level);
    void setVerbosity(int level) { m_verbosity = level; }

    void loadSettings();
    void saveSettings();
    bool setSaveSettingsOnExit(bool save) { return m_saveSettingsOnExit = save; }
    bool saveSettingsOnExit() const { return m_saveSettingsOnExit; }

    // --- dispatch -------------------------------------------------------------------
    int preferredEngine() const;
    void cliCmdEncode(int &type, QString &program, QStringList &arguments, const QString &output,
                      int testFrames, int testChapter, int testPosition, bool forced);
    void cliCmdTargetXvid(int type, QString &program, QStringList &arguments,
                          const EncodingSource &source);
    void cliCmdTargetVcd(int type, QString &program, QStringList &arguments,
                         const QString &input, const QString &output, const QString &standard);
    void cliCmdTargetSvcd(int type, QString &program, QStringList &arguments,
                          const QString &input, const QString &output, const QString &standard);
    void cliCmdAspectCorrection(int type, QString &program, QStringList &arguments,
                                const QString &input, const QString &output, double aspect);
    void cliCmdExtractAudio(int type, QString &program, QStringList &arguments,
                            const QString &input, const QString &output);
    QString tvStandard() const;
    qint64 estimateSize(int type, int frames);
    QString profileSummary(const EncoderProfile &profile) const;
    // The front end names the muxer with the profile; the summary does not depend on it.
    QString profileSummary(const QString &muxer, const EncoderProfile &profile) const
    {
        Q_UNUSED(muxer)
        return profileSummary(profile);
    }

    // Why the engine cannot write the target of its job (container and codecs); empty when
    // it can.
    QString targetRefusal(int type);
    // The commands that give the current target from the current source: the preferred
    // engine's; else, for a file, the other engine's; else, for a DVD title that FFmpeg can
    // encode once MPlayer has copied its stream, the copy and the encode. None, with the
    // reason, when no road leads there. A trial of a DVD title starts at its chapter.
    QList<EncodingStep> cliCmdEncodeSteps(const QString &output, int testFrames, int testChapter,
                                          int testPosition, QString &refusal);
    // Why no road leads from the current source to the container with the two codecs; empty
    // when one does. The lists, the configure dialog and Start go by it. Leaves the jobs as
    // they were.
    QString roadRefusal(const QString &muxer, const QString &video, const QString &audio);
    // The intermediate file of a two-step encoding into `output`: its folder and base name
    // followed by " (step 0)" and MPEG's extension.
    static QString intermediateFile(const QString &output);
    // Tries the steps in order, each on what the step before wrote; removes what they wrote.
    bool checkSteps(const QList<EncodingStep> &steps, QString &commandLine, QString &stdOut,
                    QString &stdErr, int frameLimit, int sizeLimit);

    // --- test runs and progress -------------------------------------------------------
    bool checkCommand(int type, const QString &program, const QStringList &arguments,
                      const QString &output, QString &commandLine, QString &stdOut,
                      QString &stdErr, int limit);
    bool parseCommandCheck(int type, const QString &stdOut, const QString &stdErr);
    // Whether the last test run was cancelled by the user (TrialWatch): its caller reports
    // no failure, for none was found.
    bool trialCancelled() const { return m_trialCancelled; }
    static bool parseProgress(int type, const QString &text, QString &rest, int &frame,
                              double &position, int &percent, int &minutesLeft, double &fps,
                              int &size);

    // --- vocabulary -------------------------------------------------------------------
    QString muxerLongDescription(const QString &muxer) const;
    QString muxerDescription(const QString &muxer) const;
    QString muxerShortName(const QString &muxer) const;
    QString videoCodecDescription(const QString &codec) const;
    QString videoCodecShortName(const QString &codec) const;
    QString audioCodecDescription(const QString &codec) const;
    QString audioCodecShortName(const QString &codec) const;
    QString subtitleDescription(const QString &codec) const;
    QString subtitleShortName(const QString &codec) const;
    static QString muxerExtension(const QString &muxer, bool noVideo);
    // Whether a profile's codec field names a codec: neither empty nor its "none" word
    // ("novideo", "noaudio").
    static bool isCodecPresent(const QString &codec, const char *none);

    QString defaultVideoCodec(const QString &muxer) const;
    QString defaultAudioCodec(const QString &muxer, const QString &videoCodec) const;
    QString defaultSubtitle(const QString &muxer, const QString &videoCodec) const;
    void defaultAudioAndSubtitle(const QString &muxer, const QString &videoCodec,
                                 QString &audioCodec, QString &subtitle) const;
    void defaultCodecs(const QString &muxer, QString &videoCodec, QString &audioCodec,
                       QString &subtitle) const;

    QStringList engineMuxerNames(const QString &name) const;
    QStringList engineVideoCodecNames(const QString &name) const;
    QStringList engineSubtitleNames(const QString &name) const;

protected:
    // One engine's records; the capability view points at the maps.
    struct EngineRecord
    {
        int startTimeout = 3000;
        int finishTimeout = 3000;
        int killTimeout = 5000;
        std::unique_ptr<EncodingJob> job;
        std::unique_ptr<EngineCapabilities> capabilities;
        std::unique_ptr<InterfaceStatus> status;
        QMap<QString, QString> muxers, videoCodecs, audioCodecs, subtitleCodecs;
        // Fresh, empty records; the time-outs are kept.
        void create();
    };
    // The record of any engine the encoder runs, null for an unknown type: the time-outs,
    // readiness and records of every engine are read through it.
    virtual EngineRecord *record(int type) const;
    void reportUnknown(int type);
    // The log line of an engine run that did not start: the start time-out only when it ran
    // out, else why the system refused the program (missing, not executable). `classWord`
    // starts the line ("Encoder", "MervoEncoder").
    static QString startFailureText(const char *classWord, const QString &name, const SyncRunner::Result &run,
                                    int timeout);
    // Keeps a status query's output in the engine's status, shows it, and marks it captured.
    void captureStatus(EngineRecord &record, const QString &stdOut, const QString &stdErr);
    // Runs `queries` (the status queries of the engine, which clear and fill its record; true
    // when each of them started). When the engine is not ready after them and a query went
    // unanswered in time, they run once more with longer time-outs before it is called not
    // ready, all within one engine start's deadline; the status tells whether it stayed late. Returns the last result of `queries`.
    bool askEngine(int type, const QString &name, EngineRecord &record, const std::function<bool()> &queries);
    // One status query of the engine (see askEngine): its answer is kept while the
    // executable is unchanged; `limits` receives the time-outs it ran with.
    SyncRunner::Result runStatusRun(int type, const QString &program, const QStringList &arguments,
                                    const char *classWord, SyncRunner::Timeouts &limits);

    // What the extended encoder builds on: the two builders (null until initialised), the
    // Xvid target's set-up of the MEncoder job, and one MEncoder pass of it.
    InterfaceMEncoder *mencoderBuilder() const { return m_mencoder.get(); }
    InterfaceFFmpeg *ffmpegBuilder() const { return m_ffmpeg.get(); }
    EncodingJob &prepareXvidTarget(const EncodingSource &source);
    void mencoderXvidPass(QString &program, QStringList &arguments, const QString &output,
                          int passes, int pass);

private:
    // MEncoder's and FFmpeg's records; the lavc maps are MEncoder's only.
    struct Engine : EngineRecord
    {
        QMap<QString, QStringList> lavcVideoCodecs, lavcAudioCodecs, lavcSubtitleCodecs,
            lavfMuxers;
    };
    // Maps from a vocabulary identifier to its text, or to codecs (muxer, then video codec).
    using Texts = QMap<QString, QString>;
    using Defaults = QMap<QString, QMap<QString, QString>>;
    using Aliases = QMap<QString, QStringList>;

    Engine *engine(int type) const;
    // The engine's record and the unknown-type message when there is none.
    Engine *knownEngine(int type);
    EngineRecord *knownRecord(int type);
    void reportUnsupported(int type, const QString &what);

    struct RunResult
    {
        bool started = false;
        bool killed = false;  // did not end within the finish time-out
        bool stalled = false; // killed for no progress within the stall time-out
        bool stopped = false; // killed because the user cancelled
        bool crashed = false; // ended by a signal of its own, not by the kill
        int exitCode = 0;     // of a run that ended by itself
        QString stdOut;
        QString stdErr;
    };
    // A trial's run gives its own finish floor, stall time-out, progress judge and stop flag
    // on top of the engine's time-outs.
    RunResult runProcess(int type, const QString &program, const QStringList &arguments,
                         bool reportNormalEnd, bool statusQuery = false,
                         const SyncRunner::Timeouts *trial = nullptr);
    // Whether the engine's own closing lines (the summary it prints once its file is
    // closed) are in its output.
    static bool hasClosingLines(int type, const QString &stdOut, const QString &stdErr);
    bool runQuery(int type, void (Encoder::*command)(QString &, QStringList &) const,
                  void (Encoder::*parse)());
    // The queries of MEncoder or FFmpeg, with the record cleared first (see askEngine).
    bool queryEngine(int type);
    bool engineBuilderMissing(int type) const;
    // A test run; `keepOutput` leaves what it wrote at the output path for a next step.
    bool trialRun(int type, const QString &program, const QStringList &arguments,
                  const QString &output, QString &commandLine, QString &stdOut, QString &stdErr,
                  int limit, bool keepOutput);
    static void removeTrialOutput(const QString &path);
    static QStringList ffmpegTrialArguments(QStringList arguments, const QString &output,
                                            int limit);
    QStringList mencoderTrialArguments(QStringList arguments, int limit) const;
    // How long a trial of `frames` frames reads the source, in whole seconds.
    int trialSeconds(int frames) const;

    void mencoderStatusCommand(QString &program, QStringList &arguments) const;
    void parseMEncoderStatus();

    // Everything that asks the FFmpeg builder (encoder_ffmpeg.cpp).
    void createFFmpegBuilder(const QString &binary, Engine &record);
    QString ffmpegBinary() const;
    void setFFmpegBinary(const QString &binary);
    bool ffmpegMuxerSupported(const QString &muxer) const;
    bool ffmpegVideoCodecSupported(const QString &muxer, const QString &codec) const;
    bool ffmpegAudioCodecSupported(const QString &muxer, const QString &codec) const;
    void ffmpegVersionCommand(QString &program, QStringList &arguments) const;
    void ffmpegCodecsCommand(QString &program, QStringList &arguments) const;
    void ffmpegMuxersCommand(QString &program, QStringList &arguments) const;
    void parseFFmpegVersion();
    void parseFFmpegCodecs();
    void parseFFmpegMuxers();
    static bool ffmpegCommandCheck(const QString &stdOut, const QString &stdErr);
    static bool ffmpegProgress(const QString &text, QString &rest, int &frame, double &position,
                               int &percent, int &minutesLeft, double &fps, int &size);
    void ffmpegEncode(QString &program, QStringList &arguments, const QString &output,
                      int frames, int startSeconds);
    void ffmpegTargetDisc(bool superVideoCd, QString &program, QStringList &arguments,
                          const QString &input, const QString &output, const QString &standard);
    void ffmpegAspectCorrection(QString &program, QStringList &arguments, const QString &input,
                                const QString &output, double aspect);
    void ffmpegExtractAudio(QString &program, QStringList &arguments, const QString &input,
                            const QString &output);
    qint64 ffmpegEstimatedSize(int frames) const;

    void cliCmdTargetDisc(bool superVideoCd, int type, QString &program, QStringList &arguments,
                          const QString &input, const QString &output, const QString &standard);
    // The engines that give the current target: the preferred one, the other one, MPlayer's
    // copy of a DVD title's stream and FFmpeg's encode of the copy, or none (with the reason).
    enum class Road { None, Preferred, Other, DvdCopyThenFFmpeg };
    Road planRoad(const QString &intermediate, QString &refusal);
    QString channelText() const;
    QString targetMuxerOf(const EncodingTarget &target) const;
    EncodingSource intermediateSource(const QString &path) const;
    // FFmpeg's answer to a question about what it writes, asked of the file it would read:
    // the source, or the copy of a DVD title's stream.
    bool ffmpegAnswer(const std::function<bool()> &question);
    static void layOutOnConstantClock(QStringList &arguments);
    // The road's encode of the DVD title's copy without its subtitle, for a trial.
    QStringList encodeWithoutSubtitle(const QString &output, int testFrames);
    static void findStreamsInWholeCopy(QStringList &arguments);
    bool isPlayerReady() const;

    void initMuxerLongDescriptions();
    void initMuxerDescriptions();
    void initMuxerShortNames();
    void initVideoCodecDescriptions();
    void initVideoCodecShortNames();
    void initAudioCodecDescriptions();
    void initAudioCodecShortNames();
    void initSubtitleDescriptions();
    void initSubtitleShortNames();
    void initMuxerAliases();
    void initVideoCodecAliases();
    void initDefaultVideoCodecs();
    void initDefaultAudioCodecs();
    void initDefaultSubtitles();
    static QString lookUp(const Texts &table, const QString &id, const QString &fallback);
    static QString defaultOf(const Defaults &table, const QString &muxer, const QString &video);
    static QStringList namesOver(const Aliases &table, const QString &name);

    QString m_settingsOrganization;
    QString m_settingsApplication;
    int m_audioStreamMarker = 0;
    int m_subtitleStreamMarker = 0;
    EncodingSource m_source;
    OutputTarget m_output;
    QString m_playerBinary;
    int m_engineAnswers = 0; // see OfferInputs
    // While askEngine() runs: whether a status query went unanswered in time, and whether
    // the engine is being asked again.
    bool m_queriesLate = false;
    bool m_askingAgain = false;
    // While askEngine() runs: when it gives up (SyncRunner::Timeouts::startDeadline).
    QDeadlineTimer m_askDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
    bool m_trialCancelled = false;

    Engine m_ffmpegEngine;
    std::unique_ptr<InterfaceFFmpeg> m_ffmpeg;
    Engine m_mencoderEngine;
    std::unique_ptr<InterfaceMEncoder> m_mencoder;

    Texts m_videoCodecDescriptions, m_audioCodecDescriptions, m_subtitleDescriptions;
    Texts m_muxerDescriptions, m_muxerLongDescriptions;
    Texts m_videoCodecShortNames, m_audioCodecShortNames, m_subtitleShortNames,
        m_muxerShortNames;
    Aliases m_videoCodecAliases, m_subtitleAliases, m_muxerAliases;
    Texts m_defaultVideoCodecs;
    Defaults m_defaultAudioCodecs, m_defaultSubtitles;

    bool m_saveSettingsOnExit = false;
    int m_verbosity;
    QTextEdit *m_logView;
    QTextEdit *m_stdInView;
    QTextEdit *m_stdOutView;
    QTextEdit *m_stdErrView;
};
