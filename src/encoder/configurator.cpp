#include "encoder/configurator.h"

#include "encoder/encoder.h"
#include "encoder/encoderlogging.h"
#include "encoder/profiletexts.h"
#include "encoder/records/sourcekind.h"

#include <QSettings>

#include <algorithm>

namespace {
QString lastProfileKey(const QString &muxer)
{
    return QStringLiteral("Encoder/Last Profile/") + muxer;
}

void removeAll(QStringList &list, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        list.removeAll(QLatin1String(name));
}
} // namespace

Configurator::Configurator(Encoder *encoder, QObject *parent)
    : QObject(parent), m_encoder(encoder), m_source(&encoder->source()),
      m_levels{EncoderProfile::LevelNone, 1, 2, 3, EncoderProfile::LevelAudioCopy}
{
    initVideoPresets();
    initAudioPresets();
}

void Configurator::initVideoPresets()
{
    m_presets.initVideoPresets();
}

void Configurator::initAudioPresets()
{
    m_presets.initAudioPresets();
}

Configurator::~Configurator() = default;

bool Configurator::isDvdSource() const
{
    return m_source->kind == SourceKind::Dvd;
}

bool Configurator::copiesDvdAudio(const QString &audio) const
{
    // An AC3 track of a DVD is copied as it is, where the group offers the copy: a level 5
    // without its entry would leave the job with a profile that was never filled.
    if (!isDvdSource() || audio != QLatin1String("ac3"))
        return false;
    return std::any_of(m_group.choices.cbegin(), m_group.choices.cend(), [](const ProfileChoice &c) {
        return c.level == EncoderProfile::LevelAudioCopy;
    });
}

QStringList Configurator::muxers() const
{
    QStringList result;
    for (const QString &muxer : m_encoder->availableMuxers()) {
        if (!result.contains(muxer)
            && (!compatibleVideoCodecs(muxer).isEmpty() || !compatibleAudioCodecs(muxer).isEmpty()))
            result << muxer;
    }
    return result;
}

QStringList Configurator::muxerChoices() const
{
    Encoder::OfferInputs inputs = m_encoder->offerInputs();
    if (m_muxerInputs && *m_muxerInputs == inputs)
        return m_muxerChoices;
    QStringList choices;
    if (m_encoder->enginesReady()) {
        choices = muxers();
        if (isDvdSource())
            removeAll(choices, {"ipod", "m4a", "mov"});
    }
    m_muxerInputs = std::move(inputs);
    m_muxerChoices = choices;
    return choices;
}

QStringList Configurator::videoCodecChoices(const QString &muxer) const
{
    if (m_source->noVideo)
        return {QStringLiteral("novideo")};
    QStringList choices;
    if (m_encoder->enginesReady())
        choices = compatibleVideoCodecs(muxer);
    choices.removeAll(QStringLiteral("x264_divx"));
    return choices.isEmpty() ? QStringList{QStringLiteral("novideo")} : choices;
}

QStringList Configurator::audioCodecChoices(const QString &muxer) const
{
    const int streams = m_encoder->audioStreamCount();
    QStringList choices;
    if (streams == 0 || m_source->noAudio)
        choices = QStringList{QStringLiteral("noaudio")};
    else if (streams >= 2)
        choices = QStringList{QStringLiteral("multi")};
    else if (m_encoder->enginesReady())
        choices = compatibleAudioCodecs(muxer);
    if (isDvdSource()) {
        // A DVD's AC3 track is copied as it is, not encoded again. Any other track (LPCM,
        // DTS, MPEG) is encoded: its bytes copied are no AC3 that a container could hold.
        const QString &format = m_source->audio.format;
        const bool ac3Track = format.isEmpty() || format == QLatin1String("ac3");
        choices.removeAll(QLatin1String(ac3Track ? "ac3" : "ac3_copy"));
        removeAll(choices, {"alac", "vorbis"});
        if (muxer == QLatin1String("mp4"))
            choices.removeAll(QStringLiteral("ac3_copy"));
    } else if (m_source->kind == SourceKind::MediaFile) {
        choices.removeAll(QStringLiteral("ac3_copy"));
    }
    return choices.isEmpty() ? QStringList{QStringLiteral("noaudio")} : choices;
}

QStringList Configurator::subtitleChoices(const QString &) const
{
    const int streams = m_encoder->subtitleStreamCount();
    if (streams == 0 || m_source->noSubtitle)
        return {QStringLiteral("nosubtitle")};
    return {streams > 1 ? QStringLiteral("multi") : QStringLiteral("inlay")};
}

QStringList Configurator::compatibleVideoCodecs(const QString &muxer) const
{
    QStringList codecs;
    for (const QString &codec : m_presets.videoCodecs()) {
        if (m_encoder->isVideoCodecAvailable(muxer, codec))
            codecs << codec;
    }
    if (isDvdSource())
        removeAll(codecs, {"theora", "vp8"});
    return codecs;
}

QStringList Configurator::compatibleAudioCodecs(const QString &muxer) const
{
    QStringList codecs;
    for (const QString &codec : m_presets.audioCodecs()) {
        if (isDvdSource() && (codec == QLatin1String("pcm") || codec == QLatin1String("amrnb")))
            continue;
        if (m_encoder->isAudioCodecAvailable(muxer, codec))
            codecs << codec;
    }
    return codecs;
}

bool Configurator::configure()
{
    return configureProfile(m_encoder->preferredEngine(), m_encoder->targetMuxer(),
                            m_encoder->videoCodec(), m_encoder->audioCodec());
}

