#pragma once

#include "engines/iprocessor.h"

#include <QString>
#include <QStringList>

// An analysis engine (FFprobe): started like every processor, then asked about media files.
class Analyzer : public IProcessor
{
    Q_OBJECT

public:
    Analyzer();

    // Same contract as Transcoder::runProcess.
    bool runProcess(const QStringList &arguments, QString &stdOut, QString &stdErr,
                    QString &error) override;
};
