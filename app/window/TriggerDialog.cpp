#include "window/TriggerDialog.h"
#include "window/FieldsDialog.h"

#include "ui_TriggerDialog.h"
#include "window/WidgetText.h"

namespace halden {

TriggerDialog::TriggerDialog(QWidget* parent, const TriggerFields& fields)
    : QDialog(parent), m_ui(std::make_unique<Ui::TriggerDialog>())
{
    m_ui->setupUi(this);
    showFields(fields);

    for (QAbstractButton* mode : {static_cast<QAbstractButton*>(m_ui->radio1065), static_cast<QAbstractButton*>(m_ui->radio1062),
                                  static_cast<QAbstractButton*>(m_ui->radio1067)})
        connect(mode, &QAbstractButton::clicked, this, [this] { onSelectionClicked(); });
    connect(m_ui->check1061, &QAbstractButton::clicked, this, [this] { onEdgeClicked(ExternalEdge::Falling); });
    connect(m_ui->check1066, &QAbstractButton::clicked, this, [this] { onEdgeClicked(ExternalEdge::Rising); });
    connect(m_ui->check1063, &QAbstractButton::clicked, this, [this] { onEdgeClicked(ExternalEdge::Both); });
    connect(m_ui->check1055, &QAbstractButton::clicked, this, [this] { onConditionClicked(OpticalCondition::Above); });
    connect(m_ui->check1056, &QAbstractButton::clicked, this, [this] { onConditionClicked(OpticalCondition::Below); });
    connect(m_ui->check1058, &QAbstractButton::clicked, this,
            [this] { onConditionClicked(OpticalCondition::OnceBelow); });
    connect(m_ui->check1060, &QAbstractButton::clicked, this,
            [this] { onConditionClicked(OpticalCondition::OnceAbove); });
}

TriggerDialog::~TriggerDialog() = default;

void TriggerDialog::showFields(const TriggerFields& f)
{
    m_ui->radio1065->setChecked(f.selection == TriggerSelection::None);
    m_ui->radio1062->setChecked(f.selection == TriggerSelection::External);
    m_ui->radio1067->setChecked(f.selection == TriggerSelection::Optical);
    m_ui->check1061->setChecked(f.falling);
    m_ui->check1066->setChecked(f.rising);
    m_ui->check1063->setChecked(f.bothEdges);
    m_ui->check1064->setChecked(f.oneTime);
    m_ui->check1055->setChecked(f.above);
    m_ui->check1056->setChecked(f.below);
    m_ui->check1058->setChecked(f.onceBelow);
    m_ui->check1060->setChecked(f.onceAbove);
    m_ui->check1057->setChecked(f.onThreshold);
    setEditText(m_ui->edit1068, f.wavelength);
    setEditText(m_ui->edit1069, f.intensity);
    m_ui->groupExternal->setEnabled(externalGroupEnabled(f));
    m_ui->groupOptical->setEnabled(opticalGroupEnabled(f));
}

TriggerFields TriggerDialog::fields() const
{
    TriggerFields f;
    if (m_ui->radio1062->isChecked())
        f.selection = TriggerSelection::External;
    else if (m_ui->radio1067->isChecked())
        f.selection = TriggerSelection::Optical;
    else
        f.selection = TriggerSelection::None;
    f.falling = m_ui->check1061->isChecked();
    f.rising = m_ui->check1066->isChecked();
    f.bothEdges = m_ui->check1063->isChecked();
    f.oneTime = m_ui->check1064->isChecked();
    f.above = m_ui->check1055->isChecked();
    f.below = m_ui->check1056->isChecked();
    f.onceBelow = m_ui->check1058->isChecked();
    f.onceAbove = m_ui->check1060->isChecked();
    f.onThreshold = m_ui->check1057->isChecked();
    f.wavelength = editText(m_ui->edit1068);
    f.intensity = editText(m_ui->edit1069);
    return f;
}

void TriggerDialog::onEdgeClicked(ExternalEdge edge)
{
    TriggerFields f = fields();
    selectExternalEdge(f, edge);
    showFields(f);
}

void TriggerDialog::onConditionClicked(OpticalCondition condition)
{
    TriggerFields f = fields();
    selectOpticalCondition(f, condition);
    showFields(f);
}

void TriggerDialog::onSelectionClicked() { showFields(fields()); }

bool runTriggerDialog(QWidget* parent, TriggerFields& fields)
{
    return runFieldsDialog<TriggerDialog>(parent, fields);
}

}  // namespace halden

#include "moc_TriggerDialog.cpp"
