#include "engines/mervoplayer.h"

MervoPlayer::MervoPlayer(int backendType, const QString &backendBinary,
                         const QString &mediaInfoBinary, const QString &ffprobeBinary,
                         QTextEdit *stdInConsole, QTextEdit *stdOutConsole,
                         QTextEdit *stdErrConsole, QTextEdit *logConsole, int logLevel,
                         int startTimeout, int finishTimeout, int killTimeout)
    : Player(backendType, backendBinary, mediaInfoBinary, ffprobeBinary, stdInConsole,
             stdOutConsole, stdErrConsole, logConsole, logLevel, startTimeout, finishTimeout,
             killTimeout)
{
}
