#include "player/playerdialog.h"

#include "engines/mediainfodata.h"
#include "engines/videoinfo.h"
#include "player/playerwidget.h"

#include <QFileInfo>
#include <QVBoxLayout>

namespace {
}

PlayerDialog::PlayerDialog(const QString &title, const PlayerSetup &setup, QWidget *parent)
    : QDialog(parent)
    , dialogTitle(title.isEmpty() ? tr("Player") : title)
    , setup(setup)
{
    setWindowTitle(dialogTitle);
    playerWidget = new PlayerWidget(nullptr, setup.mplayerBinPath, setup.mediaInfoBinPath,
                                    setup.ffprobeBinPath, setup.stdInConsole, setup.stdOutConsole,
                                    setup.stdErrConsole, setup.logConsole, setup.verbosity,
                                    &this->setup.preferences, this);
    // A preview offers only what the file holds: no "No video" or "No audio".
    playerWidget->setStreamChoices(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(playerWidget);
    centerOnParent();
}

void PlayerDialog::centerOnParent()
{
    const QWidget *window = setup.consoleWindow;
    if (!window)
        return;
    move(window->x() + (window->width() - width()) / 2, window->y() + (window->height() - height()) / 2);
}

void PlayerDialog::loadMedia(const QString &path)
{
    if (!playerWidget->setInput(path, VideoInfo::MediaFile)) {
        mediaPath.clear();
        setWindowTitle(dialogTitle);
        return;
    }
    mediaPath = path;
    const QString fileName = QFileInfo(path).fileName();
    setWindowTitle(fileName.isEmpty() ? dialogTitle : tr("%1 - %2").arg(dialogTitle, fileName));
    if (!analysisOnly)
        playerWidget->play();
}

MediaInfoData PlayerDialog::mediaInfoData() const
{
    return playerWidget->mediaInfoData();
}
