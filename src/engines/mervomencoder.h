#pragma once

#include "engines/mencoder.h"

// The MEncoder engine object that the program keeps; it behaves as MEncoder does.
class MervoMEncoder : public MEncoder
{
    Q_OBJECT

public:
    MervoMEncoder();
};
