#include "window/ConcentrationDialog.h"
#include "window/FieldsDialog.h"

#include "ui_ConcentrationDialog.h"
#include "window/WidgetText.h"

namespace halden {

ConcentrationDialog::ConcentrationDialog(QWidget* parent, const ConcentrationFields& f)
    : QDialog(parent), m_ui(std::make_unique<Ui::ConcentrationDialog>())
{
    m_ui->setupUi(this);
    setEditText(m_ui->edit1045, f.cuvetteLength);
    setEditText(m_ui->edit1001, f.molarAbsorptivity);
    setEditText(m_ui->edit1002, f.wavelength);
    m_ui->check1046->setChecked(f.calculate);
}

ConcentrationDialog::~ConcentrationDialog() = default;

ConcentrationFields ConcentrationDialog::fields() const
{
    ConcentrationFields f;
    f.cuvetteLength = editText(m_ui->edit1045);
    f.molarAbsorptivity = editText(m_ui->edit1001);
    f.wavelength = editText(m_ui->edit1002);
    f.calculate = m_ui->check1046->isChecked();
    return f;
}

bool runConcentrationDialog(QWidget* parent, ConcentrationFields& fields)
{
    return runFieldsDialog<ConcentrationDialog>(parent, fields);
}

}  // namespace halden

#include "moc_ConcentrationDialog.cpp"
