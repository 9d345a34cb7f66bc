#include "engines/diskinfo.h"

DiskTitle *DiskInfo::title(int number)
{
    if (number < 1 || number > MaxTitles)
        return nullptr;
    return &titles[static_cast<size_t>(number - 1)];
}

const DiskTitle *DiskInfo::title(int number) const
{
    return const_cast<DiskInfo *>(this)->title(number);
}
