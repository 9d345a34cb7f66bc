#pragma once

#include "builders/interfaceffmpeg.h"
#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"

#include <QMap>

// The FFmpeg builder set up as the encoder core sets it up: its own records, and the real
// engine's version, codec and format queries run and parsed, so that its capability maps
// are today's.
class FFmpegTestEngine
{
public:
    FFmpegTestEngine();
    Q_DISABLE_COPY(FFmpegTestEngine) // the builder holds pointers to the members

    // Runs the three queries on the installed FFmpeg and parses them as the encoder core
    // does; true when every parser succeeded (the status is then ready).
    bool queryEngine();
    // The raw standard output of one query ("-version", "-codecs", "-formats").
    static QByteArray queryOutput(const QString &argument);

    InterfaceFFmpeg builder;
    EncodingJob job;
    InterfaceStatus status;
    EngineCapabilities capabilities;
    QMap<QString, QString> videoCodecs, audioCodecs, subtitleCodecs, muxers;
};
