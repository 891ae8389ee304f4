// The "About program" box: version, release note and the device line
// "device info: " followed by the instrument's identification record.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

namespace Ui {
class AboutDialog;
}

namespace halden {

// "device info: " and the record's bytes up to the first NUL, as 8-bit text
// (an erased or garbled record must not break the line).
QString deviceInfoText(const std::string& calibrationHeader);

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(QWidget* parent, const std::string& calibrationHeader);
    ~AboutDialog() override;

private:
    std::unique_ptr<Ui::AboutDialog> m_ui;
};

// calibrationHeader: the bytes of m_calibrationHeader (NUL padding allowed).
void runAboutDialog(QWidget* parent, const std::string& calibrationHeader);

}  // namespace halden
