#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct ClipInfo;
struct DiskInfo;
struct PlaybackInfo;
struct PlayerCapabilities;
struct PlayerStatus;

// Everything the program knows of MPlayer's command line and of its slave-mode protocol.
// It builds the command lines of the font-cache update, the identify pass, playback and
// the status query, returns each slave command as the text to write to the running
// player, and parses MPlayer's output one line at a time. It runs nothing itself: the
// player facade and the player panel start the processes.
//
// The line parsers share one convention: the line is simplified first (white space runs
// collapsed, ends trimmed); the result is true for a recognised or ignored line (the
// code, a PlayerOutputCode, says which) and false for a recognised line whose value does
// not convert, in which case neither the code nor the record is changed.
class InterfaceMplayer
{
public:
    // The kind of the current source; the numbers are the program's source kinds.
    enum SourceType { NoSource = 0, MediaFile = 1, Dvd = 2 };

    InterfaceMplayer();

    void init(const QString &path, PlayerCapabilities *capabilities, PlayerStatus *status);
    QString binary() const;
    void setBinary(const QString &path);

    // Playback options, kept until changed; the source setters reset the selection.
    void setDisplaySize(int width, int height);
    // Clockwise degrees a player turns the source's stored picture to show it (its facts').
    void setRotation(int degrees);
    void setWid(const QString &windowId);
    void enableAudio();
    void disableAudio();
    void enableVideo();
    void disableVideo();
    void enableSubtitle();
    void disableSubtitle();
    void setDvdTitle(int title);
    void setDvdAngle(int angle);
    void setAudioId(const int &id);
    void setSubtitleId(const int &id);
    void setSourceDvd(const QString &path, int title);
    void setSourceFile(const QString &path, bool audioOnly);
    bool setVideoOutput(const QString &driver);
    void setChapterList(const QList<int> &chapters);

    // Command lines: each clears both outputs and fills them.
    void cliCmdUpdateFontCache(QString *program, QStringList *arguments) const;
    void cliCmdIdentify(QString *program, QStringList *arguments) const;
    void cliCmdGetStatus(QString *program, QStringList *arguments) const;
    void cliPlay(QString *program, QStringList *arguments, int frames, int chapter,
                 int startSeconds, int volume) const;

    // Slave-mode commands, each a complete text ending with a line feed.
    QString cliQuit() const;
    QString cliPause() const;
    QString cliSeek(int seconds) const;
    QString cliPrevChapter(int seconds) const;
    QString cliNextChapter(int seconds) const;
    QString cliFaster() const;
    QString cliSlower() const;
    QString cliNormalSpeed() const;
    QString cliGetTimePos() const;
    QString cliGetChapter() const;
    QString cliGetDeinterlace() const;
    QString cliGetSpeed() const;
    QString cliOsdShowText(const QString &text, int duration) const;
    QString cliOsdShowProgression() const;
    QString cliSelectAudio(int id) const;
    QString cliSelectSubtitle(int id) const;

    // Output parsers.
    bool parseStdoutDisk(const QByteArray &line, int *code, DiskInfo *disk) const;
    bool parseStdoutClip(const QByteArray &line, int *code, ClipInfo *clip) const;
    bool parseStdoutRun(const QByteArray &line, int *code, PlaybackInfo *info) const;
    void parseStderr(const QByteArray &line, int *code, QString *text) const;
    void parseStatus();

    // The shared frame-rate code (1 23.976 ... 8 60) of a frame-rate text, -1 if none.
    static int frameRateCode(const QString &text);

private:
    void setSource(const QString &path, int type, int dvdTitle, bool audioOnly);
    QString playProgram() const;
    QStringList playVideoOptions() const;
    QStringList playAudioOptions(int volume) const;
    QStringList playDvdStreamOptions(int chapter) const;
    QStringList playFileStreamOptions(int startSeconds) const;

    QString m_binary;
    PlayerCapabilities *m_capabilities = nullptr;
    PlayerStatus *m_status = nullptr;
    QString m_sourcePath;
    int m_sourceType = NoSource;
    int m_dvdTitle = 0;
    bool m_audioOnly = false;
    bool m_audioOff = false;
    bool m_videoOff = false;
    bool m_subtitlesOff = false;
    QString m_audioLanguage;
    int m_audioId = -1;
    QString m_subtitleLanguage;
    int m_subtitleId = -1;
    int m_dvdAngle = 0;
    QList<int> m_chapters;
    int m_displayWidth = -1;
    int m_displayHeight = -1;
    int m_rotation = 0;
    QString m_videoOutput;
    QString m_windowId;
};
