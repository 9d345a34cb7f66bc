#pragma once

#include "encoder/encoder.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

class CommandBuilder;
class InterfaceMKVmerge;
class InterfaceX264;

// The encoder the program runs: the base encoder's MEncoder (type 1) and FFmpeg (type 2)
// and two more engines, x264 (type 3) and MKVmerge (type 4), which it resets and queries
// itself. The base keeps the time-outs, readiness, version and records of all four (it
// finds them through record()); the operations below that take a type handle 3 and 4 and
// hand 1 and 2 to the base, hiding the base's, so a caller that starts, resets or names
// x264 or MKVmerge holds a MervoEncoder. Only the engine path change is virtual: the
// front end sets every engine's path through the encoder it holds, whichever class it
// holds it as.
class MervoEncoder : public Encoder
{
    Q_OBJECT

public:
    MervoEncoder(QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log,
                 int verbosity, QObject *parent = nullptr);
    ~MervoEncoder() override;

    void setEngineBinary(int type, const QString &binary) override;
    bool initEngine(int type, const QString &binary);
    void resetEngine(int type);
    bool isMuxerSupported(int type, const QString &muxer);
    QString engineBinary(int type) const;
    static QString engineName(int type);

    // The stream-copy re-mux through MEncoder (type 1) or FFmpeg (type 2, which takes the
    // container from the output's name).
    void cliCmdRemux(int type, const QString &input, const QString &output, QString &program,
                     QStringList &arguments, const QString &muxer);

    // The one-line description of the user's own settings of a target.
    using Encoder::profileSummary;
    QString profileSummary(const EncodingTarget &target) const;
    QString profileSummary(const QString &muxer, const EncodingTarget &target) const;

    // Both MEncoder passes of the two-pass Xvid encode sized for one 700 MB CD: the first
    // writes its statistics to `statsFile` and its picture to the null device, the second
    // the output file of the output target. The one-pass Xvid target stays the base's.
    using Encoder::cliCmdTargetXvid;
    void cliCmdTargetXvid(int type, QString &firstProgram, QStringList &firstArguments,
                          QString &secondProgram, QStringList &secondArguments,
                          const EncodingSource &source, const QString &statsFile);
    // The "bitrate" of the CD's video for a source of `length` seconds: minus the kilobytes
    // left beside 128 kbit/s sound (6000 s when the length is unknown); 0 when the sound
    // alone fills the CD.
    static qint64 xvidCdVideoSize(double length);

protected:
    EngineRecord *record(int type) const override;

private:
    // The record of x264 or MKVmerge; null for the base's engines and unknown types.
    EngineRecord *ownRecord(int type) const;
    CommandBuilder *builder(int type) const;
    // Runs the engine's status query and parses it; false when the engine did not start.
    bool runStatusQuery(int type);

    // Declared in this order: MKVmerge, then x264.
    EngineRecord m_mkvmergeEngine;
    std::unique_ptr<InterfaceMKVmerge> m_mkvmerge;
    EngineRecord m_x264Engine;
    std::unique_ptr<InterfaceX264> m_x264;
};
