#pragma once

// A builder set up as the encoder core sets it up, for the builder tests and the fuzz
// targets of the builders' parsers.

#include "encoder/records/encodingjob.h"
#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"

#include <QMap>
#include <QString>
#include <QStringList>

// A builder with records of its own; the builder holds pointers to the members.
template <class Builder>
struct BuilderRecords
{
    explicit BuilderRecords(const QString &binary = QString())
    {
        capabilities = {&videoCodecs, &audioCodecs, &subtitleCodecs, &muxers,
                        &lavcVideo,   &lavcAudio,   &lavcSubtitle,   &lavfMuxers};
        builder.init(binary, &capabilities, &job, &status);
    }
    Q_DISABLE_COPY(BuilderRecords)
    // Hands an engine's answer to one parser, as the encoder core does; the resulting state.
    int parse(const QByteArray &answer, void (Builder::*parser)() = &Builder::parseStatus)
    {
        status.stdOut = answer;
        status.state = InterfaceStatus::OutputCaptured;
        (builder.*parser)();
        return status.state;
    }
    Builder builder;
    EncodingJob job;
    InterfaceStatus status;
    EngineCapabilities capabilities;
    QMap<QString, QString> videoCodecs, audioCodecs, subtitleCodecs, muxers;
    QMap<QString, QStringList> lavcVideo, lavcAudio, lavcSubtitle, lavfMuxers;
};
