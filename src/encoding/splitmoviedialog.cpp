#include "encoding/splitmoviedialog.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

namespace {

struct VolumePreset
{
    const char *label;
    const char *toolTip;
    qint64 size;
};

// The 800 MB row holds 826,000,000 bytes on purpose: what such discs really take.
const VolumePreset kPresets[] = {
    {QT_TRANSLATE_NOOP("SplitMovieDialog", "700MB CD"), QT_TRANSLATE_NOOP("SplitMovieDialog", "737 MegaBytes"), 737000000LL},
    {QT_TRANSLATE_NOOP("SplitMovieDialog", "800MB CD"), QT_TRANSLATE_NOOP("SplitMovieDialog", "829 MegaBytes"), 826000000LL},
    {QT_TRANSLATE_NOOP("SplitMovieDialog", "900MB CD"), QT_TRANSLATE_NOOP("SplitMovieDialog", "912 MegaBytes"), 912000000LL},
    {QT_TRANSLATE_NOOP("SplitMovieDialog", "4.7GB DVD"), QT_TRANSLATE_NOOP("SplitMovieDialog", "4.700 MegaBytes"), 4700000000LL},
    {QT_TRANSLATE_NOOP("SplitMovieDialog", "8.5GB DVD"), QT_TRANSLATE_NOOP("SplitMovieDialog", "8.540 MegaBytes"), 8540000000LL},
};

constexpr double kMegabyte = 1000000.0;
constexpr double kGigabyte = 1000000000.0;
constexpr qint64 kBytesPerExtraPart = 50000000;
constexpr int kMinimumParts = 2;
constexpr int kFewestOfMostParts = 3;
constexpr int kMostParts = 8;
// Sizes from the DVD presets upwards show in gigabytes.
constexpr qint64 kGigabyteDisplayFrom = 4700000000LL;

} // namespace

SplitMovieDialog::SplitMovieDialog(qint64 inputSize, QString *inputFolder, QString *outputFolder,
                                   int *volumeCount, qint64 *volumeSize, QWidget *parent)
    : QDialog(parent),
      m_inputSize(inputSize),
      m_targetFolder(*outputFolder),
      m_inputFolder(*inputFolder),
      m_outputFolder(outputFolder),
      m_volumeCount(volumeCount),
      m_volumeSize(volumeSize)
{
    setWindowTitle(tr("Movie split options"));
    // The folder paths and preset sizes live in tool tips.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    buildWidgets();
    connectWidgets();
    chooseInitially();
}

int SplitMovieDialog::maximumParts(qint64 inputSize)
{
    const qint64 parts = inputSize / kBytesPerExtraPart + 1;
    return int(std::clamp<qint64>(parts, kFewestOfMostParts, kMostParts));
}

void SplitMovieDialog::buildWidgets()
{
    auto *layout = new QVBoxLayout(this);
    m_volumeMethod = new QRadioButton(this);
    m_divideMethod = new QRadioButton(this);
    m_methods = new QButtonGroup(this);
    m_methods->addButton(m_volumeMethod);
    m_methods->addButton(m_divideMethod);

    m_presetGroup = new QGroupBox(this);
    auto *presetLayout = new QVBoxLayout(m_presetGroup);
    for (int i = 0; i < kPresetCount; ++i) {
        m_presets[i] = new QRadioButton(tr(kPresets[i].label), m_presetGroup);
        m_presets[i]->setToolTip(tr(kPresets[i].toolTip));
        presetLayout->addWidget(m_presets[i]);
    }
    auto *userRow = new QHBoxLayout;
    m_userSlice = new QRadioButton(m_presetGroup);
    m_sliceEdit = new QLineEdit(m_presetGroup);
    m_sliceEdit->setToolTip(tr("User defined slice"));
    m_unitBox = new QComboBox(m_presetGroup);
    m_unitBox->addItem(tr("MB"), kMegabyte);
    m_unitBox->addItem(tr("GB"), kGigabyte);
    userRow->addWidget(m_userSlice);
    userRow->addWidget(m_sliceEdit);
    userRow->addWidget(m_unitBox);
    userRow->addStretch(4);
    presetLayout->addLayout(userRow);

    m_divideGroup = new QGroupBox(this);
    auto *divideRow = new QHBoxLayout(m_divideGroup);
    m_partCount = new QSpinBox(m_divideGroup);
    m_partCount->setRange(kMinimumParts, maximumParts(m_inputSize));
    divideRow->addWidget(m_partCount);
    divideRow->addWidget(new QLabel(m_divideGroup));

    auto *folderGroup = new QGroupBox(tr("Output folder"), this);
    auto *folderLayout = new QVBoxLayout(folderGroup);
    m_userFolder = new QRadioButton(tr("Split in user folder"), folderGroup);
    m_userFolder->setToolTip(m_targetFolder);
    m_inputFolderButton = new QRadioButton(tr("Split in input folder"), folderGroup);
    m_inputFolderButton->setToolTip(m_inputFolder);
    folderLayout->addWidget(m_userFolder);
    folderLayout->addWidget(m_inputFolderButton);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(3);
    m_splitButton = new QPushButton(tr("Split movie"), this);
    m_splitButton->setToolTip(tr("Start split job"));
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setToolTip(tr("Cancel split operation"));
    buttonRow->addWidget(m_splitButton);
    buttonRow->addWidget(m_cancelButton);

    // Names for the window tests and for style sheets.
    m_volumeMethod->setObjectName(QStringLiteral("volumeMethod"));
    m_divideMethod->setObjectName(QStringLiteral("divideMethod"));
    m_userSlice->setObjectName(QStringLiteral("userSlice"));
    m_sliceEdit->setObjectName(QStringLiteral("sliceEdit"));
    m_unitBox->setObjectName(QStringLiteral("unitBox"));
    m_partCount->setObjectName(QStringLiteral("partCount"));

    layout->addWidget(m_volumeMethod);
    layout->addWidget(m_presetGroup);
    layout->addWidget(m_divideMethod);
    layout->addWidget(m_divideGroup);
    layout->addWidget(folderGroup);
    layout->addLayout(buttonRow);
}

