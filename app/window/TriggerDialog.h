// The "Trigger" dialog: copies TriggerFields into its widgets and back. While
// the user clicks, the mode buttons enable their group and the exclusive
// buttons clear their siblings, both by the core's rules.
#pragma once

#include <QDialog>
#include <memory>

#include "spectrum/Settings.h"

namespace Ui {
class TriggerDialog;
}

namespace halden {

class TriggerDialog : public QDialog {
    Q_OBJECT
public:
    TriggerDialog(QWidget* parent, const TriggerFields& fields);
    ~TriggerDialog() override;

    TriggerFields fields() const;

private:
    void showFields(const TriggerFields& fields);
    void onEdgeClicked(ExternalEdge edge);
    void onConditionClicked(OpticalCondition condition);
    void onSelectionClicked();

    std::unique_ptr<Ui::TriggerDialog> m_ui;
};

bool runTriggerDialog(QWidget* parent, TriggerFields& fields);

}  // namespace halden
