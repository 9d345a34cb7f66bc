#include "encoder/useroptionlists.h"

#include "encoder/records/encodingjob.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
const QStringList kMpeg4Family = {"x264", "x264_lr", "x264_hd", "x264_divx", "x264_psp", "mpeg4", "xvid"};
const QStringList kAacFamily = {"aac", "aac_lr", "aac_hq", "aac_flv"};

const struct { int width; int height; const char *label; } kPictureSizeLabels[] = {
    {128, 96, "128 x 96  -  SQCIF (Sub-Quarter CIF)"},
    {176, 144, "176 x 144  -  QCIF (Quarter CIF)"},
    {352, 288, "352 x 288  -  CIF (VideoCD PAL 4:3)"},
    {528, 384, "528 x 384  -  DCIF (Double CIF, PAL-625)"},
    {704, 576, "704 x 576  -  4CIF (4 x CIF, TV PAL-625)"},
    {1056, 864, "1056 x 864  -  9CIF (9 x CIF)"},
    {1408, 1152, "1408 x 1152  -  16CIF (16x CIF)"},
    {352, 240, "352 x 240  -  SIF (VideoCD NTSC 4:3)"},
    {528, 320, "528 x 320  -  DSIF (Double SIF, NTSC-525)"},
    {704, 480, "704 x 480  -  4SIF (4 x SIF, TV NTSC-525)"},
    {1408, 960, "1408 x 960  -  16SIF (16x SIF)"},
    {352, 480, "352 x 480  -  525 HHR (CVD NTSC)"},
    {352, 576, "352 x 576  -  625 HHR (CVD PAL)"},
    {480, 480, "480 x 480  -  525 HHR (SVCD NTSC)"},
    {480, 576, "480 x 576  -  625 HHR (SVCD PAL)"},
    {480, 272, "480 x 272  -  PSP / ZuneHD"},
    {480, 320, "480 x 320  -  iPhone 3/3GS (HVGA)"},
    {480, 360, "480 x 360  -  Smart phone"},
    {800, 480, "800 x 480  -  HTC Desire (native)"},
    {960, 544, "960 x 544  -  iPhone 4 (qHD)"},
    {320, 240, "320 x 240  -  QVGA (VHS quality)"},
    {384, 288, "384 x 288  -  Expanded CIF (Square pixel)"},
    {624, 352, "624 x 352  -  File sharing (Square pixel 16:9)"},
    {512, 384, "512 x 384  -  File sharing (Square pixel 4:3)"},
    {640, 480, "640 x 480  -  VGA (Square pixel 4:3)"},
    {720, 480, "720 x 480  -  DVD NTSC (D1)"},
    {720, 576, "720 x 576  -  DVD PAL (D1)"},
    {1280, 720, "1280 x 720  -  720p HDTV (WXGA)"},
    {1024, 768, "1024 x 768  -  Square pixel 4:3 (XGA)"},
    {1366, 768, "1366 x 768  -  Square pixel 16:9 (HD-Ready)"},
    {1440, 1088, "1440 x 1088  -  HDTV (H.264/VC-1)"},
    {1920, 1088, "1920 x 1088  -  1080 HDTV (Full-HD)"},
};

const struct { int width; int height; const char *label; } kIpodSizeLabels[] = {
    {960, 540, "960 x 540  (iPod touch) -  iPhone 4 (qHD)"},
    {704, 480, "704 x 480  (iPod touch) -  4SIF (4 x SIF, TV NTSC-525)"},
    {704, 576, "704 x 576  (iPod touch) -  4CIF (4 x CIF, TV PAL-625)"},
    {720, 480, "720 x 480  (iPod touch) -  DVD NTSC (D1)"},
    {720, 576, "720 x 576  (iPod touch) -  DVD PAL (D1)"},
    {1280, 720, "1280 x 720  (iPod touch) -  720p HDTV (WXGA)"},
};

const struct { const char *name; const char *label; } kPresetLabels[] = {
    {"ultrafast", "Ultra-Fast"}, {"superfast", "Super-Fast"}, {"veryfast", "Very-Fast"},
    {"faster", "Faster"}, {"fast", "Fast"}, {"medium", "Medium (default)"}, {"slow", "Slow"},
    {"slower", "Slower"}, {"veryslow", "Very-Slow"}, {"placebo", "Placebo"},
};

