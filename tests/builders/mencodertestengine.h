#pragma once

#include "builders/interfacemencoder.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"

#include <QMap>
#include <QString>
#include <QStringList>

// The MEncoder builder set up as the encoder core sets it up: its own records, and the
// real engine's status query run and parsed, so that its capability maps are today's.
class MEncoderTestEngine
{
public:
    MEncoderTestEngine();
    MEncoderTestEngine(const MEncoderTestEngine &) = delete;
    MEncoderTestEngine &operator=(const MEncoderTestEngine &) = delete;

    // Runs "mencoder -ovc help -oac help -of help" and parses it; true when ready.
    bool queryEngine();
    // The raw standard output of that query on the installed MEncoder.
    static QByteArray helpOutput();

    InterfaceMEncoder builder;
    EncodingJob job;
    InterfaceStatus status;
    EngineCapabilities capabilities;
    QMap<QString, QString> videoCodecs, audioCodecs, subtitleCodecs, muxers;
    QMap<QString, QStringList> lavcVideo, lavcAudio, lavcSubtitle, lavfMuxers;

    // Source records as the player hands them over for the generated media.
    static EncodingSource clipSource(const QString &path); // TestMedia::standardAvi()
    static EncodingSource dvdSource(const QString &folder); // TestMedia::dvdFolder(), title 1
};

// One stream of a media file as ffprobe reports it.
struct ProbedStream
{
    QString type; // "video", "audio", ...
    QString codec;
    int width = 0;
    int height = 0;
};
QList<ProbedStream> probeStreams(const QString &path);
