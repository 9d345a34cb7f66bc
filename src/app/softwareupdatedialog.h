#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;
class SoftwareUpdate;

// "Check for update": asks the update service through its SoftwareUpdate and shows the
// answer (or the error), download buttons for the releases the answer names, the answer's
// extra text, and a button to the download page. Only http and https links are opened.
class SoftwareUpdateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SoftwareUpdateDialog(QWidget *parent = nullptr);
    ~SoftwareUpdateDialog() override;

    virtual void checkUpdate();

    SoftwareUpdate *checker() const { return m_checker; }
    QPushButton *openButton() const { return m_openButton; }
    QPushButton *mervoButton() const { return m_mervoButton; }

protected slots:
    void checkUpdateDone();
    void checkUpdateFailed(const QString &reason);
    void downloadHome();
    void downloadOpen();
    void downloadMervo();

private:
    QString m_response;
    QString m_whatYouGet;
    QString m_openUrl;
    QString m_mervoUrl;
    SoftwareUpdate *m_checker = nullptr;
    QLabel *m_message = nullptr;
    QGroupBox *m_extraGroup = nullptr;
    QLabel *m_extraText = nullptr;
    QPushButton *m_openButton = nullptr;
    QPushButton *m_mervoButton = nullptr;
    QPushButton *m_homeButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};
