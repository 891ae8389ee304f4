#include "window/CBrevitView.h"

#include <QMouseEvent>
#include <QPainter>

#include "CommandIds.h"
#include "display/ViewRendering.h"
#include "spectrum/LiveView.h"

namespace halden {

CBrevitView::CBrevitView(SpectrumStore& store, const PaintFigures& figures, QWidget* parent)
    : QWidget(parent), m_store(store), m_figures(figures)
{
    setObjectName(QStringLiteral("brevitView"));
    // The picture covers every pixel: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setMinimumSize(200, 150);
}

QImage CBrevitView::renderImage(QSize size, qreal scale)
{
    const QSize pixels(qRound(size.width() * scale), qRound(size.height() * scale));
    if (m_image.size() != pixels || m_image.format() != QImage::Format_RGB32)
        m_image = QImage(pixels, QImage::Format_RGB32);
    m_image.setDevicePixelRatio(scale);
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, scale > 1.0);
    const ViewLayout layout = renderView(painter, size, m_store, m_figures, m_interaction);
    painter.end();
    m_frame = plotFrameOf(layout.chart);
    return m_image;
}

QImage CBrevitView::renderForFile()
{
    ViewOptions options;
    options.legend = true;
    return renderViewImage(size(), m_store, m_figures, ViewInteraction{}, options);
}

PlotFrame CBrevitView::frame() const
{
    // Before the first picture of this size: the frame the store's margins give.
    if (m_frame.clientWidth != width() || m_frame.clientHeight != height()) return plotFrameOf(m_store);
    return m_frame;
}

void CBrevitView::resizeEvent(QResizeEvent*)
{
    updateClientSize(m_store, width(), height());
    emit storeChanged();
}

void CBrevitView::paintEvent(QPaintEvent*)
{
    renderImage(size(), devicePixelRatioF());
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
    ++m_paints;
    emit painted();
}

void CBrevitView::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        beginZoom(frame(), m_interaction, p.x(), p.y());
        update();
    } else if (event->button() == Qt::RightButton) {
        markerPress(frame(), m_interaction, p.x(), p.y());
    }
}

void CBrevitView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (moveZoom(frame(), m_interaction, p.x(), p.y())) update();
}

void CBrevitView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    bool changed = false;
    if (event->button() == Qt::LeftButton) {
        changed = releaseZoom(m_store, frame(), m_interaction, p.x(), p.y());
        update();
    } else if (event->button() == Qt::RightButton) {
        changed = markerRelease(m_store, frame(), m_interaction, p.x(), p.y());
        if (changed) update();
    }
    if (changed) emit storeChanged();
}

void CBrevitView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    m_interaction.zoomDragging = false;
    emit commandRequested(doubleClickTarget(frame(), p.x(), p.y()) == DoubleClickTarget::XYScaleDialog
                              ? ids::kSetScale
                              : ids::kYAutoscale);
}

}  // namespace halden

#include "moc_CBrevitView.cpp"
