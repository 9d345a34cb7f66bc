#pragma once

#include <QList>
#include <QVariant>

// The values a task carries for the job views, one QVariant per slot. Whoever builds a
// task allocates the list and hands it over by pointer; the job engine itself reads only
// the output path.
using EncodingTaskData = QList<QVariant>;

namespace TaskDataSlot {
enum {
    EngineType = 0,    // int: 1 MEncoder, 2 FFmpeg, 3 x264, 4 MKVmerge
    Duration = 1,      // double: duration of the source in seconds
    TestSize = 2,      // qint64: MEncoder frame total, or FFmpeg expected size in bytes
    AspectRatio = 3,   // double: aspect ratio of the output
    Step = 4,          // int: 0 the encode itself, other values a finalising step
    OutputPath = 5,    // QString: output file, removed when the task is aborted
    Extension = 6,     // QString: extension or target muxer (final output of a finalising step)
    Preview = 7,       // bool: preview flag
    ConsoleLayout = 8, // the layout that receives the task's mini console, or empty
    Count = 9
};
}

// Some jobs carry fewer than nine values, so every reader goes through this: a slot past
// the end (or a task without data) reads as an empty value.
inline QVariant taskDataValue(const EncodingTaskData *data, int slot)
{
    if (!data || slot < 0 || slot >= data->size())
        return QVariant();
    return data->at(slot);
}