const struct { const char *name; const char *label; const char *ipodLabel; } kProfileLabels[] = {
    {"", "None (default)", nullptr},
    {"x264_baseline", "H.264 Baseline Profile (videoconferencing and mobile)",
     "H.264 Baseline Profile (iPod classic)"},
    {"x264_main", "H.264 Main Profile (standard-definition digital TV)",
     "H.264 Main Profile (iPod touch)"},
    {"x264_extended", "H.264 Extended Profile (video streaming)", nullptr},
    {"x264_high", "H.264 High Profile (HDTV and BluRay)", "H.264 High Profile (iPod touch)"},
};

const struct { int rate; const char *label; } kSamplingRateLabels[] = {
    {8000, "8000 Hz (Telephone)"},
    {11025, "11025 Hz  (Low quality)"},
    {12000, "12000 Hz"},
    {16000, "16000 Hz (Wideband telephone - VoIP)"},
    {22050, "22050 Hz  (Radio quality)"},
    {24000, "24000 Hz"},
    {32000, "32000 Hz (MiniDV camcorder)"},
    {44100, "44100 Hz  (Audio CD)"},
    {48000, "48000 Hz  (High quality - DV/DVD/DTV)"},
    {96000, "96000 Hz  (High quality - DVD-Audio/Blu-ray)"},
    {192000, "192000 Hz  (High quality - DVD-Audio/Blu-ray)"},
};

// Which sizes a codec offers in a container. An empty codec list matches every codec, an
// empty muxer every container; the first matching row counts.
enum class SourceSize { No, Small, Yes }; // Small: only up to 640 x 480
struct PictureRow
{
    QStringList codecs;
    QString muxer;
    std::vector<QSize> sizes; // empty: every size of the label table
    QSize defaultSize;
    SourceSize sourceSize;
};

const std::vector<PictureRow> &pictureRows()
{
    static const std::vector<PictureRow> rows = {
        {{"h263"}, "", {{128, 96}, {176, 144}, {352, 288}, {704, 576}}, {176, 144}, SourceSize::No},
        {kMpeg4Family, "psp", {{128, 96}, {176, 144}, {320, 240}, {352, 240}, {480, 272}},
         {480, 272}, SourceSize::No},
        {kMpeg4Family, "ipod",
         {{128, 96}, {176, 144}, {480, 272}, {480, 320}, {480, 360}, {320, 240}, {384, 288},
          {624, 352}, {528, 384}, {640, 480}, {960, 544}, {720, 480}, {720, 576}, {704, 480},
          {704, 576}, {1280, 720}},
         {480, 272}, SourceSize::Small},
        {kMpeg4Family, "",
         {{128, 96}, {176, 144}, {480, 272}, {480, 320}, {480, 360}, {960, 544}, {320, 240},
          {384, 288}, {624, 352}, {512, 384}, {528, 384}, {720, 480}, {720, 576}, {704, 480},
          {704, 576}, {800, 480}, {1280, 720}, {1024, 768}, {1366, 768}, {1440, 1088},
          {1920, 1088}},
         {624, 352}, SourceSize::Yes},
        {{"mpeg1video"}, "",
         {{128, 96}, {176, 144}, {352, 240}, {352, 288}, {352, 480}, {352, 576}}, {352, 240},
         SourceSize::No},
        {{"mpeg2video"}, "",
         {{352, 240}, {352, 288}, {352, 480}, {352, 576}, {480, 480}, {480, 576}, {704, 480},
          {704, 576}, {720, 480}, {720, 576}},
         {720, 480}, SourceSize::No},
        {{}, "", {}, QSize(), SourceSize::Yes},
    };
    return rows;
}

struct BitrateRangeRow
{
    QStringList codecs; // empty: any other codec
    UserOptionLists::Range ipod;
    UserOptionLists::Range other;
};

const std::vector<BitrateRangeRow> &videoBitrateRows()
{
    static const std::vector<BitrateRangeRow> rows = {
        {{"h263"}, {64, 1024, 128}, {64, 1024, 128}},
        {{"x264", "x264_lr"}, {64, 1500, 768}, {64, 4000, 768}},
        {{"x264_hd", "x264_divx"}, {768, 10000, 4000}, {1000, 20000, 6000}},
        {{"mpeg4"}, {64, 1500, 768}, {64, 4000, 768}},
        {{"mpeg1video"}, {500, 1500, 1150}, {500, 1500, 1150}},
        {{"mpeg2video"}, {300, 9800, 4900}, {300, 9800, 4900}},
        {{}, {64, 20000, 768}, {64, 20000, 768}},
    };
    return rows;
}

