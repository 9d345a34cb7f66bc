#include "encoding/mediainfodatadialog.h"

#include "encoding/viewtext.h"
#include "encoding/windowplacement.h"
#include "engines/mediainfodata.h"

#include <QDialogButtonBox>
#include <QStyle>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>

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
    openReadable(parent);
}

void MediaInfoDataDialog::openReadable(const QWidget *parent)
{
    // The report's lines whole and as many of them as the screen allows: the pre-formatted
    // block never wraps, so its document is as wide as its longest line.
    m_view->setLineWrapMode(QTextEdit::NoWrap);
    const QSizeF report = m_view->document()->size();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view);
    const int frame = 2 * m_view->frameWidth();
    const QMargins margins = layout()->contentsMargins();
    const int chromeWidth = frame + scrollBar + margins.left() + margins.right();
    const int chromeHeight = frame + margins.top() + margins.bottom() + layout()->spacing()
        + m_buttons->sizeHint().height();
    const QRect area = WindowPlacement::availableArea(parent ? parent : this);
    // Some room is left for the window manager's frame and the screen's edges.
    const int width = std::min(int(std::ceil(report.width())) + chromeWidth, area.width() * 9 / 10);
    const int height = std::min(int(std::ceil(report.height())) + chromeHeight, area.height() * 4 / 5);
    resize(std::max(width, minimumWidth()), height);
}
