#pragma once

#include <QDialog>

#include <functional>

struct InterfaceStatus;
class QDialogButtonBox;
class QGridLayout;

// What one status dialog shows: a copy of an engine's or utility's last status run as its
// signature, version and one of three state indicators. The three status dialogs differ
// only in their texts (and the player's OpenGL row); they build themselves through here.
class StatusDialog : public QDialog
{
    Q_OBJECT

public:
    // The texts of one kind of status dialog, already translated.
    struct Texts
    {
        QString firstRowLabel;
        QString stateGroupTitle;
        QString notDefinedTip;
        QString notReadyTip;
        QString readyTip;
    };

protected:
    explicit StatusDialog(QWidget *parent);
    // Builds the whole dialog; `extraRows` adds rows below signature and version.
    void build(const InterfaceStatus &status, const Texts &texts,
               const std::function<void(QGridLayout *)> &extraRows = {});
    static void addField(QGridLayout *grid, int row, const QString &label, const QString &text);

private:
    QDialogButtonBox *m_buttons = nullptr;
};
