#include "window/ChartBar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

#include "CommandIds.h"

namespace halden {

namespace {

QString objectNameOf(int id) { return QStringLiteral("c%1").arg(id); }

void setChecked(QCheckBox* box, bool checked, bool enabled)
{
    const QSignalBlocker block(box);
    box->setChecked(checked);
    box->setEnabled(enabled);
}

void setText(QLineEdit* edit, const std::string& text)
{
    const QString value = QString::fromStdString(text);
    if (edit->text() == value) return;  // keep the cursor and the selection
    const QSignalBlocker block(edit);
    edit->setText(value);  // also clears the modified flag
}

// The user is working in the edit: it has focus, or holds text typed since
// its last commit.
bool beingEdited(const QLineEdit* edit) { return edit->hasFocus() || edit->isModified(); }

}  // namespace

ChartBar::ChartBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("chartBarWidget"));
    // Three rows of columns, so the bar fits the window's first width of 800.
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(1);

    grid->addWidget(new QLabel(tr("Exposure (ms):")), 0, 0);
    // Wide enough for the longest exposure, 300000.000 ms, at any window size.
    grid->addWidget(addEdit(ids::kExposureEdit, 80, QStringLiteral("300000.000")), 0, 1);
    m_exposureText = new QLabel(QStringLiteral("10"));
    m_exposureText->setObjectName(objectNameOf(ids::kExposureText));
    m_exposureText->setMinimumWidth(44);
    grid->addWidget(m_exposureText, 0, 2);
    grid->addWidget(new QLabel(tr("Scans:")), 1, 0);
    grid->addWidget(addEdit(ids::kScansEdit, 80, QStringLiteral("64")), 1, 1);
    grid->addWidget(new QLabel(tr("BoxCar:")), 2, 0);
    grid->addWidget(addEdit(ids::kBoxcarEdit, 80, QStringLiteral("50")), 2, 1);

    QCheckBox* runBox = addCheckBox(ids::kRunBox, tr("Run"));
    QFont bold = runBox->font();
    bold.setBold(true);
    runBox->setFont(bold);
    grid->addWidget(runBox, 0, 3);
    grid->addWidget(addCheckBox(ids::kFastBox, tr("Fast")), 1, 3);
    grid->addWidget(addCheckBox(ids::kAverageBox, tr("Average")), 2, 3);

    grid->addWidget(addButton(ids::kGetBackground, tr("Get background")), 0, 4);
    grid->addWidget(addCheckBox(ids::kSubtractBox, tr("Subtract")), 1, 4);
    m_progress = new QProgressBar;
    m_progress->setObjectName(objectNameOf(ids::kProgressBar));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(12);
    grid->addWidget(m_progress, 2, 4);

    grid->addWidget(addCheckBox(ids::kReflectanceBox, tr("R(%)")), 0, 5);
    grid->addWidget(addCheckBox(ids::kTransmittanceBox, tr("T(%)")), 1, 5);
    grid->addWidget(addCheckBox(ids::kAbsorbanceBox, tr("ABS")), 2, 5);

    grid->addWidget(addButton(ids::kConcentration, tr("concentration")), 0, 6);
    grid->addWidget(addCheckBox(ids::kLogScaleBox, tr("Log scale")), 1, 6);
    grid->addWidget(addCheckBox(ids::kAutoYBox, tr("auto Y")), 2, 6);

    grid->addWidget(addCheckBox(ids::kChromaticityBox, tr("X, Y chromaticity space")), 0, 7, 1, 2);
    QAbstractButton* plus = addButton(ids::kDiagramPlus, QStringLiteral("+"));
    QAbstractButton* minus = addButton(ids::kDiagramMinus, QStringLiteral("-"));
    plus->setMaximumWidth(40);
    minus->setMaximumWidth(40);
    grid->addWidget(plus, 1, 7);
    grid->addWidget(minus, 1, 8);
    grid->addWidget(addButton(ids::kGaussianAppr, tr("Gaussian Appr.")), 2, 7, 1, 2);
    grid->setColumnStretch(9, 1);

    mirror(ChartBarState{});
}

