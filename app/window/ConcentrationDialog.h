// The "Concentration" dialog: cuvette length, molar absorptivity, wavelength
// and "Calculate concentration". Checking the numbers on OK is the core's
// (applyConcentration).
#pragma once

#include <QDialog>
#include <memory>

#include "spectrum/MeasurementModes.h"

namespace Ui {
class ConcentrationDialog;
}

namespace halden {

class ConcentrationDialog : public QDialog {
    Q_OBJECT
public:
    ConcentrationDialog(QWidget* parent, const ConcentrationFields& fields);
    ~ConcentrationDialog() override;

    ConcentrationFields fields() const;

private:
    std::unique_ptr<Ui::ConcentrationDialog> m_ui;
};

bool runConcentrationDialog(QWidget* parent, ConcentrationFields& fields);

}  // namespace halden
