#include "app/applogging.h"

Q_LOGGING_CATEGORY(lcApp, "vexo.app", QtInfoMsg)
