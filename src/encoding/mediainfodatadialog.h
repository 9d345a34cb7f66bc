#pragma once

#include <QDialog>

class MediaInfoData;
class QDialogButtonBox;
class QTextEdit;

// The modal "Media informations" dialog: MediaInfo's whole report of a movie as it printed it.
class MediaInfoDataDialog : public QDialog
{
    Q_OBJECT

public:
    MediaInfoDataDialog(MediaInfoData *data, QWidget *parent);

    QTextEdit *reportView() const { return m_view; }

private:
    // Opens at the size of the report, within the screen.
    void openReadable(const QWidget *parent);

    QTextEdit *m_view;
    QDialogButtonBox *m_buttons;
};
