#include "jobs/producttitle.h"

QString productTitle()
{
    return QStringLiteral("Vexo 4.0");
}
