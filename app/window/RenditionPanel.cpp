#include "window/RenditionPanel.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

#include "colour/CFormat.h"
#include "display/ChromaShiftBars.h"
#include "display/ColourVectorGraphic.h"

namespace halden {

QString renditionSummary(const ColourRendition& r)
{
    if (!r.ok) return QStringLiteral("No colour rendition figures: ") + QString::fromStdString(r.error);
    return QString::fromStdString(cformat("Rf %.0f", r.Rf) + cformat("   Rg %.0f", r.Rg) +
                                  cformat("   CCT %.0f K", r.cct) + cformat("   Duv %.4f", r.duv));
}

RenditionPanel::RenditionPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("renditionPanel"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("renditionFigures"));
    m_label->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addStretch(1);
    m_rendition.error = "no spectrum yet";
    m_label->setText(renditionSummary(m_rendition));
}

void RenditionPanel::setRendition(const ColourRendition& rendition)
{
    m_rendition = rendition;
    ++m_updates;
    m_label->setText(renditionSummary(m_rendition));
    update();
}

QString RenditionPanel::text() const
{
    return m_label->text();
}

void RenditionPanel::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!m_rendition.ok) return;
    QPainter p(this);
    const QRect area = rect().adjusted(4, m_label->geometry().bottom() + 4, -4, -4);
    if (area.width() < 40 || area.height() < 40) return;
    // The graphic as a square on the left (or on top when the panel is
    // narrow), the bars in what is left.
    const bool sideBySide = area.width() >= area.height();
    const int side = sideBySide ? std::min(area.height(), area.width() * 3 / 5)
                                : std::min(area.width(), area.height() * 3 / 5);
    p.save();
    p.translate(area.topLeft());
    drawColourVectorGraphic(p, side, m_rendition);
    p.restore();
    const QRectF bars = sideBySide ? QRectF(area.left() + side + 8, area.top(), area.width() - side - 8, side)
                                   : QRectF(area.left(), area.top() + side + 8, area.width(), area.height() - side - 8);
    drawChromaShiftBars(p, bars, m_rendition);
}

}  // namespace halden

#include "moc_RenditionPanel.cpp"
