#include "engines/engineslogging.h"

Q_LOGGING_CATEGORY(lcEngines, "vexo.engines", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMplayer, "vexo.engines.mplayer", QtInfoMsg)
