#pragma once

#include "encoder/optionitem.h"

#include <QCoreApplication>
#include <QMap>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <map>
#include <memory>

struct EncodingJob;
struct EncodingSource;

// What the user may choose in the extended configurator's own settings: the label tables
// (picture sizes, x264 presets, H.264 profiles, sampling rates), the iPod additions, and,
// per codec and container, the values offered, the default and the value shown first.
// The item builders return a new item whose target points into the target half of `job`;
// the container is the job's target muxer. `source` is the configurator's source (its
// picture size and audio stream name the "original input" values).
//
// The same lists check the user settings read back from the settings store, so that a
// stale or hand-edited store cannot put a value into a job that the dialog would not offer.
class UserOptionLists
{
    Q_DECLARE_TR_FUNCTIONS(UserOptionLists)

public:
    struct Choices
    {
        QVariantList values;   // in the order offered
        QVariant defaultValue; // invalid when the codec has none
        bool open = false;     // free sizes may be typed in (picture sizes only)
    };
    struct Range
    {
        int minimum = 0;
        int maximum = 0;
        int defaultValue = 0;
    };

    // Empty until filled: each init first empties its table, then enters the rows.
    void initPictureSizes();
    void initPresetLabels();
    void initProfileLabels();
    void initSamplingRates();
    // iPod sizes and profile names; they stay for the rest of this object's life.
    void addIpodLimits(const QString &muxer);

    std::unique_ptr<OptionItem> addPictureOptions(const QString &codec, EncodingJob &job,
                                                  const EncodingSource &source) const;
    std::unique_ptr<OptionItem> addVideoBitrateOptions(const QString &codec, EncodingJob &job) const;
    std::unique_ptr<OptionItem> addQualityPresetOptions(const QString &codec, EncodingJob &job) const;
    std::unique_ptr<OptionItem> addProfileConstraintOptions(const QString &codec,
                                                            EncodingJob &job) const;
    std::unique_ptr<OptionItem> addSamplingOptions(const QString &codec, EncodingJob &job) const;
    std::unique_ptr<OptionItem> addAudioBitrateOptions(const QString &codec, EncodingJob &job) const;

    QString valueText(int displayKind, const QVariant &value, const EncodingSource &source) const;
    QString presetText(const QString &name) const;
    QString profileConstraintText(const QString &name) const;

    // The lists themselves, sorted as offered. `jobSource` is the job's source half.
    Choices pictureSizes(const QString &codec, const QString &muxer, const QSize &sourceSize) const;
    static Range videoBitrateRange(const QString &codec, const QString &muxer);
    Choices samplingRates(const QString &codec, const QString &muxer,
                          const EncodingSource &jobSource) const;
    static Choices audioBitrates(const QString &codec, const QString &muxer,
                                 const EncodingSource &jobSource);

    // Stored values made safe: a picture size the lists do not offer (or cannot take as a
    // typed size) gives an invalid size; the numbers are brought to the nearest end of
    // their list or range, or to the default when they are unlisted or not numbers.
    QSize storedPictureSize(const QString &codec, const QString &muxer, const QSize &stored,
                            const QSize &sourceSize) const;
    static double storedVideoBitrate(const QString &codec, const QString &muxer, double stored);
    int storedSamplingRate(const QString &codec, const QString &muxer,
                           const EncodingSource &jobSource, int stored) const;
    static double storedAudioBitrate(const QString &codec, const QString &muxer,
                                     const EncodingSource &jobSource, double stored);

    QString pictureSizeLabel(const QSize &size) const;

private:
    struct HeightThenWidth
    {
        bool operator()(const QSize &a, const QSize &b) const
        {
            return a.height() != b.height() ? a.height() < b.height() : a.width() < b.width();
        }
    };

    std::map<QSize, QString, HeightThenWidth> m_pictureSizes;
    QMap<QString, QString> m_presetLabels;
    QMap<QString, QString> m_profileLabels;
    QMap<int, QString> m_samplingRates;
};
