#include "app/preferencesdialog.h"

#include "app/shellsettings.h"
#include "jobs/infoboxdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <iterator>

namespace {

constexpr double kTitleLengthMinimum = 60.0;
constexpr double kTitleLengthMaximum = 7200.0;
constexpr int kUnbounded = INT_MAX;

QString titleLengthBounds()
{
    return PreferencesDialog::tr("seconds, %1 to %2").arg(kTitleLengthMinimum).arg(kTitleLengthMaximum);
}

// The typed integer within its bounds. A number of more digits than any int holds is still
// a number: the bound on its side, never the 0 that a text of no number reads as.
qlonglong typedInteger(const QString &text, bool *parsed)
{
    static const QRegularExpression digits(QStringLiteral("^\\s*([+-]?)\\d+\\s*$"));
    const qlonglong value = text.toLongLong(parsed);
    if (*parsed)
        return value;
    const QRegularExpressionMatch match = digits.match(text);
    *parsed = match.hasMatch();
    if (!*parsed)
        return 0;
    return match.captured(1) == QLatin1String("-") ? LLONG_MIN : LLONG_MAX;
}

QGroupBox *groupWithGrid(const QString &title, QGridLayout *&grid)
{
    auto *group = new QGroupBox(title);
    grid = new QGridLayout(group);
    return group;
}

} // namespace

// The integer rows of both tabs with the bounds OK applies. The tool tips' figures are not
// always the bounds (file size, both kill rows): the bounds are what holds.
const PreferencesDialog::IntegerRowSpec PreferencesDialog::kGeneralRows[] = {
    {QT_TR_NOOP("Encoder test mode"), QT_TR_NOOP("Frames:"), QT_TR_NOOP("Number of frames to encode in test mode (MEncoder)"),
     QT_TR_NOOP("Not < 100 frames"), "testFrames", [](Preferences &p) -> int & { return p.encoder.testFrames; }, 100, kUnbounded},
    {QT_TR_NOOP("Encoder test mode"), QT_TR_NOOP("Chapter:"), QT_TR_NOOP("Start encoding test from this chapter (MEncoder)"),
     QT_TR_NOOP("Not < 1"), "testChapter", [](Preferences &p) -> int & { return p.encoder.testChapter; }, 1, 99},
    {QT_TR_NOOP("Encoder test mode"), QT_TR_NOOP("Seek position:"),
     QT_TR_NOOP("Start encoding test from this position in seconds (FFmpeg)"), QT_TR_NOOP("Not < 0 second"),
     "testPosition", [](Preferences &p) -> int & { return p.encoder.testPosition; }, 0, kUnbounded},
    {QT_TR_NOOP("Encoder"), QT_TR_NOOP("Frames to validate:"),
     QT_TR_NOOP("Number of frames to encode to validate an encoder command (MEncoder)"), QT_TR_NOOP("Not < 25 frames"),
     "validationFrames", [](Preferences &p) -> int & { return p.encoder.validationFrames; }, 25, 100},
    {QT_TR_NOOP("Encoder"), QT_TR_NOOP("File size to validate:"),
     QT_TR_NOOP("File output size to encode to validate an encoder command (FFmpeg)"), QT_TR_NOOP("Not < 10000 Bytes"),
     "validationSize", [](Preferences &p) -> int & { return p.encoder.validationSize; }, 500000, 2000000},
};

const PreferencesDialog::IntegerRowSpec PreferencesDialog::kTimingRows[] = {
    {QT_TR_NOOP("Encoder latency"), QT_TR_NOOP("Start:"), QT_TR_NOOP("Milliseconds to wait encoder process started"),
     QT_TR_NOOP("Not < 1000 milliseconds"), "encoderLatencyStart",
     [](Preferences &p) -> int & { return p.encoder.latencyStart; }, 1000, 5000},
    {QT_TR_NOOP("Encoder latency"), QT_TR_NOOP("Finished:"), QT_TR_NOOP("Milliseconds to wait encoder process finished"),
     QT_TR_NOOP("Not < 1000 milliseconds"), "encoderLatencyFinished",
     [](Preferences &p) -> int & { return p.encoder.latencyFinished; }, 1000, 5000},
    {QT_TR_NOOP("Encoder latency"), QT_TR_NOOP("Kill:"), QT_TR_NOOP("Milliseconds to wait encoder process not responding"),
     QT_TR_NOOP("Not < 1000 milliseconds"), "encoderLatencyKill",
     [](Preferences &p) -> int & { return p.encoder.latencyKill; }, 3000, 5000},
    {QT_TR_NOOP("Player latency"), QT_TR_NOOP("Start:"), QT_TR_NOOP("Milliseconds to wait player process started"),
     QT_TR_NOOP("Not < 1000 milliseconds"), "playerLatencyStart",
     [](Preferences &p) -> int & { return p.player.latencyStart; }, 1000, 5000},
    {QT_TR_NOOP("Player latency"), QT_TR_NOOP("Finished:"), QT_TR_NOOP("Milliseconds to wait player process finished"),
     QT_TR_NOOP("Not < 1000 milliseconds"), "playerLatencyFinished",
     [](Preferences &p) -> int & { return p.player.latencyFinished; }, 1000, 5000},
    {QT_TR_NOOP("Player latency"), QT_TR_NOOP("Kill:"), QT_TR_NOOP("Milliseconds to wait player process not responding"),
     QT_TR_NOOP("Not < 1000 milliseconds"), "playerLatencyKill",
     [](Preferences &p) -> int & { return p.player.latencyKill; }, 3000, 5000},
    {QT_TR_NOOP("Player latency"), QT_TR_NOOP("Poll ticks:"),
     QT_TR_NOOP("Poll player process every milliseconds to update controls"), QT_TR_NOOP("Not < 500 milliseconds"),
     "pollTicks", [](Preferences &p) -> int & { return p.player.pollTicks; }, 500, 2000},
};

