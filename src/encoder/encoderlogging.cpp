#include "encoder/encoderlogging.h"

Q_LOGGING_CATEGORY(lcEncoder, "vexo.encoder", QtInfoMsg)
