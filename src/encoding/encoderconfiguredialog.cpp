#include "encoding/encoderconfiguredialog.h"

#include "encoder/configurator.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSpacerItem>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int ConfigureWidthChars = 90;
}

EncoderConfigureDialog::EncoderConfigureDialog(Configurator *configurator, QWidget *parent)
    : QDialog(parent), m_configurator(configurator)
{
    m_tabs = new QTabWidget(this);
    m_tabs->setMovable(false);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                     Qt::Horizontal, this);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_tabs);
    m_layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    m_tabs->setCurrentIndex(0);
    setMinimumWidth(ConfigureWidthChars * m_buttons->fontMetrics().averageCharWidth());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_AlwaysShowToolTips);
}

void EncoderConfigureDialog::buildProfilesTab(ProfileGroup &group)
{
    m_group = &group;
    setWindowTitle(group.title);
    auto *page = new QWidget(m_tabs);
    auto *pageLayout = new QVBoxLayout(page);
    m_tabs->addTab(page, group.label);

    auto *selectedBox = new QGroupBox(tr("Selected profile"), page);
    auto *selectedLayout = new QHBoxLayout(selectedBox);
    m_selectedLabel = new QLabel(selectedBox);
    selectedLayout->addWidget(m_selectedLabel);
    m_profilesBox = new QGroupBox(tr("Profiles"), page);
    m_profilesLayout = new QVBoxLayout(m_profilesBox);

    for (const ProfileChoice &choice : group.choices) {
        auto *button = new QRadioButton(choice.title, m_profilesBox);
        button->setChecked(false);
        if (choice.level == group.selectedLevel) {
            button->setChecked(true);
            m_selectedLabel->setText(choice.summary);
        }
        m_levels.insert(button, choice.level);
        connect(button, &QRadioButton::clicked, this, &EncoderConfigureDialog::selectProfile);
        m_profilesLayout->addWidget(button);
    }
    pageLayout->addWidget(selectedBox);
    pageLayout->addWidget(m_profilesBox);
    pageLayout->addItem(new QSpacerItem(20, 1, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_tabs->setCurrentIndex(0);
}

void EncoderConfigureDialog::selectProfile(bool checked)
{
    auto *button = qobject_cast<QAbstractButton *>(sender());
    if (!checked || !button || !m_levels.contains(button) || !m_group)
        return;
    const int level = m_levels.value(button);
    for (const ProfileChoice &choice : std::as_const(m_group->choices)) {
        if (choice.level == level) {
            m_selectedLabel->setText(choice.summary);
            m_group->selectedLevel = level;
            return;
        }
    }
}
