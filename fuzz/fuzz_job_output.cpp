// A running job's output as the job views take it: FFmpeg's and MEncoder's two channels,
// arriving in pieces, routed by JobOutputRouter into progress figures and console text; the
// consoles turn the figures into a percentage, a speed and a time left against the job's
// totals (ProgressTotals), and their mini consoles show them.

#include "fuzztarget.h"

#include "encoder/records/enginetype.h"
#include "encoding/joboutputrouter.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/mervominiconsolewidget.h"
#include "encoding/progresstotals.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUpWindows();
    const QByteArray bytes = FuzzTarget::bytes(data, size);
    // The first byte chooses the pieces' size and the job's totals (known or not).
    const uchar choice = bytes.isEmpty() ? 0 : uchar(bytes.at(0));
    const qsizetype piece = 16 + (choice % 13) * 97;
    qsizetype found = 0;
    for (int engine : {EngineType::FFmpeg, EngineType::MEncoder}) {
        // The mini console owns its console, as in the job views.
        auto *console = new MervoConsoleDialog(QStringLiteral("job"), QStringLiteral("Encoding"),
                                               QStringLiteral("engine"), QStringLiteral("engine"), 1, true);
        MervoMiniConsoleWidget mini(console, nullptr);
        // The figures the router read reach the console as progress.
        QObject::connect(console, qOverload<>(&ConsoleDialog::progressUpdated), [&found] { ++found; });
        if (choice & 0x80) {
            console->durationTotal = 40.0;
            console->frameTotal = 1000;
            console->sizeTotal = 4096;
        }
        QByteArray pending[2];
        for (qsizetype at = 0; at < bytes.size(); at += piece) {
            for (int channel : {0, 1}) {
                const QString text = JobOutputRouter::decode(pending[channel], bytes.mid(at, piece), false);
                JobOutputRouter::feed(console, engine, QProcess::ProcessChannel(channel), text, at / 1000.0);
            }
        }
        console->flushOutput();
        console->displayProgress();
    }

    // The rules themselves, on figures taken from the input.
    ProgressTotals totals;
    totals.duration = 60.0;
    totals.frames = 1500;
    totals.size = 1024;
    for (qsizetype at = 0; at + 4 <= bytes.size(); at += 4) {
        const int frame = qint8(bytes.at(at)) * 50;
        const double position = qint8(bytes.at(at + 1));
        int percent = qint8(bytes.at(at + 2));
        const int sizeKb = qint8(bytes.at(at + 3)) * 20;
        totals.completePercent(frame, position, percent, sizeKb);
        int remaining = qint8(bytes.at(at + 3));
        ProgressTotals::completeRemaining(frame, percent, position / 10.0, remaining);
        ProgressTotals::speedText(frame, sizeKb, position);
    }
    FuzzTarget::parsed(found);
    return 0;
}
