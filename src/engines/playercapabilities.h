#pragma once

#include <QMap>
#include <QString>

// A view on the player facade's two driver maps (driver name to description). The maps
// belong to the facade; the status parser inserts into them through this view, so a
// copy of the view reaches the same maps.
struct PlayerCapabilities
{
    QMap<QString, QString> *videoDrivers = nullptr;
    QMap<QString, QString> *audioDrivers = nullptr;
};
