#pragma once

#include "builders/commandbuilder.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The command builder of x264 (engine type 3). It builds no encodes: it offers its
// vocabulary, the status query ("--fullhelp"), the parser of that query's answer and the
// container check.
//
// Once the status parser has read the engine, the container check also refuses an output
// type that this x264 build cannot write (its help marks such a type "(no)").
class InterfaceX264 : public CommandBuilder
{
    Q_DECLARE_TR_FUNCTIONS(InterfaceX264)

public:
    InterfaceX264();

    // Why the x264 that the status parser read cannot write the container; empty when it
    // can, or when no engine has been read yet.
    QString muxerRefusal(const QString &muxer) const override;

    void cliCmdGetStatus(QString &program, QStringList &arguments) const;
    void parseStatus();

private:
    bool engineKnown() const;
    void parseAudio(const QString &text);
    void parseOutputTypes(const QString &formats);
};
