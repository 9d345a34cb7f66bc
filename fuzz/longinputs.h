#pragma once

// Long inputs for the fuzz targets, replayed by the test build's driver (seedreplay.cpp,
// "--long") under a time bound: every parser must stay linear on any answer up to what the
// program reads of it (SyncRunner::OutputLimit, 4 MiB a channel). Two kinds:
// - recipes (fuzz/long/TARGET.txt): one input a line, "name<TAB>piece<TAB>piece...", each
//   piece a text with the escapes \n \r \t \\ \xHH, optionally followed by "*COUNT" (that
//   many times) or "*fill" (repeated until the input reaches the read limit);
// - shapes made of each seed: the seed repeated, and the seed as one line repeated, to
//   LongInputs::ShapeBytes, so that whatever a parser keeps or searches across lines grows.

#include <QByteArray>
#include <QList>
#include <QString>

namespace LongInputs {

// The read limit of one answer channel.
constexpr qsizetype ReadLimit = 4 * 1024 * 1024;
// The size of the inputs shaped from the seeds: enough for a quadratic reading to take many
// times the bound, small enough to keep the replay cheap.
constexpr qsizetype ShapeBytes = 512 * 1024;

struct Input
{
    QString name;
    QByteArray bytes;
};

// The inputs of a recipe file; a line it cannot read is an error (message set).
QList<Input> fromRecipes(const QByteArray &recipes, QString *error);
// The shaped inputs of one seed.
QList<Input> fromSeed(const QString &name, const QByteArray &seed);
// How long one input may take: generous for a linear reading on a loaded machine under the
// sanitizers, far less than a quadratic one takes at these sizes. VEXO_LONG_INPUT_MS_PER_MIB
// scales it.
qint64 boundMs(qsizetype bytes);

} // namespace LongInputs
