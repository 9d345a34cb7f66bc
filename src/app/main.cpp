// Entry point: the application object with its identity, the process-wide console and
// the engine objects of one run.

#include "app/appidentity.h"
#include "gui4/gui4resources.h"
#include "jobs/console.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    // MPlayer draws into the player panel's native X window ("-wid"): on a Wayland desktop
    // the program runs on X11 (XWayland) unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    initGui4Resources();
    AppIdentity::apply();

    Console console;
    console.log(LogLevel::Normal,
                QCoreApplication::translate("main", "%1 started").arg(QCoreApplication::applicationName()));
    return 0;
}
