// The "Calibration shift" dialog: one edit with the shift in nm. Applying the
// shift to the wavelength table is the core's (applyCalibrationShift).
#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class CalibrationShiftDialog;
}

namespace halden {

class CalibrationShiftDialog : public QDialog {
    Q_OBJECT
public:
    CalibrationShiftDialog(QWidget* parent, const std::string& shiftText);
    ~CalibrationShiftDialog() override;

    std::string shiftText() const;

private:
    std::unique_ptr<Ui::CalibrationShiftDialog> m_ui;
};

// Opens with shiftText in the edit (the caller presets "0"); "Apply shift"
// writes the edit back and returns true, Cancel returns false.
bool runCalibrationShiftDialog(QWidget* parent, std::string& shiftText);

}  // namespace halden
