#include "encoder/lastuserprofile.h"

#include "encoder/encoderlogging.h"
#include "encoder/records/encodingsource.h"
#include "encoder/records/encodingtarget.h"
#include "encoder/useroptionlists.h"

#include <QSettings>

#include <cmath>

namespace {
const QString kVideo = QStringLiteral("Video");
const QString kAudio = QStringLiteral("Audio");
const QString kRez = QStringLiteral("rez");
const QString kBitrate = QStringLiteral("bitrate");
const QString kSampling = QStringLiteral("sampling");

bool hasVideo(const QString &codec)
{
    return !codec.isEmpty() && codec != QLatin1String("novideo");
}

bool hasAudio(const QString &codec)
{
    return !codec.isEmpty() && codec != QLatin1String("noaudio");
}

QString videoGroup(const QString &codec, const QString &standard)
{
    return standard.isEmpty() ? codec : codec + QLatin1Char(' ') + standard;
}

// A stored number; a missing key reads as 0, which the option lists take as "use the
// default". Text that is not a number, or not finite, is refused.
bool storedNumber(const QSettings &settings, const QString &key, double &number)
{
    const QVariant value = settings.value(key);
    if (!value.isValid()) {
        number = 0.0;
        return true;
    }
    bool ok = false;
    number = value.toDouble(&ok);
    return ok && std::isfinite(number);
}

bool readVideo(QSettings &settings, const QString &muxer, const QString &codec,
               EncodingTarget &target, const EncodingSource &source, const UserOptionLists &lists)
{
    const QSize size = lists.storedPictureSize(codec, muxer, settings.value(kRez).toSize(),
                                               source.video.sourceSize());
    double bitrate = 0.0;
    if (!size.isValid() || !storedNumber(settings, kBitrate, bitrate)) {
        qCDebug(lcEncoder) << "LastUserProfile::load() ignores unusable video settings of" << codec;
        return false;
    }
    target.video.codec = codec;
    target.video.pictureSize = size;
    target.video.bitrate = UserOptionLists::storedVideoBitrate(codec, muxer, bitrate);
    return true;
}

bool readAudio(QSettings &settings, const QString &muxer, const QString &codec,
               EncodingTarget &target, const EncodingSource &source, const UserOptionLists &lists)
{
    double sampling = 0.0;
    double bitrate = 0.0;
    if (!storedNumber(settings, kSampling, sampling) || !storedNumber(settings, kBitrate, bitrate)
        || std::abs(sampling) > 1e9) {
        qCDebug(lcEncoder) << "LastUserProfile::load() ignores unusable audio settings of" << codec;
        return false;
    }
    target.audio.codec = codec;
    target.audio.samplingRate = lists.storedSamplingRate(codec, muxer, source, int(sampling));
    target.audio.bitrate = UserOptionLists::storedAudioBitrate(codec, muxer, source, bitrate);
    return true;
}
} // namespace

const QString &LastUserProfile::settingsGroup()
{
    static const QString group = QStringLiteral("Encoder/Last User Profile");
    return group;
}

void LastUserProfile::save(const EncodingTarget &target)
{
    const QString &video = target.video.codec;
    const QString &audio = target.audio.codec;
    if ((video.isEmpty() && audio.isEmpty()) || target.muxer.isEmpty())
        return;
    QSettings settings;
    settings.beginGroup(settingsGroup() + QLatin1Char('/') + target.muxer);
    if (hasVideo(video)) {
        settings.beginGroup(kVideo);
        settings.beginGroup(videoGroup(video, target.video.standard));
        settings.setValue(kRez, target.video.pictureSize);
        settings.setValue(kBitrate, target.video.bitrate);
        settings.endGroup();
        settings.endGroup();
    }
    if (hasAudio(audio)) {
        settings.beginGroup(kAudio);
        settings.beginGroup(audio);
        settings.setValue(kSampling, target.audio.samplingRate);
        settings.setValue(kBitrate, target.audio.bitrate);
        settings.endGroup();
        settings.endGroup();
    }
    settings.endGroup();
}

bool LastUserProfile::load(const QString &muxer, const QString &standard, const QString &video,
                           const QString &audio, EncodingTarget &target,
                           const EncodingSource &source, const UserOptionLists &lists)
{
    QSettings settings;
    settings.beginGroup(settingsGroup());
    if (muxer.isEmpty() || !settings.childGroups().contains(muxer))
        return false;
    settings.beginGroup(muxer);

    bool complete = true;
    settings.beginGroup(kVideo);
    const QStringList videoGroups = settings.childGroups();
    QString group;
    if (!video.isEmpty() && !standard.isEmpty() && videoGroups.contains(videoGroup(video, standard)))
        group = videoGroup(video, standard);
    else if (!video.isEmpty() && videoGroups.contains(video))
        group = video;
    bool videoRead = false;
    if (!group.isEmpty()) {
        settings.beginGroup(group);
        videoRead = readVideo(settings, muxer, video, target, source, lists);
        settings.endGroup();
    }
    if (!videoRead && hasVideo(video))
        complete = false;
    settings.endGroup();

    settings.beginGroup(kAudio);
    bool audioRead = false;
    if (!audio.isEmpty() && settings.childGroups().contains(audio)) {
        settings.beginGroup(audio);
        audioRead = readAudio(settings, muxer, audio, target, source, lists);
        settings.endGroup();
    }
    if (!audioRead && hasAudio(audio))
        complete = false;
    settings.endGroup();
    return complete;
}
