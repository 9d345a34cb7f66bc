#include "testmedia.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
QTemporaryDir &mediaDir()
{
    static QTemporaryDir dir(QDir::tempPath() + "/vexo-media-XXXXXX");
    return dir;
}

const QStringList kQuiet = {"-hide_banner", "-loglevel", "error", "-nostdin", "-y"};
// The encoders cut a picture into one slice per thread, and x264 plans by its threads: told
// nothing, a clip's bytes, and so its sizes and key packets, would follow the machine's cores.
const QStringList kSameBytes = {"-threads", "1"};
}

QString TestMedia::folder()
{
    return mediaDir().path();
}

namespace {
int runIn(QProcess &process, const QString &program, const QStringList &arguments,
          QString *stdOut, QString *stdErr, int timeoutMs)
{
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return -1;
    }
    if (stdOut)
        *stdOut = QString::fromUtf8(process.readAllStandardOutput());
    if (stdErr)
        *stdErr = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
}

int TestMedia::run(const QString &program, const QStringList &arguments, QString *stdOut,
                   QString *stdErr, int timeoutMs)
{
    QProcess process;
    return runIn(process, program, arguments, stdOut, stdErr, timeoutMs);
}

namespace {
// Where a clip of this making is kept for every test program of a run (a name of the whole
// command); empty where no such folder is given. Commands that name a test program's own
// files differ, and are made by each.
QString cachedClip(const QString &name, const QStringList &command)
{
    const QString folder = qEnvironmentVariable("VEXO_MEDIA_CACHE");
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    const QByteArray key = QCryptographicHash::hash(command.join(QChar(0)).toUtf8(), QCryptographicHash::Sha1).toHex();
    return folder + "/" + QString::fromLatin1(key) + "-" + QFileInfo(name).fileName();
}

// Keeps a copy of what was made for the other test programs: written beside it, then renamed,
// so that none reads half a file.
void keepClip(const QString &path, const QString &cached)
{
    const QString part = cached + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
    if (!QFile::copy(path, part) || !QFile::rename(part, cached))
        QFile::remove(part);
}
}

namespace {
// Recordings made one by one and their bytes joined, as a recorder appends one programme to
// another; empty on failure.
QString joinedClip(const QString &name, const QStringList &recordings)
{
    QList<QStringList> parts{{}};
    for (const QString &argument : recordings)
        argument == QLatin1String("JOIN") ? parts.append(QStringList()) : parts.last().append(argument);
    const QString path = TestMedia::folder() + "/" + name;
    QFile joined(path);
    if (!joined.open(QIODevice::WriteOnly))
        return QString();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QFile part(TestMedia::clip(QStringLiteral("part%1-").arg(i) + name, parts.at(i)));
        if (!part.open(QIODevice::ReadOnly) || joined.write(part.readAll()) != part.size()) {
            joined.remove();
            return QString();
        }
    }
    return path;
}
} // namespace

namespace {
// Film as NTSC discs store it: ffmpeg makes the film's pictures and sound from the inputs,
// MEncoder codes the pictures as MPEG-2 at their own rate flagged to repeat fields to fill
// 29.97 (its MPEG muxer's "telecine"; FFmpeg's encoders write no such flags), and ffmpeg
// puts them beside the sound with the codec arguments given.
int softTelecined(const QString &path, const QStringList &inputs, const QStringList &codecs, QString *err)
{
    const QString film = path + ".film.avi", pictures = path + ".telecined.mpg";
    int code = TestMedia::run("ffmpeg", kQuiet + inputs + QStringList{"-c:v", "ffv1", "-c:a", "pcm_s16le"} + kSameBytes
                                            + QStringList{film}, nullptr, err);
    if (code == 0)
        code = TestMedia::run("mencoder", {film, "-nosound", "-ovc", "lavc", "-lavcopts",
                                           "vcodec=mpeg2video:vbitrate=2000:aspect=16/9:threads=1", "-of", "mpeg",
                                           "-mpegopts", "format=dvd:tsaf:telecine", "-ofps", "24000/1001", "-o",
                                           pictures}, nullptr, err);
    if (code == 0)
        code = TestMedia::run("ffmpeg", kQuiet + QStringList{"-i", pictures, "-i", film, "-map", "0:v", "-map", "1:a",
                                                             "-c:v", "copy"} + codecs + kSameBytes + QStringList{path},
                              nullptr, err);
    QFile::remove(film);
    QFile::remove(pictures);
    return code;
}
} // namespace

