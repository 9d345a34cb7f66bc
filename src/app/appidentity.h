#pragma once

#include <QString>

// The program's identity: the names under which the settings store keeps its values
// and the texts that window titles begin with.
namespace AppIdentity {

// "Vexo 4.0": the product title used in window titles.
QString productTitle();
// "Vexo 4.0 Mervo Edition": the application name and so the settings store's name.
QString applicationTitle();
// The maker's domain name; fixed, because the settings file's path depends on it.
inline constexpr const char *kOrganizationName = "vexo-media.org";
inline constexpr const char *kOrganizationDomain = "Vexo";
// The organisation of the other edition's store, which "Clear all settings" clears too.
inline constexpr const char *kOtherEditionOrganization = "Orvel";
inline constexpr const char *kWindowIcon = ":/gui4/images/vexo4icon.svg";
// The texts the About box and the update check give of this release.
inline constexpr const char *kProductName = "Vexo";
inline constexpr const char *kShortVersion = "4.0";
inline constexpr const char *kFullVersion = "4.0.1.0";
inline constexpr const char *kBuildNumber = "9173";
// The exit code of an event loop that asks for the program to be rebuilt in place.
inline constexpr int kRestartExitCode = 1000;

// Sets application name, organisation name and domain, and the window icon.
void apply();
}
