#pragma once

#include "encoder/encoder.h"
#include "encoder/presettables.h"
#include "encoder/profilegroup.h"

#include <QObject>
#include <QSet>
#include <QSize>
#include <QStringList>

#include <optional>

// Turns the encoder panel's choice of container and codecs into the predefined profiles the
// configure dialog offers (levels 1 to 3, and 5 for a copy of an AC3 source), remembers the
// level last chosen per container, and supplies the panel's container, codec and subtitle
// choice lists, offering only what the engines can produce for the current source.
class Configurator : public QObject
{
    Q_OBJECT

public:
    explicit Configurator(Encoder *encoder, QObject *parent = nullptr);
    ~Configurator() override;

    QStringList muxers() const;
    QStringList muxerChoices() const;
    QStringList videoCodecChoices(const QString &muxer) const;
    QStringList audioCodecChoices(const QString &muxer) const;
    QStringList subtitleChoices(const QString &muxer) const;
    QStringList compatibleVideoCodecs(const QString &muxer) const;
    QStringList compatibleAudioCodecs(const QString &muxer) const;

    // The group for the encoder's preferred engine, container and codecs; false when the
    // configuration is not supported (the job is then left alone).
    bool configure();
    bool configureProfile(int type, const QString &muxer, const QString &video,
                          const QString &audio);
    // Whether the container with the codecs (empty: none asked) is written from the engine's job.
    bool writesPair(int type, const QString &muxer, const QString &video, const QString &audio) const;
    QList<ProfileChoice> buildProfiles(int type, const QString &muxer, const QString &video,
                                       const QString &audio) const;
    EncoderProfile makeProfile(const QString &muxer, const QString &video, const QString &audio,
                               int level) const;
    // Copies the choice of the selected level into the job and remembers the level.
    void applyProfile();

    // The remembered level, 0 when none or not one this configurator offers.
    int lastProfile(const QString &muxer) const;
    static void saveLastProfile(const QString &muxer, int level);
    bool supportsProfileLevel(const QString &muxer, const QString &video, const QString &audio,
                              int level) const;
    bool offersLevel(int level) const { return m_levels.contains(level); }

    QString profileLabel(int level, const QString &standard, const QString &muxer,
                         const QString &video, const QString &audio) const;
    static QString profileTitle(const EncoderProfile &profile);
    static QSize roundFrameSize(const QSize &size);

    // Fill the preset tables (the constructor does); a repeated call leaves the same table.
    void initVideoPresets();
    void initAudioPresets();

    ProfileGroup &profileGroup() { return m_group; }
    const PresetTables &presets() const { return m_presets; }

protected:
    // Fills the group (title, label, target, choices) for the job of `type`; false when
    // there are no choices or no such engine.
    bool fillGroup(EncodingJob *job, int type, const QString &muxer, const QString &video,
                   const QString &audio);
    // The level a configure starts at from the remembered `last`.
    int startLevel(int last, const QString &muxer, const QString &video, const QString &audio) const;
    // Writes the level into the job's profile and the group, and remembers it.
    void selectLevel(EncodingJob &job, const QString &muxer, int level);
    bool isDvdSource() const;
    // Whether the start level is the copy of a DVD's AC3 track (the group must offer it).
    bool copiesDvdAudio(const QString &audio) const;

    Encoder *m_encoder;
    const EncodingSource *m_source; // the encoder's current source, read at every call
    ProfileGroup m_group;
    QSet<int> m_levels;
    PresetTables m_presets;

private:
    // The container list as last made, and what it was made from: the panel asks for it at
    // every pick, and it takes hundreds of the engines' answers.
    mutable std::optional<Encoder::OfferInputs> m_muxerInputs;
    mutable QStringList m_muxerChoices;
};
