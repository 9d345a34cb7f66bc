#include "builders/encodecommandbuilder.h"

void EncodeCommandBuilder::init(const QString &binary, EngineCapabilities *capabilities,
                                EncodingJob *data, InterfaceStatus *status)
{
    CommandBuilder::init(binary, capabilities, data, status);
    passes = 1;
    pass = 1;
}