void SplitMovieDialog::connectWidgets()
{
    connect(m_splitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    for (QRadioButton *preset : m_presets)
        connect(preset, &QRadioButton::clicked, this, &SplitMovieDialog::volumeUpdateSelection);
    // Touching the slice in any way chooses it before the evaluation runs.
    const auto selectAndEvaluate = [this] {
        volumeSelectUser();
        volumeUpdateSelection();
    };
    connect(m_userSlice, &QRadioButton::clicked, this, selectAndEvaluate);
    connect(m_sliceEdit, &QLineEdit::cursorPositionChanged, this, selectAndEvaluate);
    connect(m_sliceEdit, &QLineEdit::editingFinished, this, &SplitMovieDialog::volumeUserFinishEditing);
    connect(m_sliceEdit, &QLineEdit::selectionChanged, this, selectAndEvaluate);
    connect(m_sliceEdit, &QLineEdit::textEdited, this, selectAndEvaluate);
    connect(m_unitBox, &QComboBox::activated, this, selectAndEvaluate);
    connect(m_unitBox, &QComboBox::currentIndexChanged, this, &SplitMovieDialog::volumeUserChangeUnit);
    connect(m_partCount, &QSpinBox::valueChanged, this, &SplitMovieDialog::divideSetValue);
    connect(m_volumeMethod, &QRadioButton::clicked, this, &SplitMovieDialog::methodSetVolume);
    connect(m_divideMethod, &QRadioButton::clicked, this, &SplitMovieDialog::methodSetDivide);
    connect(m_userFolder, &QRadioButton::clicked, this, &SplitMovieDialog::folderSetChoice);
    connect(m_inputFolderButton, &QRadioButton::clicked, this, &SplitMovieDialog::folderSetChoice);
}

void SplitMovieDialog::chooseInitially()
{
    m_partCount->setValue(kMinimumParts);
    divideUpdateSelection();
    if (m_inputSize < kPresets[0].size) {
        // Every preset is larger than the input: offer half of it as the slice and open on
        // the divide method.
        m_sliceEdit->setText(QString::number(qint64(double(m_inputSize / 2) / kMegabyte)));
        m_userSlice->setChecked(true);
        volumeUpdateSelection();
        m_divideMethod->setChecked(true);
        m_divideGroup->setEnabled(true);
        m_presetGroup->setEnabled(false);
        divideUpdateSelection();
    } else {
        m_volumeMethod->setChecked(true);
        m_presets[0]->setChecked(true);
        methodSetVolume();
    }
    m_userFolder->setChecked(true);
}

bool SplitMovieDialog::equalParts() const
{
    return m_divideMethod->isChecked();
}

void SplitMovieDialog::setVolumePlanner(const VolumePlanner &planner)
{
    m_planner = planner;
    replan();
}

void SplitMovieDialog::replan()
{
    if (m_volumeMethod->isChecked())
        volumeUpdateSelection();
}

int SplitMovieDialog::selectedPreset() const
{
    for (int i = 0; i < kPresetCount; ++i) {
        if (m_presets[i]->isChecked())
            return i;
    }
    return -1;
}

bool SplitMovieDialog::userUnitIsGigabytes() const
{
    return m_unitBox->currentData().toDouble() == kGigabyte;
}

void SplitMovieDialog::divideSetValue(int value)
{
    const QSignalBlocker blocker(m_partCount);
    m_partCount->setValue(std::clamp(value, m_partCount->minimum(), m_partCount->maximum()));
    divideUpdateSelection();
}

void SplitMovieDialog::divideUpdateSelection()
{
    const int parts = m_partCount->value();
    *m_volumeCount = parts;
    const qint64 megabytes = qint64(double(m_inputSize / parts) / kMegabyte);
    if (megabytes < 1000)
        m_divideMethod->setText(tr("Split in %1 volumes (%2MB)").arg(parts).arg(megabytes));
    else
        m_divideMethod->setText(tr("Split in %1 volumes (%2GB)").arg(parts).arg(megabytes / 1000.0, 0, 'f', 2));
    // The bytes are divided, not whole megabytes (the rest of which would go to the last part):
    // the parts are equal to the byte, rounded up so that they hold the whole input.
    *m_volumeSize = m_inputSize / parts + (m_inputSize % parts != 0 ? 1 : 0);
    // Equal parts are a valid choice, whatever an earlier slice left on the button, unless
    // there is nothing to divide: a part size of nothing would copy the whole input into the
    // first part.
    if (m_divideMethod->isChecked())
        m_splitButton->setEnabled(*m_volumeSize > 0);
}

void SplitMovieDialog::volumeUpdateSelection()
{
    const int preset = selectedPreset();
    const qint64 size = preset >= 0
            ? kPresets[preset].size
            : qint64(m_sliceEdit->text().toDouble() * m_unitBox->currentData().toDouble());
    *m_volumeSize = size;
    if (size <= 0 || size > m_inputSize) {
        m_volumeMethod->setText(tr("Split in ..."));
        m_splitButton->setEnabled(false);
        return;
    }
    m_splitButton->setEnabled(true);
    qint64 rest = m_inputSize % size;
    int count = int(m_inputSize / size + (rest != 0 ? 1 : 0));
    // The volumes the split will make, where the planner can tell them: what the input's
    // bytes divided by the size say is only the least there can be.
    qint64 lastSize = 0;
    const int planned = m_planner ? m_planner(size, &lastSize) : 0;
    if (planned > 0) {
        count = planned;
        rest = lastSize;
    }
    *m_volumeCount = count;

    const bool megabytes = preset >= 0 ? kPresets[preset].size < kGigabyteDisplayFrom : !userUnitIsGigabytes();
    const double unit = megabytes ? kMegabyte : kGigabyte;
    const QString sizeText = QString::number(double(size) / unit, 'g', 6);
    const QString restText = QString::number(double(rest) / unit, 'f', 2);
    if (count == 2) {
        m_volumeMethod->setText((megabytes ? tr("Split in 2 volumes: %1MB + %2MB")
                                           : tr("Split in 2 volumes: %1GB + %2GB"))
                                        .arg(sizeText, restText));
    } else {
        m_volumeMethod->setText((megabytes ? tr("Split in %1 volumes: %2 x %3MB + %4MB")
                                           : tr("Split in %1 volumes: %2 x %3GB + %4GB"))
                                        .arg(count).arg(count - 1).arg(sizeText, restText));
    }
}

void SplitMovieDialog::methodSetVolume()
{
    m_volumeMethod->setChecked(true);
    m_divideGroup->setEnabled(false);
    m_presetGroup->setEnabled(true);
    for (int i = 0; i < kPresetCount; ++i)
        m_presets[i]->setEnabled(m_inputSize > kPresets[i].size);
    volumeUpdateSelection();
    emit methodChanged();
}

void SplitMovieDialog::methodSetDivide()
{
    m_divideMethod->setChecked(true);
    m_divideGroup->setEnabled(true);
    m_presetGroup->setEnabled(false);
    divideUpdateSelection();
    emit methodChanged();
}

void SplitMovieDialog::volumeSelectUser()
{
    m_userSlice->setChecked(true);
}

void SplitMovieDialog::volumeUserChangeUnit()
{
    const double value = m_sliceEdit->text().toDouble();
    if (value == 0.0)
        return;
    const double converted = userUnitIsGigabytes() ? value * 0.001 : value * 1000;
    m_sliceEdit->setText(QString::number(converted, 'g', 6));
    volumeUpdateSelection();
}

void SplitMovieDialog::volumeUserFinishEditing()
{
    const double value = m_sliceEdit->text().toDouble();
    if (value == 0.0)
        m_sliceEdit->setText(userUnitIsGigabytes() ? QStringLiteral("4.5") : QStringLiteral("690"));
    else
        m_sliceEdit->setText(QString::number(value, 'g', 6));
}

void SplitMovieDialog::folderSetChoice()
{
    *m_outputFolder = m_inputFolderButton->isChecked() ? m_inputFolder : m_targetFolder;
}
