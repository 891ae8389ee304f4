// The "X Y Scale" dialog: the instrument's wavelength limits in two labels and
// the chart's four range edits. Reading the ranges back is the core's
// (applyXYScale).
#pragma once

#include <QDialog>
#include <memory>

#include "spectrum/ChartCommands.h"

namespace Ui {
class XYScaleDialog;
}

namespace halden {

class XYScaleDialog : public QDialog {
    Q_OBJECT
public:
    XYScaleDialog(QWidget* parent, const XYScaleFields& fields);
    ~XYScaleDialog() override;

    XYScaleFields fields() const;

private:
    std::unique_ptr<Ui::XYScaleDialog> m_ui;
};

bool runXYScaleDialog(QWidget* parent, XYScaleFields& fields);

}  // namespace halden
