// The chart widget: each paint renders the whole picture from the store and
// the figures (both brought up to date before, never by the paint) at the
// screen's device pixel ratio into an off-screen image and shows it in one
// copy. Mouse events go through the display module's interaction rules; a
// double-click asks the frame for a command.
#pragma once

#include <QImage>
#include <QWidget>

#include "colour/PaintFigures.h"
#include "display/ViewInteraction.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

class CBrevitView : public QWidget {
    Q_OBJECT
public:
    // figures: the overlays' figures, kept up to date by the session.
    CBrevitView(SpectrumStore& store, const PaintFigures& figures, QWidget* parent = nullptr);

    // Renders the picture at size (logical pixels) and scale (device pixel
    // ratio), as the next paint would show it.
    QImage renderImage(QSize size, qreal scale);
    // The picture at the widget's own size, 1:1, with the legend of the
    // curves: for the screen image file and printing.
    QImage renderForFile();

    // The plot frame of the picture on screen, which the mouse acts on.
    PlotFrame frame() const;

    const PaintFigures& lastFigures() const { return m_figures; }
    int paintCount() const { return m_paints; }

signals:
    // A double-click asks for a command (y autoscale or the scale dialog).
    void commandRequested(int id);
    // The store changed through the mouse (zoom, marker) or a new size.
    void storeChanged();
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    SpectrumStore& m_store;
    ViewInteraction m_interaction;
    const PaintFigures& m_figures;
    QImage m_image;
    PlotFrame m_frame;  // of the last picture shown
    int m_paints = 0;
};

}  // namespace halden
