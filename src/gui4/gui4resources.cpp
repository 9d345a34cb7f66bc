#include "gui4/gui4resources.h"

#include <QtGlobal>

// Resources compiled into a static library are only registered when something calls
// their initialiser; the application does so once at start-up.
void initGui4Resources()
{
    Q_INIT_RESOURCE(gui4);
}
