#include "player/playerlogging.h"

Q_LOGGING_CATEGORY(lcPlayer, "vexo.player", QtInfoMsg)
