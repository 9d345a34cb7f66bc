#include "encoding/mervoencoderconfiguredialog.h"

#include "encoder/mervoconfigurator.h"
#include "encoding/numberedit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpacerItem>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int FieldChars = 8;
constexpr int UserTab = 1;

QLabel *fixedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    return label;
}

QLineEdit *sizeField(QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setFixedWidth(FieldChars * field->fontMetrics().averageCharWidth());
    field->setAlignment(Qt::AlignCenter);
    return field;
}
} // namespace

MervoEncoderConfigureDialog::MervoEncoderConfigureDialog(MervoConfigurator *configurator,
                                                         QWidget *parent)
    : EncoderConfigureDialog(configurator, parent), m_mervoConfigurator(configurator)
{
}

void MervoEncoderConfigureDialog::buildUserProfileTabs(ProfileGroup &group, OptionNode &tree)
{
    buildProfilesTab(group);
    m_profilesLayout->addItem(new QSpacerItem(20, 10, QSizePolicy::Minimum, QSizePolicy::Expanding));
    const QString userTitle = tree.children.empty() ? QString() : tree.children.front()->title;
    m_userButton = new QRadioButton(userTitle, m_profilesBox);
    m_userButton->setChecked(group.selectedLevel == 4);
    m_levels.insert(m_userButton, 4);
    connect(m_userButton, &QRadioButton::clicked, this,
            &MervoEncoderConfigureDialog::selectUserSelection);
    m_profilesLayout->addWidget(m_userButton);
    setWindowTitle(tree.title);

    for (auto &child : tree.children)
        addPage(*child);
    connect(m_tabs, &QTabWidget::currentChanged, this,
            &MervoEncoderConfigureDialog::onChangeTabWidget);
    if (m_userButton->isChecked()) {
        m_selectedLabel->setText(tr("User profile: audio and video are configured in user settings"));
        m_tabs->setCurrentIndex(UserTab);
    } else {
        m_tabs->setCurrentIndex(0);
    }
}

void MervoEncoderConfigureDialog::addPage(OptionNode &group)
{
    auto *page = new QWidget(m_tabs);
    auto *pageLayout = new QVBoxLayout(page);
    m_tabs->addTab(page, group.title);
    for (auto &option : group.children) {
        auto *box = new QGroupBox(option->title, page);
        auto *boxLayout = new QVBoxLayout(box);
        for (auto &item : option->items) {
            if (item->kind == OptionItem::Choice)
                addChoiceRow(boxLayout, item.get());
            else if (item->kind == OptionItem::Range)
                addRangeRow(boxLayout, item.get());
        }
        pageLayout->addWidget(box);
    }
    pageLayout->addItem(new QSpacerItem(20, 20, QSizePolicy::Minimum, QSizePolicy::Expanding));
    auto *row = new QHBoxLayout;
    row->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    auto *button = new QPushButton(tr("Default"), page);
    button->setToolTip(tr("Reset %1 to default").arg(group.title.toLower()));
    connect(button, &QPushButton::clicked, this, &MervoEncoderConfigureDialog::loadDefault);
    row->addWidget(button);
    m_defaultButtons.append(button);
    pageLayout->addLayout(row);
}

void MervoEncoderConfigureDialog::addChoiceRow(QVBoxLayout *layout, OptionItem *item)
{
    QWidget *parent = layout->parentWidget();
    const OptionItem::ChoicePart &part = item->choice;
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(part.label, parent));
    auto *combo = new QComboBox(parent);
    for (const QVariant &value : part.choices)
        combo->addItem(m_mervoConfigurator->valueText(*item, value), value);
    combo->setCurrentIndex(qMax(0, combo->findData(part.initialValue)));
    row->addWidget(combo);
    QLineEdit *width = nullptr;
    QLineEdit *height = nullptr;
    if (!part.leadText.isEmpty())
        row->addWidget(new QLabel(part.leadText, parent));
    if (part.firstEntry)
        row->addWidget(width = sizeField(parent));
    if (!part.middleText.isEmpty())
        row->addWidget(new QLabel(part.middleText, parent));
    if (part.secondEntry)
        row->addWidget(height = sizeField(parent));
    if (!part.trailingText.isEmpty())
        row->addWidget(new QLabel(part.trailingText, parent));
    if (part.stretch)
        row->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    layout->addLayout(row);
    m_choiceItems.insert(combo, item);
    if (part.valueType == OptionItem::SizeValue && width && height) {
        m_sizeFields.insert(combo, {width, height});
        connect(combo, &QComboBox::currentIndexChanged, this,
                &MervoEncoderConfigureDialog::selectSizeList);
        const QSize size = combo->currentData().toSize();
        width->setText(QString::number(size.width()));
        height->setText(QString::number(size.height()));
    }
}

