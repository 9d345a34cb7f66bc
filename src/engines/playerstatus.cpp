#include "engines/playerstatus.h"

void PlayerStatus::clear()
{
    *this = PlayerStatus();
}
