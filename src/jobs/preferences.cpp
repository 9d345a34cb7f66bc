#include "jobs/preferences.h"

void Preferences::reset()
{
    encoder = EncoderPreferences();
    player.reset();
}
