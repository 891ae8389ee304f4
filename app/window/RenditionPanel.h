// The "Colour rendition (TM-30)" panel: the colour vector graphic and the
// 16 local chroma shift bars of the shown spectrum, with Rf, Rg, CCT and Duv
// above them, or the reason there are no figures. It only shows what it is
// given; the window computes the figures after an acquisition.
#pragma once

#include <QWidget>

#include "colour/ColourRendition.h"

class QLabel;

namespace halden {

class RenditionPanel : public QWidget {
    Q_OBJECT
public:
    explicit RenditionPanel(QWidget* parent = nullptr);

    void setRendition(const ColourRendition& rendition);
    const ColourRendition& rendition() const { return m_rendition; }
    // The line above the drawing: the figures, or the refusal.
    QString text() const;
    // How often figures were given (tests: the panel follows acquisitions).
    int updates() const { return m_updates; }

    QSize sizeHint() const override { return {520, 340}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColourRendition m_rendition;
    QLabel* m_label = nullptr;
    int m_updates = 0;
};

// The figures line: "Rf 96  Rg 101  CCT 2857 K  Duv 0.0003", or the refusal
// "No colour rendition figures: <reason>".
QString renditionSummary(const ColourRendition& r);

}  // namespace halden
