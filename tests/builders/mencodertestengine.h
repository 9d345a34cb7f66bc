#pragma once

#include "builders/interfacemencoder.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"

// The MEncoder builder set up as the encoder core sets it up: its own records, and the
// real engine's status query run and parsed, so that its capability maps are today's.
class MEncoderTestEngine
{
public:
    MEncoderTestEngine();
    Q_DISABLE_COPY(MEncoderTestEngine) // the builder holds pointers to the members

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

// Sets a target at the user's settings (level 4: the target's own fields) or at a predefined
// level (the profile's fields), as the encoder core does.
void setTarget(EncodingTarget &target, int level, const QString &muxer, const QString &video,
               QSize size, double videoBitrate, const QString &audio, int rate,
               double audioBitrate, const QString &standard = QString());

// ffprobe's lines for the streams of a file with the given entries, e.g. "mpeg4,video".
QStringList probeStreams(const QString &path, const QString &entries = "codec_name,codec_type");

// What a player finds in an output, from one ffprobe run that reads every packet and
// decodes the video.
struct OutputReport
{
    QStringList streams;       // "codec,type" in file order
    int videoFrames = -1;      // decoded frames of the first video stream
    double displayAspect = 0;  // of the first video stream, width over height
    double videoSeconds = 0;   // span of the first video stream's packets
    double audioSeconds = 0;   // span of the first audio stream's packets
};
OutputReport probeOutput(const QString &path);
