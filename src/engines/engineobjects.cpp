#include "engines/engineobjects.h"

#include "engines/mervomencoder.h"
#include "engines/outputmeter.h"
#include "jobs/console.h"
#include "jobs/outputcheck.h"

namespace {
struct Registry
{
    Console *console = nullptr;
    FFmpeg *ffmpeg = nullptr;
    FFprobe *ffprobe = nullptr;
    MervoMEncoder *mencoder = nullptr;
};

Registry &registry()
{
    static Registry objects;
    return objects;
}
} // namespace

Console *EngineObjects::console()
{
    static Console fallback;
    return registry().console ? registry().console : &fallback;
}

void EngineObjects::setConsole(Console *console)
{
    registry().console = console;
}

void EngineObjects::setEngines(FFmpeg *ffmpeg, FFprobe *ffprobe, MervoMEncoder *mencoder)
{
    registry().ffmpeg = ffmpeg;
    registry().ffprobe = ffprobe;
    registry().mencoder = mencoder;
    // The job engine judges finished outputs with these engines.
    OutputCheck::setMeter(ffmpeg ? &OutputMeter::measure : nullptr);
    OutputCheck::setSourceMeter(ffmpeg ? &OutputMeter::sourceLengths : nullptr);
    OutputCheck::setSoundDecoder(ffmpeg ? &OutputMeter::decodesSound : nullptr);
    OutputCheck::setStartMeter(ffprobe ? &OutputMeter::starts : nullptr);
    OutputCheck::setHoldMeter(ffmpeg ? &OutputMeter::heldPicture : nullptr);
}

FFmpeg *EngineObjects::ffmpeg()
{
    return registry().ffmpeg;
}

FFprobe *EngineObjects::ffprobe()
{
    return registry().ffprobe;
}

MEncoder *EngineObjects::mencoder()
{
    return registry().mencoder;
}

MervoMEncoder *EngineObjects::mervoMEncoder()
{
    return registry().mencoder;
}
