#include "encoding/mediainfodatadialog.h"

#include "encoding/viewtext.h"
#include "engines/mediainfodata.h"

#include <QDialogButtonBox>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr int ReportWidthChars = 95;
}

MediaInfoDataDialog::MediaInfoDataDialog(MediaInfoData *data, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Media informations"));
    auto *layout = new QVBoxLayout(this);
    m_view = new QTextEdit(this);
    m_view->setReadOnly(true);
    // Pre-formatted, so that lines and columns stay as printed; the report holds file names
    // and tags, so it is escaped.
    m_view->setHtml(QStringLiteral("<pre>") + ViewText::escaped(data ? data->rawText : QString())
                    + QStringLiteral("</pre>"));
    layout->addWidget(m_view);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Horizontal, this);
    m_buttons->setCenterButtons(true);
    m_buttons->setFocusPolicy(Qt::StrongFocus);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    setMinimumWidth(ReportWidthChars * m_view->fontMetrics().averageCharWidth());
    setAttribute(Qt::WA_AlwaysShowToolTips);
    m_buttons->setFocus();
}
