#pragma once

#include "builders/commandbuilder.h"

// A command builder that also builds encodes, which may take more than one pass. The
// encoder core writes `passes` and `pass` directly before it asks for each pass.
class EncodeCommandBuilder : public CommandBuilder
{
public:
    // Also starts every later encode as the only pass.
    void init(const QString &binary, EngineCapabilities *capabilities, EncodingJob *data,
              InterfaceStatus *status);

    // The program's names for the engine's names that both encode engines share: those of
    // the containers and of the video codecs (the audio names differ per engine). Each
    // first empties its table.
    void initMuxerAliases();
    void initVideoCodecAliases();

    int passes = 1; // passes of the next encode
    int pass = 1;   // the pass being built, counted from 1

protected:
    EncodeCommandBuilder() = default;
};
