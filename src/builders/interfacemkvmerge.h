#pragma once

#include "builders/commandbuilder.h"

#include <QString>
#include <QStringList>

// The command builder of MKVmerge (engine type 4). It builds no commands but its status
// query ("--version"), whose answer it parses; MKVmerge writes Matroska files only.
class InterfaceMKVmerge : public CommandBuilder
{
public:
    InterfaceMKVmerge();

    void cliCmdGetStatus(QString &program, QStringList &arguments) const;
    void parseStatus();
};
