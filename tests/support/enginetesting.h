#pragma once

#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "testmedia.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextEdit>

// Gives the processors built while it lives a console whose views the test can read.
class ConsoleCapture
{
public:
    ConsoleCapture()
    {
        m_console.setSinks(&m_stdIn, &m_stdOut, &m_stdErr, &m_log);
        m_console.setVerbosity(LogLevel::Verbose);
        EngineObjects::setConsole(&m_console);
    }
    ~ConsoleCapture() { EngineObjects::setConsole(nullptr); }
    ConsoleCapture(const ConsoleCapture &) = delete;
    ConsoleCapture &operator=(const ConsoleCapture &) = delete;

    QString log() const { return m_log.toPlainText(); }
    QTextEdit &logView() { return m_log; }
    QTextEdit &stdOutView() { return m_stdOut; }
    QTextEdit &stdErrView() { return m_stdErr; }

private:
    Console m_console;
    QTextEdit m_stdIn;
    QTextEdit m_stdOut;
    QTextEdit m_stdErr;
    QTextEdit m_log;
};

// Debian's FFmpeg and FFprobe, started and registered as the program's engines (logging to a
// console of their own) while it lives.
class RegisteredEngines
{
public:
    RegisteredEngines()
        : m_started(m_ffmpeg.startInterface(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")), QString())
                    && m_ffprobe.startInterface(QStandardPaths::findExecutable(QStringLiteral("ffprobe")), QString()))
    {
        EngineObjects::setEngines(&m_ffmpeg, &m_ffprobe, nullptr);
    }
    ~RegisteredEngines() { EngineObjects::setEngines(nullptr, nullptr, nullptr); }
    RegisteredEngines(const RegisteredEngines &) = delete;
    RegisteredEngines &operator=(const RegisteredEngines &) = delete;

    bool started() const { return m_started; }
    FFmpeg *ffmpeg() { return &m_ffmpeg; }
    FFprobe *ffprobe() { return &m_ffprobe; }

private:
    ConsoleCapture m_console; // made first: the engines log to it from their start
    FFmpeg m_ffmpeg;
    FFprobe m_ffprobe;
    bool m_started;
};

// Writes folder()/engines/name with the given bytes (and the owner's execute bit if asked).
// A run's three limits alone: no stall watch, no stop asked, no work watched.
inline SyncRunner::Timeouts plainLimits(int start, int finish, int kill)
{
    SyncRunner::Timeouts limits;
    limits.start = start;
    limits.finish = finish;
    limits.kill = kill;
    return limits;
}

inline QString writeEngineFile(const QString &name, const QByteArray &bytes, bool executable = false)
{
    QDir().mkpath(TestMedia::folder() + QStringLiteral("/engines"));
    QFile file(TestMedia::folder() + QStringLiteral("/engines/") + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(bytes);
    file.close();
    if (executable)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return file.fileName();
}

// Writes an executable shell script that stands in for an engine; returns its path.
inline QString writeEngineScript(const QString &name, const QString &body)
{
    return writeEngineFile(name, "#!/bin/sh\n" + body.toUtf8() + "\n", true);
}

// A stand-in for the installed engine `engine` (a name on PATH) made slow, as a busy machine,
// a cold disk or a network share makes it: for the calls whose arguments match the shell
// pattern `when`, it first waits ("sleep") or keeps a processor busy ("burn") for `ms`
// milliseconds, or never answers ("hang"), or is stopped from outside ("stopped"); other
// calls run the engine at once.
inline QString slowedEngine(const QString &name, const QString &engine, const QString &how, int ms,
                            const QString &when = QStringLiteral("*"))
{
    const QString fake = TestMedia::fakeEngine();
    const QString slow = how == QLatin1String("burn")   ? QStringLiteral("'%1' burn %2 %3 \"$@\"").arg(fake).arg(ms).arg(engine)
                         : how == QLatin1String("hang") || how == QLatin1String("stopped") ? QStringLiteral("'%1' %2").arg(fake, how)
                                                        : QStringLiteral("'%1' slow %2 %3 \"$@\"").arg(fake).arg(ms / 1000.0).arg(engine);
    return writeEngineScript(name, QStringLiteral("case \"$*\" in\n  %1) exec %2 ;;\n  *) exec %3 \"$@\" ;;\nesac")
                                       .arg(when, slow, engine));
}

// A script that counts its runs in a file before doing what the fake engine's mode says.
inline QString countingScript(const QString &name, const QString &mode, QString *counter)
{
    *counter = TestMedia::folder() + QStringLiteral("/engines/") + name + QStringLiteral(".count");
    QFile::remove(*counter);
    return writeEngineScript(name, QStringLiteral("echo run >> '%1'\nexec '%2' %3").arg(*counter, TestMedia::fakeEngine(), mode));
}

// How many times a counting script ran.
inline int runCount(const QString &counter)
{
    QFile file(counter);
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

// A script that answers "-version" with the banner and any other call with the given answer.
inline QString writeCannedFFprobe(const QString &name, const QByteArray &answer)
{
    const QString answerPath = writeEngineFile(name + ".txt", answer);
    return writeEngineScript(name, QStringLiteral("case \"$1\" in\n"
                                                  "  -version) echo 'ffprobe version 9.9-test' ;;\n"
                                                  "  *) cat '%1' ;;\nesac")
                                       .arg(answerPath));
}

// A file that is no sound media, named folder()/bad-<kind>.<extension>: "text" (a text file),
// "stub" (the first 2000 bytes of a clip) or "truncated" (the first half of a clip).
inline QString writeBadMedia(const QString &kind, const QString &extension = QStringLiteral("avi"))
{
    QFile source(extension == QLatin1String("mp4") ? TestMedia::standardMp4() : TestMedia::standardAvi());
    const QByteArray clip = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
    QFile file(TestMedia::folder() + QStringLiteral("/bad-") + kind + QLatin1Char('.') + extension);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    const int size = kind == QLatin1String("stub") ? 2000 : int(clip.size() / 2);
    file.write(kind == QLatin1String("text") ? QByteArray("This is a text file.\n") : clip.left(size));
    return file.fileName();
}

// The standard MP4's streams with English SubRip subtitles and a French audio stream titled
// "Général commentaire", in Matroska, at a path with a folder named "General", blanks, quotes
// and non-ASCII letters.
inline QString subtitledMkv()
{
    const QString folder = QStringLiteral("General/l'été \"vidéo\"");
    QDir().mkpath(TestMedia::folder() + QLatin1Char('/') + folder);
    const QString srt = writeEngineFile(QStringLiteral("sub.srt"), "1\n00:00:00,500 --> 00:00:02,000\nHi\n");
    return TestMedia::clip(folder + QStringLiteral("/Général clip.mkv"),
                           {"-i", TestMedia::standardMp4(), "-i", srt, "-map", "0", "-map", "1", "-c", "copy",
                            "-c:s", "srt", "-metadata:s:s:0", "language=eng", "-metadata:s:a:0",
                            "language=fre", "-metadata:s:a:0", "title=Général commentaire"});
}

// The standard AVI's streams in Matroska with tags whose line breaks read, in FFprobe's
// default form, as fields and block markers: a stream title setting the size and codec, a
// format title setting the duration and adding a stream.
inline QString forgingTagsMkv()
{
    return TestMedia::clip(QStringLiteral("forging tags.mkv"),
                           {"-i", TestMedia::standardAvi(), "-c", "copy", "-metadata",
                            "title=x\nduration=2.0\n[/FORMAT]\n[STREAM]\nindex=9\ncodec_type=video\n"
                            "codec_name=evil\n[/STREAM]\n[FORMAT]\nduration=1.0",
                            "-metadata:s:v:0", "title=cam\nwidth=1\nheight=1\ncodec_name=evil"});
}
