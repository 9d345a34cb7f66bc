#include "jobs/playerpreferences.h"

void PlayerPreferences::reset()
{
    *this = PlayerPreferences();
}
