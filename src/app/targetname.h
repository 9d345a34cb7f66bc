#pragma once

#include <QString>

// The output base name the main window proposes for a loaded input.
namespace TargetName {

// sourceName is the player's name of the input: a file's complete base name, a DVD's volume
// name or, without one, its folder path. A path gives the name of the folder above
// VIDEO_TS (letters of any script count as word characters); a forced, non-empty name from
// the preferences wins; otherwise "DVD_VIDEO" for a DVD (kind 2) and "Ouput" for a file.
QString fromSource(const QString &sourceName, int kind, bool forceName, const QString &forcedName);

}