QString TestMedia::clip(const QString &name, const QStringList &ffmpegInputAndCodecArgs)
{
    const QString path = folder() + "/" + name;
    if (QFileInfo::exists(path))
        return path;
    if (ffmpegInputAndCodecArgs.contains(QStringLiteral("JOIN")))
        return joinedClip(name, ffmpegInputAndCodecArgs);
    // A copy: a test may change its clip.
    const QString cached = cachedClip(name, kSameBytes + ffmpegInputAndCodecArgs);
    if (!cached.isEmpty() && QFile::copy(cached, path))
        return path;
    QString err;
    // A second step reads what the first one wrote (written beside it, with the same suffix).
    const qsizetype then = ffmpegInputAndCodecArgs.indexOf(QStringLiteral("THEN"));
    const QString first = then < 0 ? path : folder() + "/step1-" + name;
    const qsizetype telecine = ffmpegInputAndCodecArgs.indexOf(QStringLiteral("TELECINE"));
    int code = telecine >= 0 ? softTelecined(path, ffmpegInputAndCodecArgs.mid(0, telecine),
                                             ffmpegInputAndCodecArgs.mid(telecine + 1), &err)
                             : run("ffmpeg", kQuiet + ffmpegInputAndCodecArgs.mid(0, then < 0 ? -1 : then) + kSameBytes
                                                 + QStringList{first}, nullptr, &err);
    if (then >= 0) {
        if (code == 0)
            code = run("ffmpeg", kQuiet + QStringList{"-i", first} + ffmpegInputAndCodecArgs.mid(then + 1)
                           + kSameBytes + QStringList{path}, nullptr, &err);
        QFile::remove(first);
    }
    if (code != 0 || !QFileInfo::exists(path)) {
        QWARN(qPrintable("ffmpeg could not make " + name + ": " + err));
        QFile::remove(path);
        return QString();
    }
    if (!cached.isEmpty())
        keepClip(path, cached);
    return path;
}

QString TestMedia::cutFront(const QString &name, const QString &whole, double from)
{
    const QString path = folder() + "/" + name;
    QFile in(whole), out(path);
    if (whole.isEmpty() || !in.open(QIODevice::ReadOnly) || !in.seek(qint64(in.size() * from))
        || !out.open(QIODevice::WriteOnly) || out.write(in.readAll()) <= 0)
        return QString();
    return path;
}

QString TestMedia::cutBack(const QString &name, const QString &whole, double share)
{
    const QString path = folder() + "/" + name;
    QFile in(whole), out(path);
    if (whole.isEmpty() || !in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)
        || out.write(in.read(qint64(in.size() * share))) <= 0)
        return QString();
    return path;
}

QString TestMedia::aviCounting(const QString &name, const QString &whole, quint32 pictures)
{
    // The video stream's header names its type, "vids"; its length lies 32 bytes on.
    QFile in(whole);
    QByteArray bytes = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    const qsizetype video = bytes.indexOf("vids");
    const qsizetype length = video + 32;
    if (video < 0 || length + 4 > bytes.size())
        return QString();
    for (int i = 0; i < 4; ++i)
        bytes[length + i] = char((pictures >> (8 * i)) & 0xff);
    const QString path = folder() + "/" + name;
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() ? path : QString();
}

QString TestMedia::standardAvi()
{
    return clip("standard.avi", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3",
                                 "-f", "lavfi", "-i", "sine=frequency=440:duration=3",
                                 "-c:v", "mpeg4", "-q:v", "5", "-c:a", "libmp3lame", "-b:a", "128k"});
}

QString TestMedia::standardMp4()
{
    return clip("standard.mp4", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3",
                                 "-f", "lavfi", "-i", "sine=frequency=440:duration=3",
                                 "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p",
                                 "-c:a", "aac", "-b:a", "128k"});
}

