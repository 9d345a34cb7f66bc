#pragma once

#include <QDialog>
#include <QList>

struct PlayerCapabilities;
class QDialogButtonBox;
class QListWidgetItem;
class QTabWidget;

// The player back-end's video and audio output drivers.
class PlayerCapabilityDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PlayerCapabilityDialog(PlayerCapabilities *capabilities, QWidget *parent = nullptr);

private:
    QList<QListWidgetItem *> m_videoItems;
    QList<QListWidgetItem *> m_audioItems;
    QTabWidget *m_tabs = nullptr;
    QWidget *m_videoPage = nullptr;
    QWidget *m_audioPage = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
