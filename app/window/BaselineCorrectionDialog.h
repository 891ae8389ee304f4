// The "Baseline correction dialog": window size, iterations and the pair of
// source boxes, which behave as a pair by the core's rule while the user
// clicks. The correction itself is the core's (runBaselineCorrection).
#pragma once

#include <QDialog>
#include <memory>

#include "spectrum/Baseline.h"

namespace Ui {
class BaselineCorrectionDialog;
}

namespace halden {

class BaselineCorrectionDialog : public QDialog {
    Q_OBJECT
public:
    BaselineCorrectionDialog(QWidget* parent, const BaselineDialog& fields);
    ~BaselineCorrectionDialog() override;

    BaselineDialog fields() const;

private:
    void showFields(const BaselineDialog& fields);

    std::unique_ptr<Ui::BaselineCorrectionDialog> m_ui;
};

// "Process" writes the widgets back and returns true; Cancel returns false.
bool runBaselineDialog(QWidget* parent, BaselineDialog& fields);

}  // namespace halden
