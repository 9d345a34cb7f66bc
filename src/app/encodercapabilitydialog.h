#pragma once

#include <QDialog>
#include <QList>

struct EngineCapabilities;
class QDialogButtonBox;
class QListWidgetItem;
class QTabWidget;

// What an encoding engine reported it can do: its video, audio and subtitle codecs and file
// formats, each with the names it reaches through a library of its own (MEncoder's
// libavcodec and libavformat) grouped per library. Reads the maps only while it is built.
class EncoderCapabilityDialog : public QDialog
{
    Q_OBJECT

public:
    EncoderCapabilityDialog(const QString &engineName, EngineCapabilities *capabilities,
                            QWidget *parent = nullptr);

private:
    QList<QListWidgetItem *> m_videoItems;
    QList<QListWidgetItem *> m_audioItems;
    QList<QListWidgetItem *> m_subtitleItems;
    QList<QListWidgetItem *> m_formatItems;
    QTabWidget *m_tabs = nullptr;
    QWidget *m_videoPage = nullptr;
    QWidget *m_audioPage = nullptr;
    QWidget *m_subtitlePage = nullptr;
    QWidget *m_formatPage = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
