#include "encoder/records/encodingtarget.h"

EncodingTarget::EncodingTarget()
{
    reset();
}

void EncodingTarget::reset()
{
    muxer.clear();
    profile.level = EncoderProfile::LevelNone;
    video.reset();
    audio.reset();
    subtitleCodec.clear();
    spareList1 = QStringList();
    spareList2 = QStringList();
    extraOptions = QMap<QString, QString>();
    spareInt1 = 0;
    spareInt2 = 0;
}
