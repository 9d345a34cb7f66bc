#pragma once

#include "engines/player.h"

// The player facade of the extended panel. It behaves as a Player built with the same
// arguments; it exists so that the extended layer names its own facade.
class MervoPlayer : public Player
{
    Q_OBJECT

public:
    MervoPlayer(int backendType, const QString &backendBinary, const QString &mediaInfoBinary,
                const QString &ffprobeBinary, QTextEdit *stdInConsole,
                QTextEdit *stdOutConsole, QTextEdit *stdErrConsole, QTextEdit *logConsole,
                int logLevel, int startTimeout, int finishTimeout, int killTimeout);
};