struct SamplingRow
{
    QStringList codecs; // empty: any other codec
    QStringList muxers; // empty: any container
    QList<int> rates;   // empty: every rate of the label table
    int defaultRate;
};

const std::vector<SamplingRow> &samplingRows()
{
    static const QList<int> aacRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    static const std::vector<SamplingRow> rows = {
        {{"amrnb"}, {}, {8000}, 8000},
        {kAacFamily, {"flv"}, {11025, 22050, 44100}, 44100},
        {kAacFamily, {"ipod", "m4a"}, aacRates, 48000},
        {kAacFamily, {}, aacRates, 44100},
        {{"mp3", "mp3_flv"}, {"flv"}, {11025, 22050, 44100}, 44100},
        {{"mp3", "mp3_flv"}, {}, {16000, 22050, 24000, 32000, 44100, 48000}, 44100},
        {{"mp2", "mp2_vcd"}, {}, {32000, 44100, 48000}, 44100},
        {{"ac3"}, {}, {32000, 44100, 48000}, 48000},
        {{"pcm"}, {}, {48000, 96000}, 48000},
        {{}, {}, {}, 44100},
    };
    return rows;
}

struct AudioBitrateRow
{
    QStringList codecs; // empty: any other codec
    bool ipodWithVideo; // the row serves only an "ipod" container whose source has video
    QList<double> bitrates;
    double defaultBitrate;
};

const std::vector<AudioBitrateRow> &audioBitrateRows()
{
    static const QList<double> aacRates = {8, 16, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160,
                                           192, 224, 256, 320};
    static const std::vector<AudioBitrateRow> rows = {
        {{"amrnb"}, false, {4.75, 5.15, 5.9, 6.7, 7.4, 7.95, 10.2, 12.2}, 4.75},
        {kAacFamily, true, aacRates.mid(0, 12), 128},
        {kAacFamily, false, aacRates, 160},
        {{"mp3", "mp3_flv"}, false,
         {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}, 160},
        {{"mp2", "mp2_vcd"}, false,
         {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}, 224},
        {{"ac3"}, false, {192, 256, 384, 448}, 448},
        {{"pcm"}, false, {768, 1536, 3072, 6144}, 1536},
        {{}, false, {32, 48, 64, 96, 128, 192, 224, 384}, 192},
    };
    return rows;
}

bool matches(const QStringList &names, const QString &name)
{
    return names.isEmpty() || names.contains(name);
}

QString numberText(double value)
{
    return QString::number(value, 'g', 6);
}

// The value a list starts at: the nearest end for a value beyond it, the value itself when
// listed, else the default. `ends` gives the value that stands for an end (the item shows
// the ends truncated to whole numbers).
QVariant boundedInitial(const QVariantList &values, const QVariant &defaultValue, double current,
                        QVariant (*ends)(const QVariant &))
{
    if (values.isEmpty() || !std::isfinite(current))
        return defaultValue;
    if (current < values.first().toDouble())
        return ends(values.first());
    if (current > values.last().toDouble())
        return ends(values.last());
    for (const QVariant &value : values) {
        if (value.toDouble() == current)
            return value;
    }
    return defaultValue;
}

QVariant asListed(const QVariant &value)
{
    return value;
}

QVariant truncated(const QVariant &value)
{
    return QVariant(int(value.toDouble()));
}

std::unique_ptr<OptionItem> choiceItem(OptionItem::Target target, int valueType, int displayKind,
                                       const QString &label)
{
    auto item = std::make_unique<OptionItem>();
    item->kind = OptionItem::Choice;
    item->choice.target = target;
    item->choice.valueType = valueType;
    item->choice.displayKind = displayKind;
    item->choice.label = label;
    item->choice.stretch = true;
    return item;
}

void setBoundedChoices(OptionItem::ChoicePart &part, const UserOptionLists::Choices &choices,
                       double current, QVariant (*ends)(const QVariant &))
{
    part.choices = choices.values;
    part.defaultValue = choices.defaultValue;
    part.initialValue = boundedInitial(choices.values, choices.defaultValue, current, ends);
}

QVariant listedOrDefault(const QVariantList &values, const QVariant &current,
                         const QVariant &defaultValue)
{
    return values.contains(current) ? current : defaultValue;
}

