#include "window/AboutDialog.h"

#include "ui_AboutDialog.h"
#include "window/CommandIcons.h"

namespace halden {

QString deviceInfoText(const std::string& header)
{
    const std::string record = header.substr(0, header.find('\0'));
    return QStringLiteral("device info: ") + QString::fromLatin1(record.data(), static_cast<qsizetype>(record.size()));
}

AboutDialog::AboutDialog(QWidget* parent, const std::string& calibrationHeader)
    : QDialog(parent), m_ui(std::make_unique<Ui::AboutDialog>())
{
    m_ui->setupUi(this);
    m_ui->labelIcon->setPixmap(applicationIcon().pixmap(48, 48));
    m_ui->static1043->setText(deviceInfoText(calibrationHeader));
}

AboutDialog::~AboutDialog() = default;

void runAboutDialog(QWidget* parent, const std::string& calibrationHeader)
{
    AboutDialog dialog(parent, calibrationHeader);
    dialog.exec();
}

}  // namespace halden

#include "moc_AboutDialog.cpp"
