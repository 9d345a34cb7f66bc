#pragma once

#include "engines/disktitle.h"

#include <QString>

#include <array>

// The disc-level result of a DVD identify pass.
struct DiskInfo
{
    // A DVD has at most 99 titles, numbered from 1.
    static constexpr int MaxTitles = 99;

    int kind = 0;         // media kind of the pass; the disc parser works only for 2 (DVD)
    int titleCount = 0;
    QString volumeId;
    int currentTitle = 0; // title of the last per-title line parsed
    int mainTitle = 0;    // the longest title, chosen by the player panel
    std::array<DiskTitle, MaxTitles> titles{}; // titles[n - 1] describes title n

    // The entry of title `number` (1 to 99), or null for a number outside the table,
    // so that a title number read from engine output can never write past it.
    DiskTitle *title(int number);
    const DiskTitle *title(int number) const;
};
