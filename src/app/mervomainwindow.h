#pragma once

#include "app/mainwindow.h"

class MervoEncoder;
class MervoEncoderWidget;
class MervoJob;
class MervoJobManager;
class MervoJobManagerDialog;
class MervoPlayerWidget;
class MervoProcess;
class MervoTask;

// The window the program shows: the main window with the x264 and MKVmerge engines, the
// engine path menu, the extended jobs and the readiness check over all seven engines.
class MervoMainWindow : public MainWindow
{
    Q_OBJECT

public:
    explicit MervoMainWindow(QWidget *parent = nullptr);

    void initialize();
    // The five engines of the base check and x264 and MKVmerge.
    void checkEnginesReady();
    QString engineVersion(int type) const;
    QString engineBinary(int type) const;
    InterfaceStatus x264Status() const;
    InterfaceStatus mkvmergeStatus() const;
    MervoEncoderWidget *mervoEncoderWidget() const { return m_mervoEncoderWidget; }

signals:
    void encodingComplete(MervoProcess *process);

public:
    // Extended menus and actions.
    QMenu *mkvmergeMenu = nullptr, *x264Menu = nullptr, *enginePathsMenu = nullptr;
    QAction *mkvmergeCapabilityAction = nullptr, *mkvmergeStatusAction = nullptr,
            *x264CapabilityAction = nullptr, *x264StatusAction = nullptr;
    QAction *encodeXvid1CDAction = nullptr, *mergeAction = nullptr, *remuxAction = nullptr;
    QAction *ffmpegPathAction = nullptr, *mencoderPathAction = nullptr, *x264PathAction = nullptr,
            *mkvmergePathAction = nullptr, *mplayerPathAction = nullptr,
            *mediaInfoPathAction = nullptr, *ffprobePathAction = nullptr;

protected:
    bool saveEditionSettings() override { return saveExternalsSettings(); }
    bool setExtendedInput(const QString &path, int kind) override;

private:
    class MervoPartsBuilder;
    // The seven "Externals" paths, each read only when stored.
    static void readExternalsSettings(QString *paths);
    bool saveExternalsSettings();
    // False, after the readiness check, when a base engine is not ready.
    bool readyToOpen();

private slots:
    void aboutMervo();
    void clearAllSettings();
    void enableVideoOpenActions(bool playing);
    void openDvd();
    void openRecentMovie();
    void readJobProcessStdOut(MervoProcess *process);
    void readJobProcessStdErr(MervoProcess *process);
    void finishJobProcess(MervoProcess *process, int exitCode, QProcess::ExitStatus exitStatus);
    void startJobConsoles(MervoJob *job);
    void startTaskConsole(MervoTask *task);
    void jobEncodeVcd();
    void jobEncodeSvcd();
    void jobEncodeXvid();
    void jobEncodeXvid1CD();
    void jobMergeMedia();
    void jobRemuxMovie();
    void mervoOnMovieLoaded(int kind);
    void mervoUpdateJobMenu();
    void showMKVmergeStatus();
    void showMKVmergeCapability();
    void showX264Status();
    void showX264Capability();
    void changeVerbosity();
    void setMPlayerBinPath();
    void setMediaInfoBinPath();
    void setFFprobeBinPath();
    void setFFmpegBinPath();
    void setMEncoderBinPath();
    void setX264BinPath();
    void setMKVmergeBinPath();
    void checkUpdate();
    void credits();

private:
    void createMervoActions();
    void connectJobManager();
    void jobEncodeTarget(Target target);
    void startEncodingJob(const QString &program, const QStringList &arguments,
                          const QString &id, const QString &title, const QString &text,
                          const QString &name, MervoEncoder *encoder, int type,
                          const QString &refusal = QString());
    void startTwoPassEncodingJob(const QString &firstProgram, const QStringList &firstArguments,
                                 const QString &firstName, const QString &firstText,
                                 const QString &statsFile, const QString &secondProgram,
                                 const QStringList &secondArguments, const QString &secondName,
                                 const QString &secondText, const QString &output,
                                 const QString &id, const QString &title, const QString &name,
                                 MervoEncoder *encoder, int type,
                                 const QString &refusal = QString());
    // The internal error of a task its job's list refused.
    void reportRefusedTask(const QString &id, const QString &title, const QString &task,
                           const char *which);
    // Queues the job of the tasks; its output path's name stays reserved until it ends.
    MervoJob *queueMervoJob(const QList<MervoTask *> &tasks, const QString &id,
                            const QString &title, const QString &output);
    // The refusal box of a merge with the merger's message, then the cancellation.
    void refuseMerge(const QString &text, const QString &message);
    void moveActions();
    // The shared road of the seven path setters: asks for a file, keeps its absolute path
    // and applies it (apply) or refreshes after a cancel (cancelled), reports in the status
    // bar and ends with the readiness check.
    struct PathSetter;
    void setEnginePath(const PathSetter &setter);
    // Hands the player engines' paths to the encoder panel; whether the one named is ready.
    bool passPlayerPaths(EnginePaths::Engine engine);
    void setEncoderEnginePath(EnginePaths::Engine engine, int type, QAction *capability,
                              const char *prompt, const char *caption, const char *message);

    // The extended objects in the base's places (the base pointers point at them too).
    MervoPlayerWidget *m_mervoPlayerWidget;
    MervoEncoderWidget *m_mervoEncoderWidget;
    MervoJobManager *m_mervoJobManager;
    MervoJobManagerDialog *m_mervoJobManagerDialog;
};
