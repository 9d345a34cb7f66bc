#include "engines/titleinfo.h"

void TitleInfo::reset()
{
    *this = TitleInfo();
}
