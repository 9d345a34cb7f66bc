#pragma once

#include "encoding/encoderconfiguredialog.h"

#include <QHash>

class MervoConfigurator;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
struct OptionItem;
struct OptionNode;

// The configure dialog of the extended panel: besides the profiles, one tab per group of the
// user's own settings (level 4), built from the configurator's option tree. It writes the
// values back into the option items only; the configurator applies them.
class MervoEncoderConfigureDialog : public EncoderConfigureDialog
{
    Q_OBJECT

public:
    MervoEncoderConfigureDialog(MervoConfigurator *configurator, QWidget *parent);

    void buildUserProfileTabs(ProfileGroup &group, OptionNode &tree);

    QRadioButton *userButton() const { return m_userButton; }
    QList<QPushButton *> defaultButtons() const { return m_defaultButtons; }
    QList<QComboBox *> choiceCombos() const { return m_choiceItems.keys(); }
    QList<QSlider *> sliders() const { return m_sliderItems.keys(); }
    OptionItem *itemOf(QComboBox *combo) const { return m_choiceItems.value(combo); }
    QPair<QLineEdit *, QLineEdit *> sizeFields(QComboBox *combo) const
    {
        return m_sizeFields.value(combo);
    }

public slots:
    void accept() override;
    void selectSizeList(int index);
    void selectUserSelection(bool checked);
    void loadDefault();
    void onChangeTabWidget(int index);

private:
    void addChoiceRow(QVBoxLayout *layout, OptionItem *item);
    void addRangeRow(QVBoxLayout *layout, OptionItem *item);
    void addPage(OptionNode &group);
    void showUserProfile();
    void storeChoices();

    QRadioButton *m_userButton = nullptr;
    QHash<QComboBox *, QPair<QLineEdit *, QLineEdit *>> m_sizeFields;
    QHash<QComboBox *, OptionItem *> m_choiceItems;
    QHash<QSlider *, OptionItem *> m_sliderItems;
    QList<QPushButton *> m_defaultButtons;
    MervoConfigurator *m_mervoConfigurator;
};
