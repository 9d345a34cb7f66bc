#pragma once

#include "builders/encodecommandbuilder.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

struct EncoderProfile;

// The command builder of FFmpeg (engine type 2): its vocabulary, its version, codec and
// format queries and their parsers, the encode command at the user's settings or at a
// predefined profile level, the VideoCD and Super VideoCD targets, the stream-copy re-mux,
// the finishing commands (aspect-ratio correction, audio extraction), the size estimate,
// and the readers of a running job's and a test run's output.
//
// Once the encoder core has read the engine (status ready), the support checks also refuse
// what the installed FFmpeg cannot do, each with its reason, so that the encoder never
// queues a job that is bound to fail.
class InterfaceFFmpeg : public EncodeCommandBuilder
{
    Q_DECLARE_TR_FUNCTIONS(InterfaceFFmpeg)

public:
    InterfaceFFmpeg();

    void initAudioCodecAliases();


    // Why FFmpeg cannot write the container, or the codec into it, for the current job;
    // an empty text when it can. What the engine has is known once its status is ready.
    QString muxerRefusal(const QString &muxer) const override;
    QString videoCodecRefusal(const QString &muxer, const QString &codec) const override;
    QString audioCodecRefusal(const QString &muxer, const QString &codec) const override;

    void cliCmdGetVersion(QString &program, QStringList &arguments) const;
    void cliCmdGetCodecs(QString &program, QStringList &arguments) const;
    void cliCmdGetMuxers(QString &program, QStringList &arguments) const;
    void parseVersion();
    void parseCodecs();
    void parseMuxers();

    void cliCmdEncode(QString &program, QStringList &arguments, const QString &output,
                      int frames, int start) const;
    QStringList cliCmdEncodeProfile(const EncoderProfile &profile, const QString &output,
                                    int frames, int start) const;
    // Aspect-ratio correction: a stream copy that sets the display aspect ratio.
    void cliCmdEncode(QString &program, QStringList &arguments, const QString &input,
                      const QString &output, double aspect) const;
    // Audio extraction: a stream copy of the audio alone.
    void cliCmdEncode(QString &program, QStringList &arguments, const QString &input,
                      const QString &output) const;
    void cliCmdTargetVcd(QString &program, QStringList &arguments, const QString &input,
                         const QString &output, const QString &standard) const;
    void cliCmdTargetSvcd(QString &program, QStringList &arguments, const QString &input,
                          const QString &output, const QString &standard) const;
    void cliCmdRemux(const QString &input, const QString &output, QString &program,
                     QStringList &arguments) const;
    // The expected output size in bytes of a run of `frames` frames; 0 without a bitrate
    // or a source frame rate.
    qint64 estimatedSize(int frames) const;

    // Reads the last status line of a chunk of a job's standard error; the other lines come
    // back in `rest`. Values the chunk does not carry keep what the caller gave;
    // `minutesLeft` is never written. False when the chunk holds nothing.
    static bool parseProgress(const QString &text, QString &rest, int &frame, double &position,
                              int &percent, int &minutesLeft, double &fps, int &size);
    // True when a test run's standard error shows a status line and no failure.
    static bool parseCommandCheck(const QByteArray &stdOut, const QByteArray &stdErr);

private:
    void initVocabulary();
    bool engineKnown() const;
    QString sourceRefusal() const;
    // FFmpeg's muxer for a container name of the vocabulary.
    QString engineMuxer(const QString &muxer) const;
    void cliCmdTarget(const char *kind, const char *logText, QString &program,
                      QStringList &arguments, const QString &input, const QString &output,
                      const QString &standard) const;

    // Every encoder and muxer name the engine listed, also those the vocabulary does not
    // use (a container may take an encoder the capability maps leave out).
    QStringList m_engineVideoEncoders;
    QStringList m_engineAudioEncoders;
    QStringList m_engineMuxers;
};
