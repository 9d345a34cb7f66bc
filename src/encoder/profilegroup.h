#pragma once

#include "encoder/profilechoice.h"

#include <QList>
#include <QString>

// The "Profile" group the configure dialog shows: the container's description, the tab
// label, the job profile the chosen entry is copied into, the selected level (the dialog
// writes it) and the entries.
struct ProfileGroup
{
    QString title;
    QString label;
    EncoderProfile *target = nullptr; // inside the engine's job; set by the first configure
    int selectedLevel = 0;
    QList<ProfileChoice> choices;
};