// A named x264 setting: its choices for x264 only (none for any other codec), starting at
// the job's value when listed, else at the default.
std::unique_ptr<OptionItem> x264Choice(QString *target, int displayKind, const QString &label,
                                       const QString &codec, const QVariantList &choices,
                                       const QString &defaultValue)
{
    auto item = choiceItem(target, OptionItem::TextValue, displayKind, label);
    if (codec == QLatin1String("x264")) {
        item->choice.choices = choices;
        item->choice.defaultValue = defaultValue;
    }
    item->choice.initialValue = listedOrDefault(item->choice.choices, *target, item->choice.defaultValue);
    return item;
}

// A number from a list, starting at the job's value; `ends` as for boundedInitial().
template<typename T>
std::unique_ptr<OptionItem> listedNumber(T *target, int valueType, int displayKind,
                                         const QString &label,
                                         const UserOptionLists::Choices &choices,
                                         QVariant (*ends)(const QVariant &))
{
    auto item = choiceItem(target, valueType, displayKind, label);
    setBoundedChoices(item->choice, choices, *target, ends);
    return item;
}
} // namespace

void UserOptionLists::initPictureSizes()
{
    m_pictureSizes.clear();
    for (const auto &row : kPictureSizeLabels)
        m_pictureSizes[QSize(row.width, row.height)] = tr(row.label);
}

void UserOptionLists::initPresetLabels()
{
    m_presetLabels.clear();
    for (const auto &row : kPresetLabels)
        m_presetLabels.insert(QString::fromLatin1(row.name), tr(row.label));
}

void UserOptionLists::initProfileLabels()
{
    m_profileLabels.clear();
    for (const auto &row : kProfileLabels)
        m_profileLabels.insert(QString::fromLatin1(row.name), tr(row.label));
}

void UserOptionLists::initSamplingRates()
{
    m_samplingRates.clear();
    for (const auto &row : kSamplingRateLabels)
        m_samplingRates.insert(row.rate, tr(row.label));
}

void UserOptionLists::addIpodLimits(const QString &muxer)
{
    if (muxer != QLatin1String("ipod"))
        return;
    for (const auto &row : kIpodSizeLabels)
        m_pictureSizes[QSize(row.width, row.height)] = tr(row.label);
    for (const auto &row : kProfileLabels) {
        if (row.ipodLabel)
            m_profileLabels.insert(QString::fromLatin1(row.name), tr(row.ipodLabel));
    }
}

UserOptionLists::Choices UserOptionLists::pictureSizes(const QString &codec, const QString &muxer,
                                                       const QSize &sourceSize) const
{
    const auto row = std::find_if(pictureRows().begin(), pictureRows().end(),
                                  [&](const PictureRow &r) {
                                      return matches(r.codecs, codec)
                                             && (r.muxer.isEmpty() || r.muxer == muxer);
                                  });
    std::vector<QSize> sizes = row->sizes;
    if (sizes.empty()) {
        for (const auto &entry : m_pictureSizes)
            sizes.push_back(entry.first);
    }
    const bool sourceFits = row->sourceSize == SourceSize::Yes
                            || (row->sourceSize == SourceSize::Small && sourceSize.width() <= 640
                                && sourceSize.height() <= 480);
    if (sourceFits && !sourceSize.isEmpty()
        && std::find(sizes.begin(), sizes.end(), sourceSize) == sizes.end())
        sizes.push_back(sourceSize);
    std::sort(sizes.begin(), sizes.end(), HeightThenWidth());

    Choices choices;
    for (const QSize &size : sizes)
        choices.values.append(size);
    if (row->defaultSize.isValid())
        choices.defaultValue = row->defaultSize;
    // Sizes may be typed in where the list offers the source's own size beside the presets.
    choices.open = row->sourceSize == SourceSize::Yes;
    return choices;
}

UserOptionLists::Range UserOptionLists::videoBitrateRange(const QString &codec, const QString &muxer)
{
    const auto row = std::find_if(videoBitrateRows().begin(), videoBitrateRows().end(),
                                  [&](const BitrateRangeRow &r) { return matches(r.codecs, codec); });
    return muxer == QLatin1String("ipod") ? row->ipod : row->other;
}

