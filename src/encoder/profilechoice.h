#pragma once

#include "encoder/records/encoderprofile.h"

#include <QString>

// One entry of the configurator's "Profile" group: a level with its title, its one-line
// summary and the profile it stands for.
struct ProfileChoice
{
    int level = 0;
    QString title;
    QString summary;
    int spareInt = 0; // not set by the configurator
    EncoderProfile profile;
};
