#include "engines/interfacemplayer.h"
#include "engines/engineslogging.h"
#include "engines/fileargument.h"

#include "engines/playercapabilities.h"
#include "engines/sourcefacts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// Options that only one platform's MPlayer understands or needs. The Windows build runs
// the player above normal priority; the Linux build rejects "-priority" and would
// otherwise print joystick and LIRC failures on standard error for every run, which the
// player panel counts as playback errors.
QStringList platformInputOptions()
{
#ifdef Q_OS_WIN
    return {};
#else
    return {"-nolirc", "-nojoystick"};
#endif
}

QStringList platformPriorityOptions()
{
#ifdef Q_OS_WIN
    return {"-priority", "abovenormal"};
#else
    return {};
#endif
}

void debugCommand(const char *operation, const QString &program, const QStringList &arguments)
{
    qCDebug(lcMplayer).noquote() << QStringLiteral("InterfaceMplayer::%1() returns command:")
                              .arg(QLatin1String(operation))
                       << program << "with options" << arguments;
}

} // namespace

InterfaceMplayer::InterfaceMplayer() = default;

void InterfaceMplayer::init(const QString &path, PlayerCapabilities *capabilities,
                            PlayerStatus *status)
{
    m_binary = path;
    m_capabilities = capabilities;
    m_status = status;
}

QString InterfaceMplayer::binary() const
{
    return m_binary;
}

void InterfaceMplayer::setBinary(const QString &path)
{
    m_binary = path;
}

void InterfaceMplayer::setDisplaySize(int width, int height)
{
    m_displayWidth = width;
    m_displayHeight = height;
}

void InterfaceMplayer::setRotation(int degrees)
{
    m_rotation = degrees;
}

void InterfaceMplayer::setWid(const QString &windowId)
{
    m_windowId = windowId;
}

void InterfaceMplayer::enableAudio()
{
    m_audioOff = false;
}

void InterfaceMplayer::disableAudio()
{
    m_audioOff = true;
}

void InterfaceMplayer::enableVideo()
{
    m_videoOff = false;
}

void InterfaceMplayer::disableVideo()
{
    m_videoOff = true;
}

void InterfaceMplayer::enableSubtitle()
{
    m_subtitlesOff = false;
}

void InterfaceMplayer::disableSubtitle()
{
    m_subtitlesOff = true;
}

void InterfaceMplayer::setDvdTitle(int title)
{
    m_dvdTitle = title;
}

void InterfaceMplayer::setDvdAngle(int angle)
{
    m_dvdAngle = angle;
}

void InterfaceMplayer::setAudioId(const int &id)
{
    m_audioId = id;
    m_audioLanguage.clear();
}

void InterfaceMplayer::setSubtitleId(const int &id)
{
    m_subtitleId = id;
    m_subtitleLanguage.clear();
}

void InterfaceMplayer::setSourceDvd(const QString &path, int title)
{
    setSource(path, Dvd, title, false);
}

void InterfaceMplayer::setSourceFile(const QString &path, bool audioOnly)
{
    setSource(path, MediaFile, 0, audioOnly);
}

// A new source starts with no selection: angle, chapters and streams are the defaults.
void InterfaceMplayer::setSource(const QString &path, int type, int dvdTitle, bool audioOnly)
{
    m_sourcePath = path;
    m_sourceType = type;
    m_dvdTitle = dvdTitle;
    m_audioOnly = audioOnly;
    m_dvdAngle = 0;
    m_chapters.clear();
    m_audioLanguage.clear();
    m_subtitleLanguage.clear();
    m_audioId = -1;
    m_subtitleId = -1;
}

bool InterfaceMplayer::setVideoOutput(const QString &driver)
{
    if (!m_capabilities || !m_capabilities->videoDrivers
        || !m_capabilities->videoDrivers->contains(driver))
        return false;
    m_videoOutput = driver;
    return true;
}

