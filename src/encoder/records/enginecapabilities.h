#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// A view on the capability maps that belong to one engine's record in the encoder. The
// engine's status parsers fill the maps through it; a copy reaches the same maps.
struct EngineCapabilities
{
    // Engine name to the engine's description; set for every engine.
    QMap<QString, QString> *videoCodecMap = nullptr;
    QMap<QString, QString> *audioCodecMap = nullptr;
    QMap<QString, QString> *subtitleCodecMap = nullptr;
    QMap<QString, QString> *muxerMap = nullptr;
    // MEncoder only (null for the others): a family name ("lavc", "lavf") to the names
    // reached through it.
    QMap<QString, QStringList> *lavcVideoCodecMap = nullptr;
    QMap<QString, QStringList> *lavcAudioCodecMap = nullptr;
    QMap<QString, QStringList> *lavcSubtitleCodecMap = nullptr; // no parser fills it
    QMap<QString, QStringList> *lavfMuxerMap = nullptr;
};