bool Configurator::fillGroup(EncodingJob *job, int type, const QString &muxer,
                             const QString &video, const QString &audio)
{
    // An engine the encoder has no job for cannot be configured.
    if (!job)
        return false;
    m_group.title = m_encoder->muxerDescription(muxer);
    m_group.label = tr("Profile");
    m_group.target = &job->target.profile;
    m_group.choices = buildProfiles(type, muxer, video, audio);
    return !m_group.choices.isEmpty();
}

int Configurator::startLevel(int last, const QString &muxer, const QString &video,
                             const QString &audio) const
{
    const bool copyWithoutSource = muxer == QLatin1String("ac3")
                                   && last == EncoderProfile::LevelAudioCopy
                                   && m_source->audio.codec != audio;
    if (last == EncoderProfile::LevelNone || !m_levels.contains(last)
        || !supportsProfileLevel(muxer, video, audio, last) || copyWithoutSource)
        return 2;
    if (copiesDvdAudio(audio))
        return EncoderProfile::LevelAudioCopy;
    return last;
}

void Configurator::selectLevel(EncodingJob &job, const QString &muxer, int level)
{
    job.target.profile.level = level;
    m_group.selectedLevel = level;
    saveLastProfile(muxer, level);
}

bool Configurator::configureProfile(int type, const QString &muxer, const QString &video,
                                    const QString &audio)
{
    EncodingJob *job = m_encoder->jobData(type);
    const int last = lastProfile(muxer);
    if (!fillGroup(job, type, muxer, video, audio))
        return false;
    selectLevel(*job, muxer, startLevel(last, muxer, video, audio));
    return true;
}

bool Configurator::writesPair(int type, const QString &muxer, const QString &video,
                              const QString &audio) const
{
    // The preferred engine's job is where the road Start takes begins: its pair is judged as
    // the lists and Start judge it, by that road, which may go on to another engine (a DVD
    // title through the player's copy to FFmpeg). Another engine's job is judged by what
    // that engine writes itself.
    if (type == m_encoder->preferredEngine())
        return m_encoder->roadRefusal(muxer, video, audio).isEmpty();
    return m_encoder->isMuxerSupported(type, muxer)
           && (video.isEmpty() || m_encoder->isVideoCodecSupported(type, muxer, video))
           && (audio.isEmpty() || m_encoder->isAudioCodecSupported(type, muxer, audio));
}

QList<ProfileChoice> Configurator::buildProfiles(int type, const QString &muxer,
                                                 const QString &video, const QString &audio) const
{
    // A codec asked for that is not written would drop out of every profile without a word,
    // leaving a file without picture or sound: the pair is refused instead. "multi" stands
    // for the source's own audio streams, no codec.
    const bool videoSupported = !video.isEmpty() && video != QLatin1String("novideo");
    const bool audioSupported = !audio.isEmpty() && audio != QLatin1String("noaudio")
                                && audio != QLatin1String("multi");
    if (!writesPair(type, muxer, videoSupported ? video : QString(),
                    audioSupported ? audio : QString())) {
        qCDebug(lcEncoder) << "Configurator::buildProfiles() refuses" << muxer << video << audio
                           << "for engine" << type;
        return {};
    }
    const QList<EncoderProfile> profiles = m_presets.buildProfiles(
        muxer, video, audio, videoSupported, audioSupported, *m_source);
    QList<ProfileChoice> choices;
    for (const EncoderProfile &profile : profiles) {
        ProfileChoice choice;
        choice.level = profile.level;
        choice.title = profileTitle(profile);
        choice.summary = m_encoder->profileSummary(profile);
        choice.profile = profile;
        choices << choice;
    }
    return choices;
}

EncoderProfile Configurator::makeProfile(const QString &muxer, const QString &video,
                                         const QString &audio, int level) const
{
    return m_presets.makeProfile(muxer, video, audio, level, *m_source);
}

void Configurator::applyProfile()
{
    for (const ProfileChoice &choice : std::as_const(m_group.choices)) {
        if (choice.profile.level == m_group.selectedLevel) {
            if (m_group.target)
                *m_group.target = choice.profile;
            break;
        }
    }
    saveLastProfile(m_encoder->targetMuxer(), m_group.selectedLevel);
}

int Configurator::lastProfile(const QString &muxer) const
{
    // A stale or hand-edited store may hold anything: only an offered level counts.
    const int level = QSettings().value(lastProfileKey(muxer), 0).toInt();
    if (!m_levels.contains(level)) {
        qCDebug(lcEncoder) << "Configurator::lastProfile() ignores the stored level of" << muxer;
        return 0;
    }
    return level;
}

void Configurator::saveLastProfile(const QString &muxer, int level)
{
    QSettings settings;
    settings.setValue(lastProfileKey(muxer), level);
    settings.sync();
}

bool Configurator::supportsProfileLevel(const QString &, const QString &video,
                                        const QString &audio, int level) const
{
    return m_presets.supportsProfileLevel(video, audio, level);
}

QString Configurator::profileLabel(int level, const QString &standard, const QString &muxer,
                                   const QString &video, const QString &audio) const
{
    return ProfileTexts::label(level, standard, muxer, video, audio,
                               m_encoder->muxerShortName(muxer));
}

QString Configurator::profileTitle(const EncoderProfile &profile)
{
    return ProfileTexts::title(profile);
}

QSize Configurator::roundFrameSize(const QSize &size)
{
    return PresetTables::roundFrameSize(size);
}