void InterfaceMplayer::setChapterList(const QList<int> &chapters)
{
    m_chapters = chapters;
}

void InterfaceMplayer::cliCmdUpdateFontCache(QString *program, QStringList *arguments) const
{
    if (!program || !arguments)
        return;
    *program = m_binary;
    *arguments = QStringList{"-fontconfig", "-noquiet", "-slave", "-vo", "null", "-ao", "null",
                             "-frames", "0", nullDevice()}; // the input: only the cache is built
    debugCommand("cliCmdUpdateFontCache", *program, *arguments);
}

void InterfaceMplayer::cliCmdIdentify(QString *program, QStringList *arguments) const
{
    if (!program || !arguments)
        return;
    *program = m_binary;
    QStringList args{"-noconfig", "all", "-noquiet", "-nocache", "-nofs", "-nomouseinput"};
    args << platformInputOptions();
    args << QStringList{"-slave", "-nofontconfig", "-vo", "null", "-ao", "null", "-frames", "1"};
    if (!m_windowId.isEmpty())
        args << "-wid" << m_windowId;
    if (m_sourceType != Dvd) {
        // "-frames 1" counts video frames only: a file without video would play to its end.
        // Stopping at position 0 ends it as soon as its streams are described; a video file
        // still shows its first frame (and so its display size) before that.
        args << "-endpos" << "0" << "-msglevel" << "identify=4" << fileArgument(m_sourcePath);
    } else {
        // The identify pass always reads angle 1: the other angles share its streams.
        args << "-msglevel" << "identify=6" << "-dvd-device" << m_sourcePath
             << QStringLiteral("dvd://%1").arg(m_dvdTitle) << "-dvdangle" << "1";
    }
    *arguments = args;
    debugCommand("cliCmdIdentify", *program, *arguments);
}

void InterfaceMplayer::cliCmdGetStatus(QString *program, QStringList *arguments) const
{
    if (!program || !arguments)
        return;
    *program = m_binary;
    *arguments = QStringList{"-noconfig", "all", "-noquiet", "-nocache", "-nofs", "-nomouseinput",
                             "-vo", "help", "-ao", "help"};
    debugCommand("cliCmdGetStatus", *program, *arguments);
}

// DVDs play through a separate DVD build of MPlayer when one is installed beside the
// configured executable; otherwise the configured one plays them too.
QString InterfaceMplayer::playProgram() const
{
    if (m_sourceType != Dvd)
        return m_binary;
#ifdef Q_OS_WIN
    static const QRegularExpression executableName(QStringLiteral("mplayer(-\\w)?.exe"));
    QString program = m_binary;
    return program.replace(executableName, QStringLiteral("mplayer-dvd.exe"));
#else
    if (m_binary.isEmpty())
        return m_binary;
    QString located = m_binary;
    // A bare name is found on PATH; its DVD build is looked for in that folder.
    if (!m_binary.contains(QLatin1Char('/'))) {
        located = QStandardPaths::findExecutable(m_binary);
        if (located.isEmpty())
            return m_binary;
    }
    const QFileInfo dvdBuild(QFileInfo(located).absoluteDir().filePath(QStringLiteral("mplayer-dvd")));
    if (dvdBuild.isFile() && dvdBuild.isExecutable())
        return dvdBuild.filePath();
    return m_binary;
#endif
}

QStringList InterfaceMplayer::playVideoOptions() const
{
    if (m_videoOff)
        return {"-vo", "null"};
    if (m_sourceType == MediaFile && m_audioOnly)
        return {};
    QStringList options;
    if (!m_videoOutput.isEmpty())
        options << "-vo" << m_videoOutput;
    // MPlayer shows a picture as stored: one a player turns (a phone's portrait video stored
    // wide) is turned before it is scaled to the upright display size.
    SourceFacts facts;
    facts.rotation = m_rotation;
    QStringList filters = facts.mplayerTurn();
    if (m_displayWidth >= 1 && m_displayHeight >= 1)
        filters << QStringLiteral("scale=%1:%2").arg(m_displayWidth).arg(m_displayHeight);
    if (!filters.isEmpty())
        options << "-vf" << filters.join(QLatin1Char(','));
    if (m_displayWidth >= 1 && m_displayHeight >= 1)
        options << "-geometry" << QStringLiteral("%1x%2").arg(m_displayWidth).arg(m_displayHeight);
    return options;
}