void MervoEncoderConfigureDialog::addRangeRow(QVBoxLayout *layout, OptionItem *item)
{
    QWidget *parent = layout->parentWidget();
    const OptionItem::RangePart &part = item->range;
    auto *row = new QHBoxLayout;
    row->addWidget(fixedLabel(part.label, parent));
    auto *slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(part.minimum, part.maximum);
    slider->setValue(part.initialValue.toInt());
    slider->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::Fixed);
    auto *edit = new NumberEdit(slider->value(), parent);
    edit->setFixedWidth(FieldChars * edit->fontMetrics().averageCharWidth());
    edit->setAlignment(Qt::AlignCenter);
    connect(slider, &QSlider::valueChanged, edit, &NumberEdit::setValue);
    connect(edit, &NumberEdit::valueChanged, slider, &QSlider::setValue);
    row->addWidget(slider);
    row->addWidget(edit);
    row->addWidget(fixedLabel(part.unit, parent));
    layout->addLayout(row);
    m_sliderItems.insert(slider, item);
}

void MervoEncoderConfigureDialog::selectSizeList(int index)
{
    auto *combo = qobject_cast<QComboBox *>(sender());
    if (!combo || !m_sizeFields.contains(combo))
        return;
    const QSize size = combo->itemData(index).toSize();
    const auto fields = m_sizeFields.value(combo);
    fields.first->setText(QString::number(size.width()));
    fields.second->setText(QString::number(size.height()));
}

void MervoEncoderConfigureDialog::showUserProfile()
{
    m_selectedLabel->setText(tr("User profile: audio and video are configured in user settings"));
    if (m_group)
        m_group->selectedLevel = 4;
}

void MervoEncoderConfigureDialog::selectUserSelection(bool checked)
{
    if (!checked)
        return;
    showUserProfile();
    m_tabs->setCurrentIndex(UserTab);
}

void MervoEncoderConfigureDialog::onChangeTabWidget(int index)
{
    if (index != UserTab || !m_userButton)
        return;
    m_userButton->setChecked(true);
    showUserProfile();
}

void MervoEncoderConfigureDialog::storeChoices()
{
    for (auto it = m_choiceItems.cbegin(); it != m_choiceItems.cend(); ++it) {
        QComboBox *combo = it.key();
        if (m_sizeFields.contains(combo)) {
            const auto fields = m_sizeFields.value(combo);
            // A field that holds no number stores 0 for its side.
            it.value()->choice.selectedValue =
                QSize(fields.first->text().toInt(), fields.second->text().toInt());
        } else {
            it.value()->choice.selectedValue = combo->currentData();
        }
    }
}

void MervoEncoderConfigureDialog::accept()
{
    storeChoices();
    for (auto it = m_sliderItems.cbegin(); it != m_sliderItems.cend(); ++it) {
        OptionItem::RangePart &part = it.value()->range;
        part.selectedValue = part.valueType == OptionItem::DoubleValue
            ? QVariant(double(it.key()->value()))
            : QVariant(it.key()->value());
    }
    QDialog::accept();
}

void MervoEncoderConfigureDialog::loadDefault()
{
    storeChoices();
    for (auto it = m_choiceItems.cbegin(); it != m_choiceItems.cend(); ++it) {
        QComboBox *combo = it.key();
        const QVariant value = it.value()->choice.defaultValue;
        int index = combo->findData(value);
        if (index < 0) {
            combo->addItem(m_mervoConfigurator->valueText(*it.value(), value), value);
            index = combo->count() - 1;
        }
        combo->setCurrentIndex(index);
    }
    for (auto it = m_sliderItems.cbegin(); it != m_sliderItems.cend(); ++it)
        it.key()->setValue(int(it.value()->range.defaultValue.toDouble()));
}
