#pragma once

class Console;
class FFmpeg;
class FFprobe;
class MEncoder;
class MervoMEncoder;

// The process-wide objects of the engine side. Start-up makes the console first, then one
// FFmpeg, one FFprobe and one MervoMEncoder, and registers them here; the engine processors
// take the console from here when they are built, and the media editors take the engines.
// The MEncoder is reachable both as the plain engine and as the extended one: it is the
// same object. Nothing here owns the objects (they live until the program ends).
class EngineObjects
{
public:
    // The registered console; before start-up has registered one, a console without views
    // (which writes to the debug output) so that early users never hold a null pointer.
    static Console *console();
    static void setConsole(Console *console);

    // With an FFmpeg the job engine also measures finished outputs (OutputMeter).
    static void setEngines(FFmpeg *ffmpeg, FFprobe *ffprobe, MervoMEncoder *mencoder);
    static FFmpeg *ffmpeg();
    static FFprobe *ffprobe();
    static MEncoder *mencoder();
    static MervoMEncoder *mervoMEncoder();
};
