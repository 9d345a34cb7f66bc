// A running FFmpeg job's standard error, chunk by chunk as it arrives, through the progress
// reader of the job views.

#include "fuzztarget.h"

#include "builders/interfaceffmpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    int frame = 0, percent = 0, minutesLeft = 0, sizeKb = 0;
    double position = 0.0, fps = 0.0;
    QString rest;
    // The whole input as one chunk, then each line as a chunk of its own.
    InterfaceFFmpeg::parseProgress(FuzzTarget::text(data, size), rest, frame, position, percent, minutesLeft, fps,
                                   sizeKb);
    for (const QByteArray &line : FuzzTarget::lines(data, size))
        InterfaceFFmpeg::parseProgress(QString::fromUtf8(line), rest, frame, position, percent, minutesLeft, fps,
                                       sizeKb);
    return 0;
}
