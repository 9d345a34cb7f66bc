// How long opening a media file takes in the player panel (MediaInfo, FFprobe and the
// MPlayer identify run), against the same three runs made directly one after another and
// side by side; also the longest time the window could not handle events meanwhile.
//
//   bench_fileload [runs]      (at least 5; paired: raw and program alternate)
//
// Prints FAIL and exits 1 when a goal is missed.

#include "engines/ffprobedata.h"
#include "engines/interfaceffprobe.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "engines/player.h"

#include "panelbench.h"

#include <QTemporaryDir>

int main(int argc, char **argv)
{
    const Bench::PanelBenchApplication application(argc, argv);
    const int runs = application.rounds;

    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("movie.avi"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=640x360:rate=25:duration=10", "-f",
                  "lavfi", "-i", "sine=frequency=440:duration=10", "-c:v", "mpeg4", "-c:a", "libmp3lame", file});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "could not make the movie with ffmpeg\n");
        return 2;
    }

    Bench::PanelLoad subject{PlayerPreferences()};
    subject.load(file, 1); // warms the caches

    // The three runs the panel makes, in its order.
    QList<Bench::RawRun> raw(3);
    MediaInfoData mediaInfoData;
    InterfaceStatus status;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init(QStringLiteral("mediainfo"), &mediaInfoData, &status);
    mediaInfo.cliCmdGetInfo(file, raw[0].program, raw[0].arguments);
    FFprobeData ffprobeData;
    InterfaceFFprobe ffprobe;
    ffprobe.init(QStringLiteral("ffprobe"), &ffprobeData, &status);
    ffprobe.cliCmdGetInfo(file, raw[1].program, raw[1].arguments);
    Player facade(Player::MplayerBackend, QStringLiteral("mplayer"), QStringLiteral("mediainfo"),
                  QStringLiteral("ffprobe"), nullptr, nullptr, nullptr, nullptr, 0, 0, 0, 0);
    facade.setBackendBinary(QStringLiteral("mplayer"));
    facade.setSourceFile(file, 1, false);
    facade.disableAudio();
    facade.disableVideo();
    facade.disableSubtitle();
    facade.setWid(subject.windowId());
    facade.cliCmdIdentify(&raw[2].program, &raw[2].arguments);
    raw[2].input = facade.cliGetDeinterlace().toUtf8();
    Bench::rawSerial(raw);

    std::printf("a 10 s AVI (MPEG-4 and MP3), three engine runs\n");
    const bool met = Bench::comparePaired(
        subject, file, 1, raw, [&] { return Bench::rawSideBySide(raw, 3); }, runs, 0.6);
    return met ? 0 : 1;
}
