#pragma once

#include "player/playerwidget.h"

class MervoPlayer;

// The extended player panel: the same panel driving a MervoPlayer facade, and the answer
// to the main window's question which engines are ready.
class MervoPlayerWidget : public PlayerWidget
{
    Q_OBJECT

public:
    MervoPlayerWidget(QWidget *consoleWindow, const QString &mplayerBinPath,
                      const QString &mediaInfoBinPath, const QString &ffprobeBinPath,
                      QTextEdit *stdInConsole, QTextEdit *stdOutConsole,
                      QTextEdit *stdErrConsole, QTextEdit *logConsole, int verbosity,
                      const PlayerPreferences *preferences, QWidget *parent = nullptr);

    // As the base panel's, but the consoles are emptied first, a file load's progress
    // window is modal too, and the panel decides from the movie's video format whether
    // the source has video.
    bool setInput(const QString &path, int kind);
    bool checkDvdPath(const QString &path);

    // Each out-value is true when that engine's last status run left it ready; runs nothing.
    void enginesReady(bool *player, bool *mediaInfo, bool *ffprobe) const;

protected:
    MervoPlayer *mervoPlayer = nullptr;
};