UserOptionLists::Choices UserOptionLists::samplingRates(const QString &codec, const QString &muxer,
                                                        const EncodingSource &jobSource) const
{
    Choices choices;
    if (codec == QLatin1String("ac3_copy")) {
        choices.values.append(jobSource.audio.samplingRate);
        choices.defaultValue = jobSource.audio.samplingRate;
        return choices;
    }
    const auto row = std::find_if(samplingRows().begin(), samplingRows().end(),
                                  [&](const SamplingRow &r) {
                                      return matches(r.codecs, codec) && matches(r.muxers, muxer);
                                  });
    const QList<int> rates = row->rates.isEmpty() ? m_samplingRates.keys() : row->rates;
    for (int rate : rates)
        choices.values.append(rate);
    choices.defaultValue = row->defaultRate;
    return choices;
}

UserOptionLists::Choices UserOptionLists::audioBitrates(const QString &codec, const QString &muxer,
                                                        const EncodingSource &jobSource)
{
    Choices choices;
    if (codec == QLatin1String("ac3_copy")) {
        choices.values.append(jobSource.audio.bitrate);
        choices.defaultValue = jobSource.audio.bitrate;
        return choices;
    }
    const bool ipodWithVideo = muxer == QLatin1String("ipod") && !jobSource.noVideo;
    const auto row = std::find_if(audioBitrateRows().begin(), audioBitrateRows().end(),
                                  [&](const AudioBitrateRow &r) {
                                      return matches(r.codecs, codec)
                                             && (!r.ipodWithVideo || ipodWithVideo);
                                  });
    for (double bitrate : row->bitrates)
        choices.values.append(bitrate);
    choices.defaultValue = row->defaultBitrate;
    return choices;
}

std::unique_ptr<OptionItem> UserOptionLists::addPictureOptions(const QString &codec,
                                                               EncodingJob &job,
                                                               const EncodingSource &source) const
{
    auto item = choiceItem(&job.target.video.pictureSize, OptionItem::SizeValue,
                           OptionItem::PictureSize, tr("Picture:"));
    OptionItem::ChoicePart &part = item->choice;
    part.leadText = tr("width x height:");
    part.firstEntry = true;
    part.middleText = tr("x");
    part.secondEntry = true;
    part.stretch = false;
    const Choices choices = pictureSizes(codec, job.target.muxer, source.video.sourceSize());
    part.choices = choices.values;
    part.defaultValue = choices.defaultValue;
    part.initialValue = listedOrDefault(choices.values, job.target.video.pictureSize,
                                        choices.defaultValue);
    return item;
}

std::unique_ptr<OptionItem> UserOptionLists::addVideoBitrateOptions(const QString &codec,
                                                                    EncodingJob &job) const
{
    auto item = std::make_unique<OptionItem>();
    item->kind = OptionItem::Range;
    OptionItem::RangePart &part = item->range;
    part.target = &job.target.video.bitrate;
    part.valueType = OptionItem::DoubleValue;
    part.label = tr("Bitrate:");
    part.unit = tr("kbps");
    const Range range = videoBitrateRange(codec, job.target.muxer);
    part.minimum = range.minimum;
    part.maximum = range.maximum;
    part.defaultValue = range.defaultValue;
    const double current = job.target.video.bitrate;
    if (current == 0.0 || !std::isfinite(current))
        part.initialValue = range.defaultValue;
    else if (current < range.minimum)
        part.initialValue = range.minimum;
    else if (current > range.maximum)
        part.initialValue = range.maximum;
    else
        part.initialValue = int(current);
    return item;
}

std::unique_ptr<OptionItem> UserOptionLists::addQualityPresetOptions(const QString &codec,
                                                                     EncodingJob &job) const
{
    QVariantList presets;
    for (const auto &row : kPresetLabels)
        presets.append(QString::fromLatin1(row.name));
    return x264Choice(&job.target.video.preset, OptionItem::X264Preset, tr("Quality preset:"), codec,
                      presets, QStringLiteral("medium"));
}

std::unique_ptr<OptionItem> UserOptionLists::addProfileConstraintOptions(const QString &codec,
                                                                         EncodingJob &job) const
{
    // The empty name and "x264_extended" have labels but are not offered.
    return x264Choice(&job.target.video.profile, OptionItem::H264Profile, tr("Profile constraints:"),
                      codec, {QStringLiteral("x264_baseline"), QStringLiteral("x264_main"),
                              QStringLiteral("x264_high")},
                      QStringLiteral("x264_high"));
}

std::unique_ptr<OptionItem> UserOptionLists::addSamplingOptions(const QString &codec,
                                                                EncodingJob &job) const
{
    return listedNumber(&job.target.audio.samplingRate, OptionItem::IntValue, OptionItem::SamplingRate,
                        tr("Sampling:"), samplingRates(codec, job.target.muxer, job.source), asListed);
}

