#pragma once

#include <QDialog>
#include <QString>


class JobManagerWidget;
class QCheckBox;
class QPushButton;
struct PlayerSetup;

// The window in which a preview encoding runs (only stopping it is possible, and closing
// stops it) and is then played or analysed. It shows the encoder panel's job view and lives
// as long as the panel, which switches its modes.
class EncoderPreviewDialog : public QDialog
{
    Q_OBJECT

public:
    EncoderPreviewDialog(const QString &title, JobManagerWidget *view, PlayerSetup *setup,
                         QWidget *parent);

    void setRunningMode();
    void setFinishedMode();
    void setOutputFile(const QString &path);
    QString outputFile() const { return m_outputFile; }
    void setConsoleButton(bool show);
    void centerOnParent();
    bool isRunning() const { return m_running; }

    QCheckBox *deleteBox() const { return m_deleteBox; }
    QPushButton *stopButton() const { return m_stopButton; }
    QPushButton *previewButton() const { return m_previewButton; }
    QPushButton *infoButton() const { return m_infoButton; }

signals:
    void abortedByUser();

public slots:
    void playPreview();
    void reject() override;
    void showPreviewInfo();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Stops every process of the view's job manager.
    virtual void killJobs();

    JobManagerWidget *m_view;

private:
    PlayerSetup *m_setup;
    QString m_outputFile;
    QCheckBox *m_deleteBox;
    QPushButton *m_stopButton;
    QPushButton *m_previewButton;
    QPushButton *m_infoButton;
    QWidget *m_parent;
    bool m_running = false;
    bool m_consoleButtonHidden = false;
};
