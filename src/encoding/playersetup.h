#pragma once

#include "jobs/playerpreferences.h"

#include <QString>

class QTextEdit;
class QWidget;

// The arguments a player panel is built with; the encoder panel holds one for its preview
// window and for the hidden players that analyse what it encoded.
struct PlayerSetup
{
    PlayerSetup() { preferences.reset(); }

    QWidget *consoleWindow = nullptr;
    QString mplayerPath;
    QString mediaInfoPath;
    QString ffprobePath;
    QTextEdit *stdIn = nullptr;
    QTextEdit *stdOut = nullptr;
    QTextEdit *stdErr = nullptr;
    QTextEdit *log = nullptr;
    int verbosity = 1;
    PlayerPreferences preferences;
};
