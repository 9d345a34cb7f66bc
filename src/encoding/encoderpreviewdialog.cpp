#include "encoding/encoderpreviewdialog.h"

#include "encoding/encodinglogging.h"
#include "encoding/finalizerules.h"
#include "encoding/jobmanagerwidget.h"
#include "encoding/mediainfodatadialog.h"
#include "player/playerdialog.h"
#include "player/playersetup.h"
#include "jobs/infoboxdialog.h"
#include "jobs/producttitle.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int PreviewWidthChars = 100;
constexpr int RowStretch = 4;
} // namespace


EncoderPreviewDialog::EncoderPreviewDialog(const QString &title, JobManagerWidget *view,
                                           PlayerSetup *setup, QWidget *parent)
    : QDialog(parent), m_view(view), m_setup(setup), m_parent(parent)
{
    setWindowTitle(title.isEmpty() ? tr("Encoding preview") : title);
    m_deleteBox = new QCheckBox(this);
    m_deleteBox->setToolTip(tr("Delete output preview file when finished"));
    m_stopButton = new QPushButton(this);
    m_previewButton = new QPushButton(tr("Preview"), this);
    m_previewButton->setToolTip(tr("Play preview"));
    m_infoButton = new QPushButton(tr("Informations"), this);
    m_infoButton->setToolTip(tr("Show preview media informations"));

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(m_deleteBox);
    top->addStretch(RowStretch);
    layout->addLayout(top);
    if (m_view)
        layout->addWidget(m_view);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(RowStretch);
    bottom->addWidget(m_previewButton);
    bottom->addWidget(m_infoButton);
    bottom->addWidget(m_stopButton);
    layout->addLayout(bottom);

    connect(m_stopButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_previewButton, &QPushButton::clicked, this, &EncoderPreviewDialog::playPreview);
    connect(m_infoButton, &QPushButton::clicked, this, &EncoderPreviewDialog::showPreviewInfo);

    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(PreviewWidthChars * fontMetrics().averageCharWidth());
    // Nothing runs yet: closing the new window aborts nothing, and there is nothing to play.
    setFinishedMode();
    m_previewButton->setEnabled(false);
    m_infoButton->setEnabled(false);
    centerOnParent();
}

void EncoderPreviewDialog::setRunningMode()
{
    m_stopButton->setText(tr("Stop encoding preview"));
    m_stopButton->setToolTip(tr("Abort current encoding process"));
    m_running = true;
    m_previewButton->setEnabled(false);
    m_infoButton->setEnabled(false);
}

void EncoderPreviewDialog::setFinishedMode()
{
    m_stopButton->setText(tr("Close"));
    m_stopButton->setToolTip(tr("Close encoding preview window"));
    m_running = false;
    m_previewButton->setEnabled(true);
    m_infoButton->setEnabled(true);
}

void EncoderPreviewDialog::setOutputFile(const QString &path)
{
    m_outputFile = QDir::toNativeSeparators(path);
}

void EncoderPreviewDialog::setConsoleButton(bool show)
{
    m_consoleButtonHidden = !show;
    if (m_view)
        m_view->setConsoleButton(!show); // the view takes "hidden"
}

void EncoderPreviewDialog::centerOnParent()
{
    if (!m_parent)
        return;
    const QRect frame = m_parent->frameGeometry();
    move(frame.x() + (frame.width() - width()) / 2, frame.y() + (frame.height() - height()) / 2);
}

void EncoderPreviewDialog::playPreview()
{
    PlayerDialog player(tr("%1 - Preview").arg(productTitle()), m_setup ? *m_setup : PlayerSetup());
    player.loadMedia(m_outputFile);
    player.exec();
}

void EncoderPreviewDialog::showPreviewInfo()
{
    // MediaInfo's analysis alone, which is all the box shows: a hidden player's whole load
    // (FFprobe, an MPlayer pass) would wait for two more engines, and call a preview it
    // could not load in time no media file.
    MediaInfoData data = FinalizeRules::analyze(m_setup ? *m_setup : PlayerSetup(),
                                                QDir::fromNativeSeparators(m_outputFile));
    MediaInfoDataDialog dialog(&data, this);
    dialog.exec();
}

void EncoderPreviewDialog::killJobs()
{
    if (m_view && m_view->jobManager())
        m_view->jobManager()->killAll();
}

void EncoderPreviewDialog::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        emit abortedByUser();
        killJobs();
        InfoBoxDialog box(this);
        box.narrow = true;
        box.setIcon(QMessageBox::Information);
        box.setText(tr("Encoding preview has been aborted."));
        box.exec();
    }
    const QString path = QDir::fromNativeSeparators(m_outputFile);
    if (m_deleteBox->isChecked() && !path.isEmpty() && QFileInfo::exists(path))
        QFile::remove(path);
    event->accept();
}

// Escape rejects a dialog, which would only hide it: it takes the close road, which aborts
// a running preview as the stop button and the close box do.
void EncoderPreviewDialog::reject()
{
    close();
}

void EncoderPreviewDialog::showEvent(QShowEvent *event)
{
    m_deleteBox->setText(tr("Output: %1").arg(m_outputFile));
    m_deleteBox->setChecked(true);
    adjustSize();
    event->accept();
}
