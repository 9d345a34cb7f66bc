// Whether the MPlayer back-end is usable, and the run that builds its subtitle font cache.

#include "player/playerwidget.h"
#include "jobs/nestedloop.h"
#include "player/playerlogging.h"

#include "jobs/producttitle.h"
#include "engines/player.h"
#include "engines/playerstatus.h"
#include "engines/syncrunner.h"
#include "jobs/console.h"
#include "jobs/programstart.h"
#include "player/progresswidget.h"

#include <QCoreApplication>
#include <QTextEdit>

#include <memory>

namespace {
// The progress bar only pulses: it climbs one step per output line and falls back here.
constexpr int kPulseTop = 80;
constexpr int kPulseRestart = 20;
// How long one pass of the wait may sleep for output before it handles events again.
constexpr int kPassWaitMs = 20;
} // namespace

bool PlayerWidget::isReady(bool updateFontCache)
{
    const bool ready = playerStatusRecord->state == InterfaceStatus::Ready;
    if (!updateFontCache || !ready)
        return ready;

    Player fontCachePlayer(player->backendType(), mplayerBinPath, mediaInfoBinPath,
                           ffprobeBinPath, stdInConsole, stdOutConsole, stdErrConsole,
                           logConsole, verbosity, preferences.latencyStart,
                           preferences.latencyFinished, preferences.latencyKill);
    fontCachePlayer.setBackendBinary(mplayerBinPath);
    fontCachePlayer.disableAudio();
    fontCachePlayer.disableVideo();
    fontCachePlayer.disableSubtitle();
    QString program;
    QStringList arguments;
    fontCachePlayer.cliCmdUpdateFontCache(&program, &arguments);
    fontCachePlayer.enableAudio();
    if (stdInConsole)
        Console::appendPlain(stdInConsole, program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    qCDebug(lcPlayer) << "Start update MPlayer font cache" << program << arguments;

    // The start-up may have begun this run already, beside the engines' status queries.
    const SyncRunner::TakenRun taken = SyncRunner::takePrefetchedRun(program, arguments);
    std::unique_ptr<QProcess> running(taken.process);
    if (!running) {
        running = std::make_unique<QProcess>();
        ProgramStart::start(running.get(), program, arguments, QIODevice::ReadWrite);
    }
    QProcess &process = *running;
    const bool started = process.state() == QProcess::Starting ? process.waitForStarted(preferences.latencyStart)
                                                               : process.error() != QProcess::FailedToStart;
    if (!started) {
        qCDebug(lcPlayer) << "Failed to update MPlayer font cache [process start timed-out]";
        log(tr("Failed to update MPlayer font cache (process start timed-out)."), LogLevel::Quiet);
        return false;
    }

    // What a prefetched run printed before it was taken is read first.
    QByteArray earlier = taken.stdOut;
    const auto nextLine = [&process, &earlier](QByteArray *line) {
        const qsizetype end = earlier.indexOf('\n');
        if (end >= 0) {
            *line = earlier.left(end + 1);
            earlier.remove(0, end + 1);
            return true;
        }
        if (!process.canReadLine())
            return false;
        *line = earlier + process.readLine();
        earlier.clear();
        return true;
    };

    fontCacheAborted = false;
    bool windowShown = false;
    for (;;) {
        NestedLoop::processEvents("PlayerWidget::updateFontCache");
        // Stopped from its progress window, or by the window that closes or restarts.
        if (fontCacheAborted)
            break;
        if (process.state() != QProcess::Running)
            break;
        process.setReadChannel(QProcess::StandardOutput);
        QByteArray bytes;
        while (nextLine(&bytes)) {
            const QString line = QString::fromUtf8(bytes).simplified();
            qCDebug(lcPlayer) << "PlayerWidget::isReady updating font cache" << line;
            if (!windowShown && line.startsWith(QLatin1String("Scanning file"))) {
                progressWidget = new ProgressWidget(
                    tr("%1 - Processing").arg(productTitle()),
                    tr("Please wait while updating subtitle font cache (can take 1 minute...)"),
                    1, 100, consoleWindow);
                connect(progressWidget, &ProgressWidget::closedByUser, this,
                        &PlayerWidget::stopUpdateFontCache);
                progressWidget->setWindowModality(Qt::ApplicationModal);
                progressWidget->step();
                progressWidget->show();
                NestedLoop::processEvents("PlayerWidget::updateFontCache");
                windowShown = true;
            }
            if (windowShown) {
                if (progressWidget->value() >= kPulseTop)
                    progressWidget->setProgress(1, 100, kPulseRestart);
                else
                    progressWidget->step();
                NestedLoop::processEvents("PlayerWidget::updateFontCache");
            }
        }
        process.setReadChannel(QProcess::StandardError);
        while (process.canReadLine()) {
            // Read outside the debug line: a disabled category does not evaluate its operands.
            const QString line = QString::fromUtf8(process.readLine()).simplified();
            qCDebug(lcPlayer) << "PlayerWidget::isReady updating font cache" << line;
        }
        process.setReadChannel(QProcess::StandardOutput);
        process.waitForReadyRead(kPassWaitMs);
    }

    if (windowShown) {
        delete progressWidget;
        progressWidget = nullptr;
    }
    process.close();
    return true;
}
