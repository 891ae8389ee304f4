// The "Light" panel: the light figures of the shown spectrum in five groups
// (Colour, Rendition, Circadian, LED, Plants) as selectable text, with a
// button that copies it all to the clipboard. It only shows what it is
// given; the window computes the figures after an acquisition.
#pragma once

#include <QWidget>

#include "colour/LightFigures.h"

class QPlainTextEdit;
class QPushButton;

namespace halden {

class LightPanel : public QWidget {
    Q_OBJECT
public:
    explicit LightPanel(QWidget* parent = nullptr);

    void setFigures(const LightFigures& figures);
    const LightFigures& figures() const { return m_figures; }
    // Everything the panel shows, as the copy button puts it on the clipboard.
    QString text() const;
    // Copies text() to the clipboard.
    void copyText() const;
    // How often figures were given (tests: the panel follows acquisitions).
    int updates() const { return m_updates; }

    QSize sizeHint() const override { return {420, 520}; }

private:
    LightFigures m_figures;
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_copy = nullptr;
    int m_updates = 0;
};

}  // namespace halden