namespace {
// One titleset of a single title from an MPEG program stream: its aspect, one audio element
// per language (with the track's format where given), the chapter starts (none: one chapter)
// and its TV standard.
QString titlesetXml(const QString &vob, const QString &aspect, const QStringList &languages,
                    const QString &chapters, const QString &standard = QStringLiteral("pal"),
                    const QStringList &formats = {})
{
    QString audio;
    for (qsizetype i = 0; i < languages.size(); ++i) {
        const QString format = formats.value(i);
        audio += QString("   <audio%1 lang=\"%2\"/>\n")
                     .arg(format.isEmpty() ? QString() : QString(" format=\"%1\"").arg(format), languages[i]);
    }
    const QString wide = aspect == "16:9" ? QString(" widescreen=\"nopanscan\"") : QString();
    const QString marks = chapters.isEmpty() ? QString() : QString(" chapters=\"%1\"").arg(chapters);
    return QString(" <titleset>\n  <titles>\n   <video format=\"%6\" aspect=\"%1\"%2/>\n%3"
                   "   <pgc><vob file=\"%4\"%5/></pgc>\n  </titles>\n </titleset>\n")
        .arg(aspect, wide, audio, vob, marks, standard);
}
// A 16:9 PAL DVD title of the given length with two audio tracks: a 440 Hz tone, then an
// 880 Hz one, which tell the languages apart.
QString twoToneWideTitle(const QString &name, int seconds, const QStringList &extra)
{
    const QString length = QStringLiteral(":duration=%1").arg(seconds);
    return TestMedia::clip(name, QStringList{"-f", "lavfi", "-i", "testsrc=size=720x576:rate=25" + length,
                                             "-f", "lavfi", "-i", "sine=frequency=440" + length,
                                             "-f", "lavfi", "-i", "sine=frequency=880" + length,
                                             "-map", "0:v", "-map", "1:a", "-map", "2:a", "-target",
                                             "pal-dvd", "-aspect", "16:9"} + extra);
}
} // namespace

QString TestMedia::scratch(const QString &subfolder, const QString &name)
{
    QDir().mkpath(folder() + "/" + subfolder);
    const QString path = folder() + "/" + subfolder + "/" + name;
    QFile::remove(path);
    return path;
}

QString TestMedia::dvdFolder()
{
    const QString root = folder() + "/dvd";
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;

    // Title 1: 8 s, 16:9 PAL, two audio tracks; title 2: 3 s, one track.
    const QString t1 = twoToneWideTitle("dvd-title1.mpg", 8, {"-b:v", "2000k"});
    const QString t2 = clip("dvd-title2.mpg",
        {"-f", "lavfi", "-i", "testsrc=size=720x576:rate=25:duration=3",
         "-f", "lavfi", "-i", "sine=frequency=660:duration=3",
         "-target", "pal-dvd", "-aspect", "4:3", "-b:v", "2000k"});
    if (t1.isEmpty() || t2.isEmpty())
        return QString();

    const QString titlesets = titlesetXml(t1, "16:9", {"en", "fr"}, "0,0:02,0:04,0:06")
                              + titlesetXml(t2, "4:3", {"en"}, QString());
    return authorDvd(root, titlesets) ? root : QString();
}

QString TestMedia::oneTitleDvdFolder(const QString &name, const QStringList &title, const QString &standard,
                                     const QString &aspect, const QStringList &languages)
{
    const QString root = folder() + "/" + name;
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    const QString stream = clip(name + ".mpg", title);
    if (stream.isEmpty())
        return QString();
    // Told no formats, dvdauthor puts an AC-3 track before an LPCM one whatever their order.
    QString codecs;
    run("ffprobe", {"-v", "error", "-select_streams", "a", "-show_entries", "stream=codec_name", "-of", "csv=p=0",
                    stream}, &codecs);
    QStringList formats = codecs.split('\n', Qt::SkipEmptyParts);
    formats.replaceInStrings("pcm_dvd", "pcm");
    return authorDvd(root, titlesetXml(stream, aspect, languages, QString(), standard, formats), standard) ? root
                                                                                                           : QString();
}

