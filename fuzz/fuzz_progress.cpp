// A running job's output as the job views read it for progress: MEncoder's standard output
// and FFmpeg's standard error, as one chunk and line by line as chunks arrive.

#include "fuzztarget.h"

#include "builders/interfaceffmpeg.h"
#include "builders/interfacemencoder.h"

namespace {
using ProgressReader = bool (*)(const QString &, QString &, int &, double &, int &, int &, double &, int &);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString whole = FuzzTarget::text(data, size);
    const QList<QByteArray> lines = FuzzTarget::lines(data, size);
    qsizetype found = 0;
    for (ProgressReader read : {&InterfaceMEncoder::parseProgress, &InterfaceFFmpeg::parseProgress}) {
        int frame = 0, percent = 0, minutesLeft = 0, sizeKb = 0;
        double position = 0.0, fps = 0.0;
        QString rest;
        found += read(whole, rest, frame, position, percent, minutesLeft, fps, sizeKb) ? 1 : 0;
        for (const QByteArray &line : lines)
            found += read(QString::fromUtf8(line), rest, frame, position, percent, minutesLeft, fps, sizeKb) ? 1 : 0;
    }
    FuzzTarget::parsed(found);
    return 0;
}