PreferencesDialog::PreferencesDialog(Preferences *preferences, QWidget *parent)
    : QDialog(parent),
      m_preferences(preferences),
      m_working(*preferences)
{
    setWindowTitle(tr("Preferences"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumWidth(260);
    m_tabs = new QTabWidget(this);
    m_tabs->setMovable(false);
    m_generalPage = buildGeneralPage();
    m_timingPage = buildTimingPage();
    m_tabs->addTab(m_generalPage, tr("General"));
    m_tabs->addTab(m_timingPage, tr("Timing"));
    m_tabs->setCurrentIndex(0);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    m_buttons->setCenterButtons(true);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_tabs);
    m_layout->addWidget(m_buttons);
    loadControls();
}

QLineEdit *PreferencesDialog::addRow(QGridLayout *grid, int row, const QString &label, const QString &labelTip,
                                     const QString &editTip, const char *name)
{
    auto *text = new QLabel(label);
    text->setToolTip(labelTip);
    auto *edit = new QLineEdit;
    edit->setToolTip(editTip);
    edit->setObjectName(QLatin1String(name));
    text->setBuddy(edit);
    grid->addWidget(text, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

void PreferencesDialog::addIntegerRows(QVBoxLayout *page, const IntegerRowSpec *rows, int count)
{
    QGridLayout *grid = nullptr;
    const char *group = nullptr;
    int row = 0;
    for (int i = 0; i < count; ++i) {
        const IntegerRowSpec &spec = rows[i];
        if (!group || qstrcmp(group, spec.group) != 0) {
            group = spec.group;
            page->addWidget(groupWithGrid(tr(spec.group), grid));
            row = 0;
        }
        QLineEdit *edit = addRow(grid, row++, tr(spec.label), tr(spec.labelTip), tr(spec.editTip), spec.name);
        m_integerRows.append({edit, &spec.field(m_working), spec.minimum, spec.maximum, tr(spec.label)});
    }
}

void PreferencesDialog::addResetRow(QVBoxLayout *page, QWidget *button)
{
    page->addSpacerItem(new QSpacerItem(20, 10, QSizePolicy::Minimum, QSizePolicy::Expanding));
    auto *row = new QHBoxLayout;
    row->addWidget(button);
    row->addSpacerItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    page->addLayout(row);
}

QWidget *PreferencesDialog::buildGeneralPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    QGridLayout *grid = nullptr;

    layout->addWidget(groupWithGrid(tr("DVD preferences"), grid));
    m_titleLength = addRow(grid, 0, tr("Short titles to ignore:"), tr("Threshold in seconds to filter out short titles"),
                           tr("Not < 10.0 seconds"), "titleMinimumLength");
    m_shortTitles = new QCheckBox;
    m_shortTitles->setToolTip(tr("Uncheck to keep all titles when loading"));
    m_shortTitles->setObjectName(QStringLiteral("ignoreShortTitles"));
    grid->addWidget(m_shortTitles, 0, 2);
    // The unit and the bounds OK keeps the length within, which the tool tip does not give.
    auto *unit = new QLabel(titleLengthBounds());
    unit->setObjectName(QStringLiteral("titleMinimumLengthBounds"));
    grid->addWidget(unit, 0, 3);

    addIntegerRows(layout, kGeneralRows, int(std::size(kGeneralRows)));

    layout->addWidget(groupWithGrid(tr("Output target"), grid));
    m_fileName = addRow(grid, 0, tr("File name:"), tr("Output base file name"), tr("Default: output"), "outputName");
    m_forceName = new QCheckBox;
    m_forceName->setToolTip(tr("Uncheck to use intput name for output"));
    m_forceName->setObjectName(QStringLiteral("forceOutputName"));
    grid->addWidget(m_forceName, 0, 2);

    auto *reset = new QPushButton(tr("Default all"));
    reset->setToolTip(tr("Set all preferences to default"));
    connect(reset, &QPushButton::clicked, this, &PreferencesDialog::resetPreferences);
    addResetRow(layout, reset);
    return page;
}

QWidget *PreferencesDialog::buildTimingPage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    addIntegerRows(layout, kTimingRows, int(std::size(kTimingRows)));
    auto *reset = new QPushButton(tr("Default timing"));
    reset->setToolTip(tr("Reset timing preferences to default"));
    connect(reset, &QPushButton::clicked, this, &PreferencesDialog::resetTimingPreferences);
    addResetRow(layout, reset);
    return page;
}

void PreferencesDialog::loadControls()
{
    m_shortTitles->setChecked(m_working.player.ignoreShortTitles);
    m_titleLength->setText(QString::number(m_working.player.titleMinimumLength, 'g', 6));
    for (const IntegerRow &row : std::as_const(m_integerRows))
        row.edit->setText(QString::number(*row.field));
    m_fileName->setText(m_working.encoder.outputName);
    m_forceName->setChecked(m_working.encoder.forceOutputName);
}

QString PreferencesDialog::integerBounds(int minimum, int maximum)
{
    return maximum == kUnbounded ? tr("at least %1").arg(minimum) : tr("%1 to %2").arg(minimum).arg(maximum);
}

QString PreferencesDialog::correction(const QString &label, const QString &typed, bool changed,
                                      const QString &stored, const QString &bounds)
{
    if (!changed)
        return QString();
    const QString shown = typed.trimmed().isEmpty() ? tr("an empty value") : QStringLiteral("\"%1\"").arg(typed);
    return tr("%1 %2 became %3 (%4).").arg(label, shown, stored, bounds);
}

void PreferencesDialog::accept()
{
    QStringList corrections;
    for (const IntegerRow &row : std::as_const(m_integerRows)) {
        // Unparsable text reads as 0 and is then bounded like any other value.
        bool parsed = false;
        const qlonglong value = typedInteger(row.edit->text(), &parsed);
        *row.field = int(std::clamp<qlonglong>(value, row.minimum, row.maximum));
        corrections << correction(row.label, row.edit->text(), !parsed || value != *row.field,
                                  QString::number(*row.field), integerBounds(row.minimum, row.maximum));
    }
    m_working.encoder.forceOutputName = m_forceName->isChecked();
    m_working.encoder.outputName = ShellSettings::cleanOutputName(m_fileName->text());
    m_working.player.ignoreShortTitles = m_shortTitles->isChecked();
    bool parsed = false;
    double length = m_titleLength->text().toDouble(&parsed);
    // "nan" and "inf" read as numbers that no bound holds back: they count as no number. A
    // number too large for a double ("1e400") is refused as infinite: it takes its bound.
    if (!parsed && std::isinf(length))
        length = length > 0 ? kTitleLengthMaximum : kTitleLengthMinimum;
    else if (!std::isfinite(length))
        length = 0.0;
    m_working.player.titleMinimumLength = std::min(std::max(length, kTitleLengthMinimum), kTitleLengthMaximum);
    corrections.prepend(correction(tr("Short titles to ignore:"), m_titleLength->text(),
                                   !parsed || length != m_working.player.titleMinimumLength,
                                   QString::number(m_working.player.titleMinimumLength, 'g', 6),
                                   titleLengthBounds()));
    m_working.player.testFrames = m_working.encoder.testFrames;
    m_working.player.testChapter = m_working.encoder.testChapter;
    m_working.player.testPosition = m_working.encoder.testPosition;
    *m_preferences = m_working;
    corrections.removeAll(QString());
    // A value is kept within its bounds rather than refused, but never silently.
    if (!corrections.isEmpty()) {
        InfoBoxDialog box(this);
        box.setText(tr("Values outside their bounds were brought back into them:"));
        box.setInformativeText(corrections.join(QLatin1Char('\n')));
        box.exec();
    }
    QDialog::accept();
}

void PreferencesDialog::resetPreferences()
{
    m_working.reset();
    loadControls();
}

void PreferencesDialog::resetTimingPreferences()
{
    const EncoderPreferences encoder;
    const PlayerPreferences player;
    m_working.encoder.latencyStart = encoder.latencyStart;
    m_working.encoder.latencyFinished = encoder.latencyFinished;
    m_working.encoder.latencyKill = encoder.latencyKill;
    m_working.player.latencyStart = player.latencyStart;
    m_working.player.latencyFinished = player.latencyFinished;
    m_working.player.latencyKill = player.latencyKill;
    m_working.player.pollTicks = player.pollTicks;
    loadControls();
}
