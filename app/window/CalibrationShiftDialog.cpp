#include "window/CalibrationShiftDialog.h"

#include "ui_CalibrationShiftDialog.h"
#include "window/WidgetText.h"

namespace halden {

CalibrationShiftDialog::CalibrationShiftDialog(QWidget* parent, const std::string& shiftText)
    : QDialog(parent), m_ui(std::make_unique<Ui::CalibrationShiftDialog>())
{
    m_ui->setupUi(this);
    setEditText(m_ui->edit1010, shiftText);
}

CalibrationShiftDialog::~CalibrationShiftDialog() = default;

std::string CalibrationShiftDialog::shiftText() const { return editText(m_ui->edit1010); }

bool runCalibrationShiftDialog(QWidget* parent, std::string& shiftText)
{
    CalibrationShiftDialog dialog(parent, shiftText);
    if (dialog.exec() != QDialog::Accepted) return false;
    shiftText = dialog.shiftText();
    return true;
}

}  // namespace halden

#include "moc_CalibrationShiftDialog.cpp"
