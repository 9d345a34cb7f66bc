#include "engines/interfacestatus.h"

void InterfaceStatus::clear()
{
    *this = InterfaceStatus();
}
