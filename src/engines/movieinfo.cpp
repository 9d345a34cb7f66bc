#include "engines/movieinfo.h"

void MovieInfo::reset()
{
    *this = MovieInfo();
}
