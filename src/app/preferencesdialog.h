#pragma once

#include "jobs/preferences.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QGridLayout;
class QLineEdit;
class QTabWidget;
class QVBoxLayout;

// Edits the main window's Preferences: test-mode values, validation limits, the forced
// output name, the DVD short-title filter and the latencies. The "Default" buttons and the
// controls edit a working copy; only OK writes it (bounded) into the caller's record, so
// Cancel leaves the record as it was.
class PreferencesDialog : public QDialog
{
    Q_OBJECT

public:
    PreferencesDialog(Preferences *preferences, QWidget *parent = nullptr);

public slots:
    void accept() override;

private slots:
    void resetPreferences();
    void resetTimingPreferences();

private:
    // One bounded line edit: the control, where the value goes and its bounds.
    struct IntegerRow
    {
        QLineEdit *edit;
        int *field;
        int minimum;
        int maximum;
        QString label;
    };

    // One row of the tables of integer fields (texts untranslated).
    struct IntegerRowSpec
    {
        const char *group;
        const char *label;
        const char *labelTip;
        const char *editTip;
        const char *name;
        int &(*field)(Preferences &);
        int minimum;
        int maximum;
    };
    static const IntegerRowSpec kGeneralRows[];
    static const IntegerRowSpec kTimingRows[];

    void loadControls();
    QWidget *buildGeneralPage();
    QWidget *buildTimingPage();
    QLineEdit *addRow(QGridLayout *grid, int row, const QString &label, const QString &labelTip,
                      const QString &editTip, const char *name);
    // Adds the rows in their groups (a new group where the group title changes).
    void addIntegerRows(QVBoxLayout *page, const IntegerRowSpec *rows, int count);
    static void addResetRow(QVBoxLayout *page, QWidget *button);
    // The line that tells of a value OK brought back into its bounds; empty when the value
    // was taken as typed.
    static QString correction(const QString &label, const QString &typed, bool changed,
                              const QString &stored, const QString &bounds);
    static QString integerBounds(int minimum, int maximum);

    Preferences *m_preferences;
    Preferences m_working;
    QTabWidget *m_tabs = nullptr;
    QWidget *m_generalPage = nullptr;
    QWidget *m_timingPage = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QCheckBox *m_shortTitles = nullptr;
    QLineEdit *m_titleLength = nullptr;
    QLineEdit *m_fileName = nullptr;
    QCheckBox *m_forceName = nullptr;
    QList<IntegerRow> m_integerRows;
    QDialogButtonBox *m_buttons = nullptr;
};
