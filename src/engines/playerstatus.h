#pragma once

#include "engines/interfacestatus.h"

// The status of the MPlayer back-end: the fields of an engine status followed by whether
// the back-end offers an OpenGL video output ("gl" or "gl2" among its drivers).
struct PlayerStatus : InterfaceStatus
{
    bool openGl = false;

    // Hides InterfaceStatus::clear so that openGl is cleared too.
    void clear();
};
