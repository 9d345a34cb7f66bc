#include "encoder/mervoconfigurator.h"

#include "encoder/encoder.h"
#include "encoder/lastuserprofile.h"
#include "encoder/records/sourcekind.h"

MervoConfigurator::MervoConfigurator(Encoder *encoder, QObject *parent)
    : Configurator(encoder, parent)
{
    m_levels.insert(EncoderProfile::LevelUser);
    initPictureSizes();
    initPresetLabels();
    initProfileLabels();
    initSamplingRates();
}

void MervoConfigurator::initPictureSizes()
{
    m_lists.initPictureSizes();
}

void MervoConfigurator::initPresetLabels()
{
    m_lists.initPresetLabels();
}

void MervoConfigurator::initProfileLabels()
{
    m_lists.initProfileLabels();
}

void MervoConfigurator::initSamplingRates()
{
    m_lists.initSamplingRates();
}

void MervoConfigurator::addIpodLimits()
{
    if (m_job)
        m_lists.addIpodLimits(m_job->target.muxer);
}

MervoConfigurator::~MervoConfigurator() = default;

bool MervoConfigurator::configure()
{
    return buildOptions(m_encoder->preferredEngine(), m_encoder->targetMuxer(),
                        m_encoder->videoCodec(), m_encoder->audioCodec());
}

bool MervoConfigurator::buildOptions(int type, const QString &muxer, const QString &video,
                                     const QString &audio)
{
    m_job = m_encoder->jobData(type);
    if (!m_job)
        return false;
    addIpodLimits();
    const int last = lastProfile(muxer);
    if (!fillGroup(m_job, type, muxer, video, audio))
        return false;

    int level = startLevel(last, muxer, video, audio);
    if (last == EncoderProfile::LevelUser)
        level = copiesDvdAudio(audio) ? int(EncoderProfile::LevelAudioCopy) : last;
    selectLevel(*m_job, muxer, level);

    m_root.title = m_encoder->muxerDescription(muxer);
    auto group = std::make_unique<OptionNode>(tr("User settings"));
    // The job of the engine being configured, which the option items point into.
    if (!LastUserProfile::load(muxer, m_encoder->tvStandard(), video, audio, m_job->target,
                               *m_source, m_lists))
        seedFromPresets(muxer, video, audio);
    if (!video.isEmpty() && video != QLatin1String("novideo"))
        group->children.push_back(videoNode(video));
    if (!audio.isEmpty() && audio != QLatin1String("noaudio"))
        group->children.push_back(audioNode(audio));
    m_root.children.push_back(std::move(group));
    return true;
}

void MervoConfigurator::seedFromPresets(const QString &muxer, const QString &video,
                                        const QString &audio)
{
    // Levels 4 and 5 have no video rows: their user settings start from level 2 so that a
    // level-4 job never runs with an empty picture size or bitrate.
    const int level = m_job->target.profile.level;
    const int seedLevel = (level >= 1 && level <= 3) || level == EncoderProfile::LevelAudioCopy ? level : 2;
    EncoderProfile profile = makeProfile(muxer, video, audio, seedLevel);
    if (profile.videoCodec.isEmpty() && seedLevel != 2) {
        const EncoderProfile fallback = makeProfile(muxer, video, audio, 2);
        profile.videoCodec = fallback.videoCodec;
        profile.pictureSize = fallback.pictureSize;
        profile.videoBitrate = fallback.videoBitrate;
    }
    if (!profile.videoCodec.isEmpty()) {
        m_job->target.video.codec = profile.videoCodec;
        m_job->target.video.pictureSize = profile.pictureSize;
        m_job->target.video.bitrate = profile.videoBitrate;
    }
    if (!profile.audioCodec.isEmpty()) {
        m_job->target.audio.codec = profile.audioCodec;
        m_job->target.audio.samplingRate = profile.samplingRate;
        m_job->target.audio.bitrate = profile.audioBitrate;
    }
}

