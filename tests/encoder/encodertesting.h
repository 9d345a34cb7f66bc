#pragma once

#include "encoder/encoder.h"
#include "encoder/mervoencoder.h"
#include "enginetesting.h"
#include "jobs/console.h"
#include "parallelruns.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTest>
#include <QTextEdit>

#include <array>
#include <memory>

// The value of a column of the current data row, for columns the test reads once.
template<typename T>
T fetched(const char *column)
{
    return *static_cast<T *>(QTest::qData(column, qMetaTypeId<T>()));
}

// The columns of a data table, in order: addColumns<QString, int>({"muxer", "level"}).
template<typename... T>
void addColumns(const std::array<const char *, sizeof...(T)> &names)
{
    int at = 0;
    (QTest::addColumn<T>(names[at++]), ...);
}

// A path in the test's media folder with nothing at it yet.
inline QString scratch(const QString &name)
{
    QDir().mkpath(TestMedia::folder() + "/encoder");
    const QString path = TestMedia::folder() + "/encoder/" + name;
    QFile::remove(path);
    return path;
}

// Runs the commands of each row of an engine table that has no outcome yet, one after the
// other, as many rows at once as cores; a row whose commands all exit 0 gets the outcome
// `judge` gives it ("ok" first, or the fault), any other the fault of its failed command.
// With the file each command writes (`outputs`), a command another row already ran but for
// that file is not run again: its file is a copy (see runChains).
template <class Row>
void runAndJudge(QList<Row> &rows, const std::function<QList<QStringList>(const Row &)> &commands,
                 const std::function<QString(const Row &)> &judge,
                 const std::function<QStringList(const Row &)> &outputs = {})
{
    QList<QList<QStringList>> chains;
    QList<QStringList> written;
    for (const Row &row : std::as_const(rows)) {
        const bool run = row.outcome.isEmpty();
        chains.append(run ? commands(row) : QList<QStringList>());
        written.append(run && outputs ? outputs(row) : QStringList());
    }
    const QStringList faults = runChains(chains, written);
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].outcome.isEmpty())
            rows[i].outcome = faults[i].isEmpty() ? judge(rows[i]) : faults[i];
}

inline void clearSettings()
{
    QSettings settings;
    settings.clear();
    settings.sync();
}

// An encoder whose four consoles the test reads, at the verbose level.
template <class EncoderClass>
struct BasicConsoleEncoder
{
    QTextEdit stdIn, stdOut, stdErr, log;
    EncoderClass encoder{&stdIn, &stdOut, &stdErr, &log, LogLevel::Verbose};

    EncoderClass *operator->() { return &encoder; }
    QString logText() const { return log.toPlainText(); }
    QString errText() const { return stdErr.toPlainText(); }
    void clear()
    {
        for (QTextEdit *view : {&stdIn, &stdOut, &stdErr, &log})
            view->clear();
    }
};
using ConsoleEncoder = BasicConsoleEncoder<Encoder>;
using ConsoleMervoEncoder = BasicConsoleEncoder<MervoEncoder>;

// The version that the installed engine prints in its banner, read without the encoder.
inline QString engineBannerVersion(const QString &program, const QStringList &arguments,
                                   const QString &pattern)
{
    QString out;
    TestMedia::run(program, arguments, &out);
    return QRegularExpression(pattern).match(out).captured(1);
}

// An engine stand-in that runs the fake engine in the given mode whatever it is asked.
inline QString fakeEngineAs(const QString &name, const QString &mode)
{
    return writeEngineScript(name, QStringLiteral("exec '%1' %2").arg(TestMedia::fakeEngine(), mode));
}

// The generated clips' mono MP3 tone at the given stream number.
inline AudioInfo mp3Tone(int streamNumber)
{
    AudioInfo audio;
    audio.streamNumber = audio.aid = streamNumber;
    audio.format = "mp3";
    audio.channelCount = 1;
    audio.samplingRate = 44100;
    audio.bitrate = 128;
    return audio;
}

// The standard clip as the player hands it to the encoder.
inline void setClipSource(Encoder &encoder, const QString &path, double aspect = 4.0 / 3.0)
{
    VideoInfo video;
    video.kind = VideoInfo::MediaFile;
    video.videoFormat = "mpeg4";
    video.fileFormat = "AVI";
    video.width = video.scaledWidth = 320;
    video.height = video.scaledHeight = 240;
    video.aspect = aspect;
    video.frameRate = 25.0;
    video.length = 3.0;
    encoder.setSource(path, SourceKind::MediaFile);
    // MPlayer's AVI reader numbers the audio stream 1, after the video.
    encoder.setSourceStreams(video, false, mp3Tone(1), false, SubtitleInfo(), true);
    // FFprobe measured it at the load: a constant rate, both streams from 0.
    encoder.source().facts.measured = true;
}

// An audio-only file (MP3) as the player hands it to the encoder.
inline void setAudioOnlySource(Encoder &encoder, const QString &path)
{
    encoder.setSource(path, SourceKind::MediaFile);
    encoder.setSourceStreams(VideoInfo(), true, mp3Tone(0), false, SubtitleInfo(), true); // kind 0
}

// Title 1 of the generated DVD (16:9 PAL, English audio first).
inline void setDvdSource(Encoder &encoder, const QString &folder, int title = 1)
{
    VideoInfo video;
    video.kind = VideoInfo::DvdTitle;
    video.title = title;
    video.videoFormat = "mpeg2video";
    video.width = 720;
    video.height = 576;
    video.aspect = title == 1 ? 16.0 / 9.0 : 4.0 / 3.0;
    video.frameRate = 25.0;
    video.standard = "PAL";
    video.length = title == 1 ? 8.0 : 3.0;
    AudioInfo audio;
    audio.streamNumber = 0;
    audio.aid = 128;
    audio.format = "ac3";
    audio.language = "en";
    audio.channelCount = 2;
    audio.samplingRate = 48000;
    audio.bitrate = 448;
    encoder.setSource(folder, SourceKind::Dvd);
    encoder.setSourceStreams(video, false, audio, false, SubtitleInfo(), true);
}