QStringList InterfaceMplayer::playAudioOptions(int volume) const
{
    if (m_audioOff)
        return {"-ao", "null"};
    if (volume != 0)
        return {"-af", QStringLiteral("volume=%1").arg(volume)};
    return {};
}

QStringList InterfaceMplayer::playDvdStreamOptions(int chapter) const
{
    QStringList options;
    if (!m_audioOff) {
        if (m_audioId > -1)
            options << "-aid" << QString::number(m_audioId);
        if (!m_audioLanguage.isEmpty())
            options << "-alang" << m_audioLanguage;
    }
    if (!m_subtitlesOff) {
        if (m_subtitleId > -1)
            options << "-sid" << QString::number(m_subtitleId);
        if (!m_subtitleLanguage.isEmpty())
            options << "-slang" << m_subtitleLanguage;
    }
    if (m_subtitleId < 0)
        options << "-nosub";
    options << "-dvdangle" << QString::number(m_dvdAngle > 1 ? m_dvdAngle : 1);
    if (chapter > 0) {
        options << "-chapter" << QString::number(chapter);
    } else {
        for (int entry : m_chapters)
            options << "-chapter" << QString::number(entry);
    }
    return options;
}

QStringList InterfaceMplayer::playFileStreamOptions(int startSeconds) const
{
    QStringList options;
    if (!m_audioOff) {
        if (!m_audioLanguage.isEmpty())
            options << "-alang" << m_audioLanguage;
        if (m_audioId > -1)
            options << "-aid" << QString::number(m_audioId);
    }
    bool subtitleChosen = false;
    if (!m_subtitlesOff) {
        if (!m_subtitleLanguage.isEmpty())
            options << "-slang" << m_subtitleLanguage;
        if (m_subtitleId > -1) {
            options << "-sid" << QString::number(m_subtitleId);
            subtitleChosen = true;
        }
    }
    // Exactly the subtitle the panel lists as chosen: left to itself MPlayer shows one the
    // file flags (a Matroska's default or forced track), and loads a text file named as the
    // movie, which the panel does not list.
    if (!subtitleChosen && m_subtitleLanguage.isEmpty())
        options << "-nosub";
    options << "-noautosub";
    if (startSeconds > 0 && !subtitleChosen)
        options << "-ss" << QString::number(startSeconds);
    return options;
}

void InterfaceMplayer::cliPlay(QString *program, QStringList *arguments, int frames, int chapter,
                               int startSeconds, int volume) const
{
    if (!program || !arguments)
        return;
    *program = playProgram();

    QStringList args{"-slave", "-nofs", "-nomouseinput"};
    args << platformInputOptions();
    args << QStringList{"-nokeepaspect", "-nocache", "-noconfig", "all"};
    args << platformPriorityOptions();
    // Fonts found through fontconfig: without it MPlayer looks for ~/.mplayer/subfont.ttf
    // alone and draws no text subtitle ("font: can't open file").
    args << QStringList{"-fontconfig", "-framedrop", "-nodr", "-double",
                        "-monitorpixelaspect", "1", "-osdlevel", "0", "-softvol",
                        "-softvol-max", "110", "-quiet"};
    args << playVideoOptions() << playAudioOptions(volume);
    if (m_sourceType == Dvd)
        args << playDvdStreamOptions(chapter);
    else if (m_sourceType == MediaFile)
        args << playFileStreamOptions(startSeconds);
    if (frames > 0)
        args << "-frames" << QString::number(frames);
    if (!m_windowId.isEmpty()) {
        args << "-wid" << m_windowId;
    } else {
        args << "-title"
             << QCoreApplication::translate("InterfaceMplayer", "Vexo 4 - WebM video player");
    }
    if (m_sourceType == Dvd)
        args << "-dvd-device" << m_sourcePath << QStringLiteral("dvd://%1").arg(m_dvdTitle);
    else
        args << fileArgument(m_sourcePath);

    *arguments = args;
    debugCommand("cliPlay", *program, *arguments);
}