std::unique_ptr<OptionItem> MervoConfigurator::addPictureOptions(const QString &video)
{
    return m_lists.addPictureOptions(video, *m_job, *m_source);
}

std::unique_ptr<OptionItem> MervoConfigurator::addVideoBitrateOptions(const QString &video)
{
    return m_lists.addVideoBitrateOptions(video, *m_job);
}

std::unique_ptr<OptionItem> MervoConfigurator::addQualityPresetOptions(const QString &video)
{
    return m_lists.addQualityPresetOptions(video, *m_job);
}

std::unique_ptr<OptionItem> MervoConfigurator::addProfileConstraintOptions(const QString &video)
{
    return m_lists.addProfileConstraintOptions(video, *m_job);
}

std::unique_ptr<OptionItem> MervoConfigurator::addSamplingOptions(const QString &audio)
{
    return m_lists.addSamplingOptions(audio, *m_job);
}

std::unique_ptr<OptionItem> MervoConfigurator::addAudioBitrateOptions(const QString &audio)
{
    return m_lists.addAudioBitrateOptions(audio, *m_job);
}

std::unique_ptr<OptionNode> MervoConfigurator::videoNode(const QString &video)
{
    auto node = std::make_unique<OptionNode>(tr("Video: %1").arg(m_encoder->videoCodecShortName(video)));
    node->items.push_back(addPictureOptions(video));
    node->items.push_back(addVideoBitrateOptions(video));
    if (video == QLatin1String("x264")) {
        node->items.push_back(addQualityPresetOptions(video));
        node->items.push_back(addProfileConstraintOptions(video));
    }
    return node;
}

std::unique_ptr<OptionNode> MervoConfigurator::audioNode(const QString &audio)
{
    auto node = std::make_unique<OptionNode>(tr("Audio: %1").arg(m_encoder->audioCodecShortName(audio)));
    node->items.push_back(addSamplingOptions(audio));
    // The lossless codecs have no bitrate to choose.
    if (audio != QLatin1String("alac") && audio != QLatin1String("flac"))
        node->items.push_back(addAudioBitrateOptions(audio));
    return node;
}

void MervoConfigurator::clearOptions()
{
    m_root.children.clear();
}

void MervoConfigurator::applySelection()
{
    applyProfile();
    // The user's own settings have no entry among the predefined profiles; the level still
    // goes into the job, or it would encode at the level of the last build.
    if (m_group.target)
        m_group.target->level = m_group.selectedLevel;
    for (const auto &group : m_root.children) {
        for (const auto &node : group->children) {
            for (const auto &item : node->items)
                item->apply();
        }
    }
    saveLastUserProfile();
}

QString MervoConfigurator::presetText(const QString &name) const
{
    return m_lists.presetText(name);
}

QString MervoConfigurator::profileConstraintText(const QString &name) const
{
    return m_lists.profileConstraintText(name);
}

QString MervoConfigurator::valueText(int displayKind, const QVariant &value) const
{
    return m_lists.valueText(displayKind, value, *m_source);
}

QString MervoConfigurator::valueText(const OptionItem &item, const QVariant &value) const
{
    return valueText(item.kind == OptionItem::Choice ? item.choice.displayKind : -1, value);
}

void MervoConfigurator::saveLastUserProfile()
{
    if (m_job)
        LastUserProfile::save(m_job->target);
}

bool MervoConfigurator::loadLastUserProfile(const QString &muxer, const QString &standard,
                                            const QString &video, const QString &audio)
{
    m_job = m_encoder->jobData(m_encoder->preferredEngine());
    if (!m_job)
        return false;
    return LastUserProfile::load(muxer, standard, video, audio, m_job->target, *m_source, m_lists);
}

bool MervoConfigurator::loadLastUserProfile(const QString &video, const QString &audio,
                                            EncodingTarget &target)
{
    return LastUserProfile::load(target.muxer, m_encoder->tvStandard(), video, audio, target,
                                 *m_source, m_lists);
}