bool TestMedia::authorDvd(const QString &root, const QString &titlesets, const QString &standard)
{
    const QString xml = root + ".xml";
    QFile file(xml);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    // Without a video format for the menu domain dvdauthor writes no VIDEO_TS.IFO.
    file.write(QString("<dvdauthor dest=\"%1\">\n"
                       " <vmgm><menus><video format=\"%3\"/></menus></vmgm>\n"
                       "%2"
                       "</dvdauthor>\n").arg(root, titlesets, standard).toUtf8());
    file.close();

    // dvdauthor needs a video format for the (empty) video manager as well.
    QProcess dvdauthor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VIDEO_FORMAT", standard.toUpper());
    dvdauthor.setProcessEnvironment(environment);
    QString err;
    if (runIn(dvdauthor, "dvdauthor", {"-x", xml}, nullptr, &err, 120000) != 0
        || !QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO")) {
        QWARN(qPrintable("dvdauthor failed: " + err));
        return false;
    }
    return true;
}

QString TestMedia::languagesDvdFolder()
{
    const QString root = folder() + "/languages-dvd";
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    // The two tracks of title 1 differ in bit rate and channels, so that a reader can tell
    // which one an answer describes.
    const QString t1 = clip("languages-title1.mpg",
        {"-f", "lavfi", "-i", "testsrc=size=720x576:rate=25:duration=6",
         "-f", "lavfi", "-i", "sine=frequency=440:duration=6",
         "-f", "lavfi", "-i", "sine=frequency=880:duration=6",
         "-map", "0:v", "-map", "1:a", "-map", "2:a", "-target", "pal-dvd", "-aspect", "16:9",
         "-b:v", "1500k", "-ac:a:0", "2", "-b:a:0", "192k", "-ac:a:1", "1", "-b:a:1", "96k"});
    const QString t2 = clip("languages-title2.mpg",
        {"-f", "lavfi", "-i", "testsrc=size=720x576:rate=25:duration=4",
         "-f", "lavfi", "-i", "sine=frequency=660:duration=4",
         "-target", "pal-dvd", "-aspect", "4:3", "-b:v", "1500k", "-b:a", "128k"});
    if (t1.isEmpty() || t2.isEmpty())
        return QString();
    const QString titlesets = titlesetXml(t1, "16:9", {"en", "fr"}, "0,0:02,0:04")
                              + titlesetXml(t2, "4:3", {"de"}, "0,0:02");
    return authorDvd(root, titlesets) ? root : QString();
}

QString TestMedia::shortDvdFolder()
{
    const QString root = folder() + "/short-dvd";
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    const QString title = twoToneWideTitle("short-title.mpg", 1, {"-b:v", "1500k", "-ac", "2"});
    if (title.isEmpty())
        return QString();
    return authorDvd(root, titlesetXml(title, "16:9", {"en", "de"}, "0,0:00.5")) ? root : QString();
}

QString TestMedia::twoTitleDvdFolder()
{
    const QString root = folder() + "/two-title-dvd";
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    const QStringList small = {"-target", "pal-dvd", "-s", "352x288", "-b:v", "800k", "-b:a", "128k"};
    const QString t1 = clip("two-title-1.mpg",
        QStringList{"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25:duration=20",
                    "-f", "lavfi", "-i", "sine=frequency=440:duration=20",
                    "-f", "lavfi", "-i", "sine=frequency=880:duration=20",
                    "-map", "0:v", "-map", "1:a", "-map", "2:a"} + small + QStringList{"-aspect", "16:9"});
    const QString t2 = clip("two-title-2.mpg",
        QStringList{"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25:duration=8",
                    "-f", "lavfi", "-i", "sine=frequency=660:duration=8"} + small + QStringList{"-aspect", "4:3"});
    if (t1.isEmpty() || t2.isEmpty())
        return QString();
    const QString titlesets = titlesetXml(t1, "16:9", {"en", "de"}, "0,0:05,0:10,0:15")
                              + titlesetXml(t2, "4:3", {"en"}, QString());
    return authorDvd(root, titlesets) ? root : QString();
}

