#include "encoder/records/enginetype.h"

QString EngineType::name(int type)
{
    switch (type) {
    case MEncoder:
        return QStringLiteral("MEncoder");
    case FFmpeg:
        return QStringLiteral("FFmpeg");
    case MPlayer:
        return QStringLiteral("MPlayer");
    default:
        return QStringLiteral("unknown");
    }
}
