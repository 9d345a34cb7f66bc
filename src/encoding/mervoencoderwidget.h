#pragma once

#include "encoding/encoderwidget.h"

class MervoConfigurator;
class MervoEncoder;
class MervoJob;
class MervoJobManager;
class MervoJobManagerWidget;
class MervoProcess;
class MervoTask;

// The encoder panel the program shows: the base panel's controls, with every encoding and
// preview run as a multi-task job, so that a finalising job continues the encoding's group
// in the job view, and a configure dialog that offers the user's own settings (level 4).
class MervoEncoderWidget : public EncoderWidget
{
    Q_OBJECT

public:
    MervoEncoderWidget(QWidget *consoleWindow, MervoJobManager *mainJobManager,
                       const QString &ffmpegPath, const QString &mencoderPath,
                       const QString &x264Path, const QString &mkvmergePath, QTextEdit *stdIn,
                       QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log, int verbosity,
                       EncoderPreferences *preferences, QWidget *parent = nullptr);

    bool applyEngineBinPaths();
    void enginesReady(bool &ffmpegReady, bool &mencoderReady, bool &x264Ready, bool &mkvmergeReady);
    MervoEncoder *mervoEncoder() const { return m_mervoEncoder; }
    void onMovieLoaded(const QString &path, int kind) override;
    bool startEncoding();
    bool queueAspectCorrection(const QString &analysed, const QString &output, double aspect,
                               int duration, bool preview, QLayout *layout, void *container,
                               int elapsedSeconds);
    bool queueMp3Extraction(const QString &intermediate, const QString &output, int duration,
                            bool preview, QLayout *layout, void *container, int elapsedSeconds);

    MervoJobManager *previewJobManager() const { return m_previewJobManager; }
    MervoJobManagerWidget *mervoJobView() const { return m_mervoJobView; }
    MervoConfigurator *mervoConfigurator() const { return m_mervoConfigurator; }

signals:
    void encodingComplete(MervoProcess *process);

public slots:
    void configure() override;
    void loadSettings();
    void switchState() override;
    void readJobProcessStdOut(MervoProcess *process);
    void readJobProcessStdErr(MervoProcess *process);
    void finishJobProcess(MervoProcess *process, int exitCode, QProcess::ExitStatus status);
    void finalizeEncoding(MervoProcess *process);
    void startJobConsoles(MervoJob *job);
    void startTaskConsole(MervoTask *task);

protected:
    bool queueFinalizing(const QString &program, const QStringList &arguments,
                         EncodingTaskData *values, const Ending &ending) override;
    void reloadProfile() override { loadSettings(); }
    // The preferences' test position as it stands (FinalizeRules::keptTestPosition()).
    int previewStart(double length) const override;

private:
    void reportInsertFailure(const QString &name, const QString &text);

    MervoEncoder *m_mervoEncoder;
    MervoConfigurator *m_mervoConfigurator;
    MervoJobManager *m_mervoMainJobManager;
    MervoJobManager *m_previewJobManager;
    MervoJobManagerWidget *m_mervoJobView;
    QString m_mkvmergePath;
    QString m_x264Path;
};
