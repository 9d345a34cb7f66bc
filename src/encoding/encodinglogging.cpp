#include "encoding/encodinglogging.h"

Q_LOGGING_CATEGORY(lcEncoding, "vexo.encoding", QtInfoMsg)