QCheckBox* ChartBar::addCheckBox(int id, const QString& caption)
{
    auto* box = new QCheckBox(caption);
    box->setObjectName(objectNameOf(id));
    // toggled, not clicked: the keyboard and assistive tools change the box
    // without a click. Mirroring blocks the signal, so only users reach it.
    connect(box, &QCheckBox::toggled, this, [this, id](bool checked) { emit controlActivated(id, checked); });
    m_boxes[id] = box;
    return box;
}

QAbstractButton* ChartBar::addButton(int id, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(objectNameOf(id));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, id] { emit controlActivated(id, true); });
    m_buttons[id] = button;
    return button;
}

QLineEdit* ChartBar::addEdit(int id, int width, const QString& longest)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(objectNameOf(id));
    // The text's width, the frame and the text margins: the whole value shows
    // however narrow the window is.
    QStyleOptionFrame option;
    option.initFrom(edit);
    const QMargins margins = edit->textMargins();
    const int text = edit->fontMetrics().horizontalAdvance(longest) + margins.left() + margins.right() + 6;
    const int minimum = edit->style()
                            ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text, edit->fontMetrics().height()), edit)
                            .width();
    edit->setMinimumWidth(minimum);
    edit->setMaximumWidth(std::max(width, minimum));
    connect(edit, &QLineEdit::editingFinished, this, [this, id, edit] {
        if (edit->isModified()) emit textCommitted(id, edit->text());
    });
    m_edits[id] = edit;
    return edit;
}

void ChartBar::showEditTexts(const ChartBarState& state)
{
    setText(m_edits[ids::kExposureEdit], state.exposureText);
    setText(m_edits[ids::kScansEdit], state.scansText);
    setText(m_edits[ids::kBoxcarEdit], state.boxcarText);
    for (const auto& [id, edit] : m_edits) edit->setModified(false);  // committed
}

void ChartBar::mirror(const ChartBarState& state)
{
    const std::pair<int, const std::string*> texts[] = {{ids::kExposureEdit, &state.exposureText},
                                                        {ids::kScansEdit, &state.scansText},
                                                        {ids::kBoxcarEdit, &state.boxcarText}};
    for (const auto& [id, text] : texts)
        if (!beingEdited(m_edits[id])) setText(m_edits[id], *text);
    m_exposureText->setText(QString::fromStdString(state.exposureLabel));
    setChecked(m_boxes[ids::kFastBox], state.fastChecked, true);
    setChecked(m_boxes[ids::kAutoYBox], state.autoYChecked, true);
    setChecked(m_boxes[ids::kAverageBox], state.averageChecked, true);
    setChecked(m_boxes[ids::kLogScaleBox], state.logScaleChecked, true);
    setChecked(m_boxes[ids::kSubtractBox], state.subtractChecked, state.subtractEnabled);
    setChecked(m_boxes[ids::kRunBox], state.runChecked, state.runEnabled);
    setChecked(m_boxes[ids::kChromaticityBox], state.chromaticityChecked, state.chromaticityEnabled);
    setChecked(m_boxes[ids::kReflectanceBox], state.reflectanceChecked, state.reflectanceEnabled);
    setChecked(m_boxes[ids::kTransmittanceBox], state.transmittanceChecked, state.transmittanceEnabled);
    setChecked(m_boxes[ids::kAbsorbanceBox], state.absorbanceChecked, state.absorbanceEnabled);
    m_progress->setValue(state.progress);
}

QCheckBox* ChartBar::checkBox(int id) const
{
    const auto it = m_boxes.find(id);
    return it == m_boxes.end() ? nullptr : it->second;
}

QAbstractButton* ChartBar::button(int id) const
{
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

QLineEdit* ChartBar::edit(int id) const
{
    const auto it = m_edits.find(id);
    return it == m_edits.end() ? nullptr : it->second;
}

}  // namespace halden

#include "moc_ChartBar.cpp"
