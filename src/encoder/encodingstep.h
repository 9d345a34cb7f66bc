#pragma once

#include <QString>
#include <QStringList>

// One engine command of an encoding: the engine type, its program and arguments, and the
// file it writes. An encoding that no single engine can do takes two: the player copies the
// DVD title's stream into an intermediate file that FFmpeg then encodes.
struct EncodingStep
{
    int type = 0;
    QString program;
    QStringList arguments;
    QString output;
    // What a trial runs where it differs from the command (empty where it does not).
    QStringList trialArguments;
};
