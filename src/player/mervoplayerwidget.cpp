#include "player/mervoplayerwidget.h"

#include "engines/interfacestatus.h"
#include "engines/mervoplayer.h"
#include "engines/playerstatus.h"

#include <QCheckBox>

MervoPlayerWidget::MervoPlayerWidget(QWidget *consoleWindow, const QString &mplayerBinPath,
                                     const QString &mediaInfoBinPath,
                                     const QString &ffprobeBinPath, QTextEdit *stdInConsole,
                                     QTextEdit *stdOutConsole, QTextEdit *stdErrConsole,
                                     QTextEdit *logConsole, int verbosity,
                                     const PlayerPreferences *preferences, QWidget *parent)
    : PlayerWidget(consoleWindow, mplayerBinPath, mediaInfoBinPath, ffprobeBinPath,
                   stdInConsole, stdOutConsole, stdErrConsole, logConsole, verbosity,
                   preferences, parent)
{
    delete player;
    mervoPlayer = new MervoPlayer(Player::MplayerBackend, this->mplayerBinPath,
                                  this->mediaInfoBinPath, this->ffprobeBinPath,
                                  this->stdInConsole, this->stdOutConsole, this->stdErrConsole,
                                  this->logConsole, this->verbosity,
                                  this->preferences.latencyStart,
                                  this->preferences.latencyFinished,
                                  this->preferences.latencyKill);
    player = mervoPlayer;
    attachRenderer();
    chooseVideoOutput();
    takeRecords();

    disconnect(loadStateBox, &QCheckBox::stateChanged, nullptr, nullptr);
    connectLoadState();
    // Both bridge connections are unique, so making them again does not double them.
    connectBridge();

    updatePlayIcons();
    loadStateBox->setCheckState(Qt::Unchecked);
    updateControlsOnLoading(loadStateBox->checkState());
}

void MervoPlayerWidget::enginesReady(bool *player, bool *mediaInfo, bool *ffprobe) const
{
    if (player)
        *player = playerStatusRecord->state == InterfaceStatus::Ready;
    if (mediaInfo)
        *mediaInfo = mediaInfoStatusRecord->state == InterfaceStatus::Ready;
    if (ffprobe)
        *ffprobe = ffprobeStatusRecord->state == InterfaceStatus::Ready;
}

bool MervoPlayerWidget::setInput(const QString &path, int kind)
{
    return loadInput(path, kind, true);
}

bool MervoPlayerWidget::checkDvdPath(const QString &path)
{
    return PlayerWidget::checkDvdPath(path);
}
