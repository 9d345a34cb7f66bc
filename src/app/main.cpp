// Entry point: the application object with its identity, then the shell's passes.

#include "app/appidentity.h"
#include "app/applicationshell.h"
#include "app/stopsignals.h"
#include "gui4/gui4resources.h"
#include "jobs/openfilelimit.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Before anything is written: the reader of the program's output may be gone already.
    StopSignals::outliveReaders();
    // Queued jobs all run at once, each with pipes to its engine.
    raiseOpenFileLimit();
    // MPlayer draws into the player panel's native X window ("-wid"): on a Wayland desktop
    // the program runs on X11 (XWayland) unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    initGui4Resources();
    AppIdentity::apply();
    ApplicationShell shell;
    return shell.run();
}
