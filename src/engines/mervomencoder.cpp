#include "engines/mervomencoder.h"

MervoMEncoder::MervoMEncoder() = default;
