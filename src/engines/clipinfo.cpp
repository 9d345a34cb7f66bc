#include "engines/clipinfo.h"

void ClipInfo::reset()
{
    *this = ClipInfo();
}
