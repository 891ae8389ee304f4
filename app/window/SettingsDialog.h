// The "Settings" dialog: copies SettingsFields into its widgets and back.
// Filling the fields from the store and applying them on OK is the core's
// (settingsFromStore, applySettings).
#pragma once

#include <QDialog>
#include <memory>

#include "spectrum/Settings.h"

namespace Ui {
class SettingsDialog;
}

namespace halden {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(QWidget* parent, const SettingsFields& fields);
    ~SettingsDialog() override;

    // The widgets' current contents (the hidden boxes included).
    SettingsFields fields() const;

private:
    std::unique_ptr<Ui::SettingsDialog> m_ui;
};

// Runs the dialog modally; on OK writes the widgets back into fields and
// returns true, on Cancel leaves fields alone.
bool runSettingsDialog(QWidget* parent, SettingsFields& fields);

}  // namespace halden
