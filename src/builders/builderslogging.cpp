#include "builders/builderslogging.h"

Q_LOGGING_CATEGORY(lcBuilders, "vexo.builders", QtInfoMsg)
