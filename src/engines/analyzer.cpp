#include "engines/analyzer.h"

Analyzer::Analyzer() = default;

bool Analyzer::runProcess(const QStringList &arguments, QString &stdOut, QString &stdErr,
                          QString &error)
{
    return runEngine("Analyzer", arguments, stdOut, stdErr, error);
}
