#pragma once

#include "encoder/configurator.h"
#include "encoder/optionnode.h"
#include "encoder/useroptionlists.h"

struct EncodingJob;
struct EncodingTarget;

// The configurator of the extended encoder panel: besides the predefined profiles it offers
// level 4, the user's own settings, as a tree of options (picture size, video bitrate, x264
// preset and profile, sampling rate, audio bitrate) seeded from the settings last applied or
// from the presets, and writes the user's choices into the engine's job.
//
// It takes the extended encoder as an `Encoder`: the engine it configures is always the
// preferred one, MEncoder or FFmpeg.
class MervoConfigurator : public Configurator
{
    Q_OBJECT

public:
    explicit MervoConfigurator(Encoder *encoder, QObject *parent = nullptr);
    ~MervoConfigurator() override;

    bool configure();
    bool buildOptions(int type, const QString &muxer, const QString &video, const QString &audio);
    // Deletes every group of the root; the root and its title stay.
    void clearOptions();
    // Copies the chosen profile and the selected option values into the job, and remembers
    // the user settings.
    void applySelection();

    // The label tables (the constructor fills them; each first empties its table).
    void initPictureSizes();
    void initPresetLabels();
    void initProfileLabels();
    void initSamplingRates();
    // For an "ipod" job: the iPod sizes and profile names, kept for later builds too.
    void addIpodLimits();

    QString presetText(const QString &name) const;
    QString profileConstraintText(const QString &name) const;
    QString valueText(int displayKind, const QVariant &value) const;
    // The text of a value of an item: "Unreferenced item" for an item without choices.
    QString valueText(const OptionItem &item, const QVariant &value) const;

    void saveLastUserProfile();
    bool loadLastUserProfile(const QString &muxer, const QString &standard, const QString &video,
                             const QString &audio);
    // Fills `target` from the settings remembered for its container and the two codecs.
    bool loadLastUserProfile(const QString &video, const QString &audio, EncodingTarget &target);

    OptionNode &optionRoot() { return m_root; }
    EncodingJob *job() const { return m_job; }
    const UserOptionLists &optionLists() const { return m_lists; }

private:
    // The option items for the given codec, pointing into the job of the build that runs
    // them (a build sets the job first).
    std::unique_ptr<OptionItem> addPictureOptions(const QString &video);
    std::unique_ptr<OptionItem> addVideoBitrateOptions(const QString &video);
    std::unique_ptr<OptionItem> addQualityPresetOptions(const QString &video);
    std::unique_ptr<OptionItem> addProfileConstraintOptions(const QString &video);
    std::unique_ptr<OptionItem> addSamplingOptions(const QString &audio);
    std::unique_ptr<OptionItem> addAudioBitrateOptions(const QString &audio);
    // The job's user settings from the presets of its level, where the presets have a codec.
    void seedFromPresets(const QString &muxer, const QString &video, const QString &audio);
    std::unique_ptr<OptionNode> videoNode(const QString &video);
    std::unique_ptr<OptionNode> audioNode(const QString &audio);

    EncodingJob *m_job = nullptr;
    UserOptionLists m_lists;
    OptionNode m_root;
};