std::unique_ptr<OptionItem> UserOptionLists::addAudioBitrateOptions(const QString &codec,
                                                                    EncodingJob &job) const
{
    return listedNumber(&job.target.audio.bitrate, OptionItem::DoubleValue, OptionItem::Bitrate,
                        tr("Bitrate:"), audioBitrates(codec, job.target.muxer, job.source), truncated);
}

QString UserOptionLists::pictureSizeLabel(const QSize &size) const
{
    const auto found = m_pictureSizes.find(size);
    return found == m_pictureSizes.end() ? QString() : found->second;
}

QString UserOptionLists::presetText(const QString &name) const
{
    if (m_presetLabels.contains(name))
        return m_presetLabels.value(name);
    return name.left(1).toUpper() + name.mid(1);
}

QString UserOptionLists::profileConstraintText(const QString &name) const
{
    if (m_profileLabels.contains(name))
        return m_profileLabels.value(name);
    return name.left(1).toUpper() + name.mid(1);
}

QString UserOptionLists::valueText(int displayKind, const QVariant &value,
                                   const EncodingSource &source) const
{
    switch (displayKind) {
    case OptionItem::PictureSize: {
        const QSize size = value.toSize();
        const QString label = pictureSizeLabel(size);
        if (!label.isEmpty())
            return label;
        return (size == source.video.sourceSize() ? tr("%1 x %2  -  Original input size")
                                                  : tr("%1 x %2  -  User defined"))
            .arg(size.width())
            .arg(size.height());
    }
    case OptionItem::X264Preset:
        return presetText(value.toString());
    case OptionItem::H264Profile:
        return profileConstraintText(value.toString());
    case OptionItem::SamplingRate: {
        const int rate = value.toInt();
        if (rate == source.audio.samplingRate)
            return tr("%1 Hz  -  Original input frequency").arg(rate);
        if (m_samplingRates.contains(rate))
            return m_samplingRates.value(rate);
        return tr("%1 Hz  -  User defined frequency").arg(rate);
    }
    case OptionItem::Bitrate: {
        const double kbps = value.toDouble();
        const bool original = kbps == source.audio.bitrate;
        if (kbps >= 16)
            return (original ? tr("%1 kbps  (original input bitrate)") : tr("%1 kbps"))
                .arg(numberText(kbps));
        return (original ? tr("%1 bit/s  (original input bitrate)") : tr("%1 bit/s"))
            .arg(numberText(kbps * 1000));
    }
    default:
        return tr("Unreferenced item");
    }
}

QSize UserOptionLists::storedPictureSize(const QString &codec, const QString &muxer,
                                         const QSize &stored, const QSize &sourceSize) const
{
    const Choices choices = pictureSizes(codec, muxer, sourceSize);
    if (choices.values.contains(QVariant(stored)))
        return stored;
    // A typed size: even, as the 4:2:0 encoders need, and within what the engines scale to.
    const auto typable = [](int side) { return side >= 16 && side <= 4096 && side % 2 == 0; };
    if (choices.open && typable(stored.width()) && typable(stored.height()))
        return stored;
    return QSize();
}

double UserOptionLists::storedVideoBitrate(const QString &codec, const QString &muxer, double stored)
{
    const Range range = videoBitrateRange(codec, muxer);
    if (stored == 0.0 || !std::isfinite(stored))
        return range.defaultValue;
    return std::clamp(stored, double(range.minimum), double(range.maximum));
}

int UserOptionLists::storedSamplingRate(const QString &codec, const QString &muxer,
                                        const EncodingSource &jobSource, int stored) const
{
    const Choices choices = samplingRates(codec, muxer, jobSource);
    if (stored == 0) // not stored
        return choices.defaultValue.toInt();
    return boundedInitial(choices.values, choices.defaultValue, stored, asListed).toInt();
}

double UserOptionLists::storedAudioBitrate(const QString &codec, const QString &muxer,
                                           const EncodingSource &jobSource, double stored)
{
    // The lossless codecs have no bitrate to choose.
    if (codec == QLatin1String("alac") || codec == QLatin1String("flac"))
        return 0.0;
    const Choices choices = audioBitrates(codec, muxer, jobSource);
    if (stored == 0.0) // not stored
        return choices.defaultValue.toDouble();
    return boundedInitial(choices.values, choices.defaultValue, stored, asListed).toDouble();
}
