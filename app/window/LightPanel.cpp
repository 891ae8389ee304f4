#include "window/LightPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "colour/LightText.h"

namespace halden {

LightPanel::LightPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("lightPanel"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("lightFigures"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setPlainText(tr("No light figures yet: acquire or open a spectrum."));
    m_copy = new QPushButton(tr("Copy as text"), this);
    m_copy->setObjectName(QStringLiteral("lightCopy"));
    connect(m_copy, &QPushButton::clicked, this, &LightPanel::copyText);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_copy, 0, Qt::AlignRight);
}

void LightPanel::setFigures(const LightFigures& figures)
{
    m_figures = figures;
    ++m_updates;
    // Keep the reader's place while the figures follow the live spectrum.
    const int scrolled = m_text->verticalScrollBar() ? m_text->verticalScrollBar()->value() : 0;
    m_text->setPlainText(QString::fromStdString(formatLightFigures(m_figures)));
    if (m_text->verticalScrollBar()) m_text->verticalScrollBar()->setValue(scrolled);
}

QString LightPanel::text() const
{
    return m_text->toPlainText();
}

void LightPanel::copyText() const
{
    QApplication::clipboard()->setText(text());
}

}  // namespace halden

#include "moc_LightPanel.cpp"