namespace {
// The title of subtitledDvdFolder(), with its subtitle put in by spumux.
QString subtitledTitle()
{
    const QString path = TestMedia::folder() + "/subtitled-title.mpg";
    if (QFileInfo::exists(path))
        return path;
    const QString plain = TestMedia::clip("subtitled-plain.mpg",
        {"-f", "lavfi", "-i", "color=c=0x181818:size=720x576:rate=25:duration=2", "-f", "lavfi",
         "-i", "sine=frequency=440:sample_rate=48000:duration=2", "-target", "pal-dvd", "-aspect",
         "16:9", "-b:v", "1000k", "-ac", "6", "-b:a", "384k"});
    // A subtitle picture of at most four colours; its black is transparent.
    const QString box = TestMedia::clip("subtitle-box.png",
        {"-f", "lavfi", "-i", "color=c=black:size=720x576,drawbox=x=160:y=400:w=400:h=100:color=white:t=fill",
         "-frames:v", "1", "-pix_fmt", "pal8"});
    if (plain.isEmpty() || box.isEmpty())
        return QString();
    const QString xml = TestMedia::folder() + "/subtitled-title.xml";
    QFile file(xml);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(QString("<subpictures><stream><spu start=\"00:00:00.00\" end=\"00:00:02.00\" "
                       "image=\"%1\" transparent=\"000000\" force=\"yes\"/></stream></subpictures>\n")
                   .arg(box).toUtf8());
    file.close();
    QProcess spumux;
    spumux.setStandardInputFile(plain);
    spumux.setStandardOutputFile(path);
    QString err;
    if (runIn(spumux, "spumux", {xml}, nullptr, &err, 120000) != 0) {
        QWARN(qPrintable("spumux failed: " + err));
        QFile::remove(path);
        return QString();
    }
    return path;
}
} // namespace

QString TestMedia::subtitledDvdFolder()
{
    const QString root = folder() + "/subtitled-dvd";
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    const QString title = subtitledTitle();
    if (title.isEmpty())
        return QString();
    QString titleset = titlesetXml(title, "16:9", {"en"}, QString());
    titleset.replace("   <pgc>", "   <subpicture lang=\"en\"/>\n   <pgc>");
    return authorDvd(root, titleset) ? root : QString();
}

QString TestMedia::pictureSubtitleClip()
{
    const QString title = subtitledTitle();
    if (title.isEmpty())
        return QString();
    // The DVD's pictures carry no times of their own for Matroska.
    return clip("picture-subtitle.mkv", {"-fflags", "+genpts", "-i", title, "-map", "0:v", "-map",
                                         "0:s", "-map", "0:a", "-c", "copy"});
}

QString TestMedia::ntscWideDvdFolder()
{
    const QString root = folder() + "/ntsc-wide-dvd";
    if (QFileInfo::exists(root + "/VIDEO_TS/VIDEO_TS.IFO"))
        return root;
    const QString title = clip("ntsc-wide-title.mpg",
        {"-f", "lavfi", "-i", "testsrc=size=352x240:rate=30000/1001:duration=20",
         "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=20",
         "-f", "lavfi", "-i", "sine=frequency=880:sample_rate=48000:duration=20",
         "-map", "0:v", "-map", "1:a", "-map", "2:a", "-target", "ntsc-dvd", "-s", "352x240",
         "-aspect", "16:9", "-b:v", "800k", "-ac", "2", "-b:a", "128k"});
    if (title.isEmpty())
        return QString();
    return authorDvd(root, titlesetXml(title, "16:9", {"en", "de"}, "0,0:05,0:10,0:15", "ntsc"), "ntsc")
               ? root : QString();
}

double TestMedia::probeDuration(const QString &path)
{
    QString out;
    if (run("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of",
                        "default=noprint_wrappers=1:nokey=1", path}, &out) != 0)
        return -1;
    bool ok = false;
    const double value = out.trimmed().toDouble(&ok);
    return ok ? value : -1;
}

QString TestMedia::decodeErrors(const QString &path)
{
    QString err;
    run("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"}, nullptr, &err);
    return err.trimmed();
}

int TestMedia::countVideoFrames(const QString &path)
{
    QString out;
    if (run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                        "stream=nb_read_frames", "-of", "default=noprint_wrappers=1:nokey=1", path},
            &out) != 0)
        return -1;
    bool ok = false;
    const int value = out.trimmed().toInt(&ok);
    return ok ? value : -1;
}

QString TestMedia::fakeEngine()
{
    return QStringLiteral(VEXO_FAKE_ENGINE);
}

QStringList TestMedia::processesNaming(const QString &text)
{
    QStringList found;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (pid.toLongLong() > 0 && pid.toLongLong() != QCoreApplication::applicationPid()
            && cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toUtf8()))
            found << pid;
    }
    return found;
}
