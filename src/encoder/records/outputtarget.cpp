#include "encoder/records/outputtarget.h"

OutputTarget::OutputTarget(const QString &folder, const QString &baseName,
                           const QString &extension, const QString &muxer)
    : folder(folder)
    , baseName(baseName)
    , extension(extension)
    , muxer(muxer)
{
}

QString OutputTarget::fileName() const
{
    return baseName + extension;
}
