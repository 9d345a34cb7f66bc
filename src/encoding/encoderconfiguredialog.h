#pragma once

#include <QDialog>
#include <QHash>

class Configurator;
class QAbstractButton;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QTabWidget;
class QVBoxLayout;
struct ProfileGroup;

// The modal choice among the profiles the configurator offers for the panel's container and
// codecs: one radio button per level. It only marks the chosen level in the configurator's
// group; copying the profile into the job is the caller's work after acceptance.
class EncoderConfigureDialog : public QDialog
{
    Q_OBJECT

public:
    EncoderConfigureDialog(Configurator *configurator, QWidget *parent);

    void buildProfilesTab(ProfileGroup &group);

    QTabWidget *tabs() const { return m_tabs; }
    QLabel *selectedLabel() const { return m_selectedLabel; }
    QList<QAbstractButton *> profileButtons() const { return m_levels.keys(); }
    int levelOf(QAbstractButton *button) const { return m_levels.value(button, -1); }

public slots:
    void selectProfile(bool checked);

protected:
    QTabWidget *m_tabs;
    QDialogButtonBox *m_buttons;
    QVBoxLayout *m_layout;
    QLabel *m_selectedLabel = nullptr;
    QGroupBox *m_profilesBox = nullptr;
    QVBoxLayout *m_profilesLayout = nullptr;
    QHash<QAbstractButton *, int> m_levels;
    Configurator *m_configurator;
    ProfileGroup *m_group = nullptr;
};
