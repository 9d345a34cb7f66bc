#pragma once

#include "encoder/records/encodingsource.h"
#include "encoder/records/encodingtarget.h"

// One engine's job record as its command builder reads it; both halves start reset.
struct EncodingJob
{
    EncodingSource source;
    EncodingTarget target;
};
