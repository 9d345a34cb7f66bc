#pragma once

#include "engines/transcoder.h"

#include <QString>
#include <QStringList>

// The FFmpeg engine. A start runs "ffmpeg -version", "-formats" and "-codecs" and reads the
// banner, the muxers and the video, audio and subtitle encoders from their answers. It also
// builds the stream-copy commands that cut one part out of a media file and that join files.
class FFmpeg : public Transcoder
{
    Q_OBJECT

public:
    FFmpeg();

    bool startInterface(const QString &executablePath, const QString &libraryPath) override;

    // False when the text has no FFmpeg banner.
    bool parseSignature(const QString &text);
    void parseMuxers(const QString &text);
    void parseCodecs(const QString &text);

    // Extracts the input from the start position ("hh:mm:ss", a fraction allowed) on, every
    // stream but data and cover pictures, stopping at sizeBytes when it is above 0, with the
    // caller's output options. `intoOwnFile`: the output path holds the empty file the caller
    // made for this copy, which FFmpeg writes over. Always succeeds; error is cleared.
    bool cliCmdSplit(QString &program, QStringList &arguments, QString &error,
                     const QString &inputPath, const QString &outputPath,
                     const QString &startPosition, qint64 sizeBytes,
                     const QStringList &outputOptions = QStringList(), bool intoOwnFile = false) const;

    // Joins the media files named in a concat list (see concatList) one after another into
    // the output, every picture, sound and subtitle stream copied, and the files attached to
    // the first of them (`firstPart`), written as the container (an FFmpeg muxer name). A
    // file that stands at the output path is never overwritten. Always succeeds; error is
    // cleared.
    bool cliCmdMerge(QString &program, QStringList &arguments, QString &error,
                     const QString &listPath, const QString &firstPart, const QString &outputPath,
                     const QString &container) const;
    // The list FFmpeg's concat demuxer reads: one "file" line a path, each quoted.
    static QByteArray concatList(const QStringList &files);

    // The hash ("MD5:" and 32 hex digits, as FFprobe writes a packet's data hash) of the
    // first packet of one stream ("V:0", "a:0") that a stream copy of the input from the
    // start position would write: where the split command's volume would really begin.
    // False (hash empty) when FFmpeg gave none. inputTime (when given) receives the packet's
    // time in the input, in seconds (not a number when FFmpeg gave no time base).
    bool firstCopiedPacket(QString &hash, const QString &inputPath, const QString &startPosition,
                           const QString &stream, double *inputTime = nullptr);
    // The reading of firstCopiedPacket(): FFmpeg's "framemd5" answer, its first packet's
    // hash and time.
    static bool readFirstCopiedPacket(const QString &answer, QString &hash, double *inputTime);
    // Starts the run of firstCopiedPacket() for these arguments now, side by side with other
    // work (a split's copy); the call with the same arguments takes it over. Runs nobody
    // takes are dropped with dropFirstCopiedPacket().
    void prefetchFirstCopiedPacket(const QString &inputPath, const QString &startPosition,
                                   const QString &stream) const;
    void dropFirstCopiedPacket(const QString &inputPath, const QString &startPosition,
                               const QString &stream) const;

protected:
    QueryOutcome queryEngine(QString &failureText, QString &error) override;

private:
    static QStringList firstCopiedPacketArguments(const QString &inputPath, const QString &startPosition,
                                                  const QString &stream);
};
