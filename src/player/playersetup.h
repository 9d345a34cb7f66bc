#pragma once

#include "jobs/playerpreferences.h"

#include <QString>

class QTextEdit;
class QWidget;

// What a player panel is built with, in the order of the panel's constructor: the window
// its progress windows centre on, the three engine paths, the four consoles, the
// verbosity and the player preferences.
struct PlayerSetup
{
    QWidget *consoleWindow = nullptr;
    QString mplayerBinPath;
    QString mediaInfoBinPath;
    QString ffprobeBinPath;
    QTextEdit *stdInConsole = nullptr;
    QTextEdit *stdOutConsole = nullptr;
    QTextEdit *stdErrConsole = nullptr;
    QTextEdit *logConsole = nullptr;
    int verbosity = 1;
    PlayerPreferences preferences;
};
