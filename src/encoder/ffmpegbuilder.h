#pragma once

// The FFmpeg command builder, when this tree has it. Until it arrives the encoder keeps an
// empty FFmpeg record: the engine is never ready and every FFmpeg command is refused.
#if __has_include("builders/interfaceffmpeg.h")
#include "builders/interfaceffmpeg.h"
#define VEXO_FFMPEG_BUILDER 1
#else
class InterfaceFFmpeg
{
};
#define VEXO_FFMPEG_BUILDER 0
#endif