QString InterfaceMplayer::cliQuit() const
{
    return QStringLiteral("quit\n");
}

QString InterfaceMplayer::cliPause() const
{
    return QStringLiteral("pause\n");
}

QString InterfaceMplayer::cliSeek(int seconds) const
{
    if (seconds < 0) {
        qCDebug(lcMplayer) << "InterfaceMplayer::cliSeek() called with seconds below 0, considered as 0";
        seconds = 0;
    }
    return QStringLiteral("seek %1 2\n").arg(seconds);
}

// Both chapter steps seek by the absolute value: the direction comes from the operation.
// The magnitude is taken as a 64-bit number so that the lowest int has one too.
QString InterfaceMplayer::cliPrevChapter(int seconds) const
{
    if (seconds == 0)
        return QStringLiteral("seek_chapter -1 0\n");
    return QStringLiteral("seek -%1 0\n").arg(qAbs(qint64(seconds)));
}

QString InterfaceMplayer::cliNextChapter(int seconds) const
{
    if (seconds == 0)
        return QStringLiteral("seek_chapter +1 0\n");
    return QStringLiteral("seek +%1 0\n").arg(qAbs(qint64(seconds)));
}

QString InterfaceMplayer::cliFaster() const
{
    return QStringLiteral("speed_mult 2\n");
}

QString InterfaceMplayer::cliSlower() const
{
    return QStringLiteral("speed_mult 0.5\n");
}

QString InterfaceMplayer::cliNormalSpeed() const
{
    return QStringLiteral("speed_set 1\n");
}

QString InterfaceMplayer::cliGetTimePos() const
{
    return QStringLiteral("get_time_pos\n");
}

QString InterfaceMplayer::cliGetChapter() const
{
    return QStringLiteral("get_property chapter\n");
}

QString InterfaceMplayer::cliGetDeinterlace() const
{
    return QStringLiteral("get_property deinterlace\n");
}

QString InterfaceMplayer::cliGetSpeed() const
{
    return QStringLiteral("get_property speed\n");
}

// A line break inside the text would end the command early and make MPlayer run the
// rest of the text as a further command, so line breaks are shown as blanks.
QString InterfaceMplayer::cliOsdShowText(const QString &text, int duration) const
{
    static const QRegularExpression lineBreaks(QStringLiteral("[\r\n]"));
    QString shown = text;
    shown.replace(lineBreaks, QStringLiteral(" "));
    return QStringLiteral("osd_show_text \"%1\" %2\n").arg(shown, QString::number(duration));
}

QString InterfaceMplayer::cliOsdShowProgression() const
{
    return QStringLiteral("osd_show_progression\n");
}

QString InterfaceMplayer::cliSelectAudio(int id) const
{
    qCDebug(lcMplayer) << "InterfaceMplayer::cliSelectAudio() return:" << "switch_audio" << id;
    const QString command = id >= 0 ? QStringLiteral("mute 0\nswitch_audio %1\n").arg(id)
                                    : QStringLiteral("mute 1\n");
    qCDebug(lcMplayer) << "InterfaceMplayer::cliSelectAudio() return:" << command;
    return command;
}

QString InterfaceMplayer::cliSelectSubtitle(int id) const
{
    qCDebug(lcMplayer) << "InterfaceMplayer::cliSelectSubtitle() return:" << "sub_demux" << id;
    return QStringLiteral("sub_demux %1\n").arg(id);
}
