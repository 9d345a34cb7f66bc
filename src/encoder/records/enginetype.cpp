#include "encoder/records/enginetype.h"

QString EngineType::name(int type)
{
    switch (type) {
    case MEncoder:
        return QStringLiteral("MEncoder");
    case FFmpeg:
        return QStringLiteral("FFmpeg");
    default:
        return QStringLiteral("unknown");
    }
}
