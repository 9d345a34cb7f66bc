#pragma once

#include "builders/encodecommandbuilder.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QMap>
#include <QString>
#include <QStringList>

struct EncodingSource;
struct SourceFacts;

struct EncoderProfile;

// The command builder of MEncoder (engine type 1): its vocabulary, its status query and
// parser, the encode command at the user's settings or at a predefined profile level, the
// VideoCD and Super VideoCD targets, the stream-copy re-mux and merge, and the readers of
// a test run's and a running job's output.
//
// Besides its tables the builder knows what the installed MEncoder really does with them
// (see the engine checks below): once the status parser has seen the engine, the support
// checks also refuse what that engine cannot write, so that the encoder never queues a
// job that is bound to fail, and the commands carry the small changes that today's
// engine needs to give the file that was asked for.
class InterfaceMEncoder : public EncodeCommandBuilder
{
    Q_DECLARE_TR_FUNCTIONS(InterfaceMEncoder)

public:
    InterfaceMEncoder();

    // The offered containers, with "lavf" replaced by the formats reached through it, sorted.
    QStringList muxers() const;


    // Why the engine that the status parser has read cannot write the container or the
    // codec into it; an empty text when it can, or when no engine has been read yet. Some
    // stream copies depend on the source that the job record holds.
    QString muxerRefusal(const QString &muxer) const override;
    QString videoCodecRefusal(const QString &muxer, const QString &codec) const override;
    QString audioCodecRefusal(const QString &muxer, const QString &codec) const override;
    // Why MEncoder cannot read the source's picture in time, whole and in step with its
    // sound (by what the engines measured of it at load) into the container; empty when it
    // can. `withSound` false: the output is to have no sound, whatever the source's.
    static QString sourceRefusal(const EncodingSource &source, const QString &muxer, bool withSound = true);

    void cliCmdGetStatus(QString &program, QStringList &arguments) const;
    void parseStatus();

    void cliCmdEncode(QString &program, QStringList &arguments, const QString &output,
                      int frames, int chapter, int startSeconds) const;
    QStringList cliCmdEncodeProfile(const EncoderProfile &profile, const QString &output,
                                    int frames, int chapter, int startSeconds) const;

    void cliCmdTargetVcd(QString &program, QStringList &arguments, const QString &dvdDevice,
                         const QString &output, const QString &standard) const;
    void cliCmdTargetSvcd(QString &program, QStringList &arguments, const QString &dvdDevice,
                          const QString &output, const QString &standard) const;

    void cliCmdRemux(const QString &input, const QString &output, QString &program,
                     QStringList &arguments, const QString &container) const;
    // Always succeeds; `error` is cleared.
    bool cliCmdMerge(QString &program, QStringList &arguments, QString &error,
                     const QStringList &inputs, const QString &output, const QString &container,
                     const QString &fourcc) const;

    // True when a test run got as far as encoding, wrote some of it and, if it reached
    // the end, finished it.
    static bool parseCommandCheck(const QByteArray &stdOut, const QByteArray &stdErr);
    // Reads the last status line of a chunk of a job's standard output; the other text,
    // also after the last carriage return, comes back in `rest`. Values the chunk does not
    // carry keep what the caller gave; `size` is in kB. False when the chunk is empty.
    static bool parseProgress(const QString &text, QString &rest, int &frame, double &position,
                              int &percent, int &minutesLeft, double &fps, int &size);

    // Key "muxer": the formats reached through "lavf"; "video" and "audio": the codecs
    // reached through "lavc"; "subtitle": none.
    QMap<QString, QStringList> libraryNames;

private:
    // The part of sourceRefusal() that the source's measured timing decides: its picture's,
    // then its chosen sound's when the output has sound; that sound's start against the
    // picture's only where the output has a picture.
    static QString timingRefusal(const EncodingSource &source, const QString &muxer, bool withSound);
    // The part that the picture's shapes and colours decide, of any source (a DVD title's too).
    static QString pictureRefusal(const SourceFacts &facts);
    static QString soundTimingRefusal(const EncodingSource &source, const QString &muxer, bool withPicture);
    void initVocabulary();
    void cliCmdTarget(bool superVideoCd, QString &program, QStringList &arguments,
                      const QString &dvdDevice, const QString &output,
                      const QString &standard) const;
    bool engineKnown() const;

    // Every encoder name the engine listed, also those the vocabulary does not use; the
    // audio ones tell which of MEncoder's own encoders can stand in for libavcodec's.
    QStringList m_engineAudioEncoders;
};
