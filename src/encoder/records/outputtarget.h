#pragma once

#include <QString>

// Where the result of an encoding goes.
struct OutputTarget
{
    explicit OutputTarget(const QString &folder = QString(), const QString &baseName = QString(),
                          const QString &extension = QString(), const QString &muxer = QString());

    // The base name followed by the extension.
    QString fileName() const;

    QString folder;
    QString baseName;  // without extension
    QString extension; // with its leading dot, e.g. ".avi"
    QString muxer;
    int spareInt1 = 681; // copied with the record, not interpreted
    int spareInt2 = 2;
};
