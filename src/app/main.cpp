// Entry point: the application object with its identity, the process-wide console and
// the engine objects of one run.

#include "app/appidentity.h"
#include "gui4/gui4resources.h"
#include "jobs/console.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    initGui4Resources();
    AppIdentity::apply();

    Console console;
    console.log(LogLevel::Normal,
                QCoreApplication::translate("main", "%1 started").arg(QCoreApplication::applicationName()));
    return 0;
}
