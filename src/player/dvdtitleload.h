#pragma once

#include "engines/titleinfo.h"
#include "player/loadprocess.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class LoadScheduler;
class Player;

// The runs that read one title of a DVD: its identify run, then one playback run per audio
// stream. The runs of many titles go side by side (through a LoadScheduler), but the panel
// shows each title's results in title order: what a title would write to the consoles is
// kept here, line by line, and written by the panel when the title's turn comes.
class DvdTitleLoad : public QObject
{
    Q_OBJECT

public:
    enum class Channel { Log, StdOut, StdErr };
    struct ConsoleLine
    {
        Channel channel;
        QString text;
        int level;
    };
    struct Command
    {
        QString program;
        QStringList arguments;
    };
    struct Settings
    {
        int verbosity = 0;
        int latencyStart = 0;
        int latencyFinished = 0;
        int maxLoadErrorLines = 0;
        QByteArray identifyInput; // the deinterlace query written to an identify run
        QByteArray playInput;     // the quit command written to an audio-stream run
    };

    // `record` is the title as the disc run described it; `parser` reads the answers (the
    // load's private facade, which must outlive this load). `play` is the playback command
    // of the title, without a stream choice.
    DvdTitleLoad(const TitleInfo &record, const Command &identify, const Command &play,
                 const Settings &settings, const Player *parser, LoadScheduler *scheduler);
    ~DvdTitleLoad() override;

    // Handles events until every run of the title is over; false when the program was told
    // to quit meanwhile.
    bool waitDone();
    bool isDone() const { return m_done; }

    const Command &identifyCommand() const { return m_identify; }
    const TitleInfo &title() const { return m_title; }
    const QList<ConsoleLine> &consoleLines() const { return m_lines; }
    // A standard-error line as the console shows it: unless everything is shown, the DVD
    // libraries' own chatter is left out (the line still counts where lines are counted).
    static QString stdErrText(const QByteArray &line, int verbosity);

    // The stream index of the last audio-stream run (0 for none).
    int lastAudioIndex() const { return m_lastAudioIndex; }

signals:
    void done();

private:
    void readIdentifyRun();
    bool readErrors();
    void readAnswers();
    void startAudioRuns();
    void startAudioRun(int stream, int finishTimeoutMs);
    void readAudioRuns();
    void readAudioRun(LoadProcess &run, int stream);
    void finish();

    void log(const QString &text, int level) { m_lines.append({Channel::Log, text, level}); }
    void add(Channel channel, const QString &text, int level) { m_lines.append({channel, text, level}); }

    TitleInfo m_title;
    Command m_identify;
    Command m_play;
    Settings m_settings;
    const Player *m_parser;
    LoadScheduler *m_scheduler;
    LoadProcess m_identifyRun;
    std::vector<std::unique_ptr<LoadProcess>> m_audioRuns;
    std::vector<std::unique_ptr<LoadProcess>> m_spentRuns;
    int m_audioRunsOver = 0;
    QList<ConsoleLine> m_lines;
    int m_lastAudioIndex = 0;
    bool m_done = false;
};
