#include "window/SettingsDialog.h"
#include "window/FieldsDialog.h"

#include "ui_SettingsDialog.h"
#include "window/WidgetText.h"

namespace halden {

SettingsDialog::SettingsDialog(QWidget* parent, const SettingsFields& f)
    : QDialog(parent), m_ui(std::make_unique<Ui::SettingsDialog>())
{
    m_ui->setupUi(this);
    setEditText(m_ui->edit1000, f.exposure);
    setEditText(m_ui->edit1013, f.scans);
    setEditText(m_ui->edit1006, f.blankScans);
    setEditText(m_ui->edit1009, f.sensorFirst);
    setEditText(m_ui->edit1010, f.sensorLast);
    m_ui->check1001->setChecked(f.showReport);
    m_ui->check1011->setChecked(f.testMode);
    m_ui->check1014->setChecked(f.trigger);
    m_ui->check1015->setChecked(f.keepTrigger);
    m_ui->check1023->setChecked(f.average);
    m_ui->check1028->setChecked(f.fast);
    m_ui->check1029->setChecked(f.colorBar1);
    m_ui->check1035->setChecked(f.colorBar2);
    m_ui->check1012->setChecked(f.applyNorm);
    m_ui->check1033->setChecked(f.applyCalibr);
    m_ui->check1017->setChecked(f.showMaxIntensity);
    m_ui->check1034->setChecked(f.gridLines);
    m_ui->check1032->setChecked(f.showGaussian);
    m_ui->check1030->setChecked(f.calcEnergy);
    setEditText(m_ui->edit1002, f.energyLow);
    setEditText(m_ui->edit1003, f.energyHigh);
    setEditText(m_ui->edit1004, f.interval1Low);
    setEditText(m_ui->edit1005, f.interval1High);
    setEditText(m_ui->edit1007, f.interval2Low);
    setEditText(m_ui->edit1008, f.interval2High);
    setEditText(m_ui->edit1018, f.interval3Low);
    setEditText(m_ui->edit1019, f.interval3High);
    m_ui->check1020->setChecked(f.periodicSave);
    setEditText(m_ui->edit1021, f.saveInterval);
    m_ui->check1022->setChecked(f.saveTxt);
    m_ui->check1024->setChecked(f.saveBmp);
    m_ui->check1025->setChecked(f.save1nm);
    m_ui->check1026->setChecked(f.saveNormalized);
    setEditText(m_ui->edit1027, f.irradianceFactor);
    m_ui->check1031->setChecked(f.saveToFlash);
}

SettingsDialog::~SettingsDialog() = default;

SettingsFields SettingsDialog::fields() const
{
    SettingsFields f;
    f.exposure = editText(m_ui->edit1000);
    f.scans = editText(m_ui->edit1013);
    f.blankScans = editText(m_ui->edit1006);
    f.sensorFirst = editText(m_ui->edit1009);
    f.sensorLast = editText(m_ui->edit1010);
    f.showReport = m_ui->check1001->isChecked();
    f.testMode = m_ui->check1011->isChecked();
    f.trigger = m_ui->check1014->isChecked();
    f.keepTrigger = m_ui->check1015->isChecked();
    f.average = m_ui->check1023->isChecked();
    f.fast = m_ui->check1028->isChecked();
    f.colorBar1 = m_ui->check1029->isChecked();
    f.colorBar2 = m_ui->check1035->isChecked();
    f.applyNorm = m_ui->check1012->isChecked();
    f.applyCalibr = m_ui->check1033->isChecked();
    f.showMaxIntensity = m_ui->check1017->isChecked();
    f.gridLines = m_ui->check1034->isChecked();
    f.showGaussian = m_ui->check1032->isChecked();
    f.calcEnergy = m_ui->check1030->isChecked();
    f.energyLow = editText(m_ui->edit1002);
    f.energyHigh = editText(m_ui->edit1003);
    f.interval1Low = editText(m_ui->edit1004);
    f.interval1High = editText(m_ui->edit1005);
    f.interval2Low = editText(m_ui->edit1007);
    f.interval2High = editText(m_ui->edit1008);
    f.interval3Low = editText(m_ui->edit1018);
    f.interval3High = editText(m_ui->edit1019);
    f.periodicSave = m_ui->check1020->isChecked();
    f.saveInterval = editText(m_ui->edit1021);
    f.saveTxt = m_ui->check1022->isChecked();
    f.saveBmp = m_ui->check1024->isChecked();
    f.save1nm = m_ui->check1025->isChecked();
    f.saveNormalized = m_ui->check1026->isChecked();
    f.irradianceFactor = editText(m_ui->edit1027);
    f.saveToFlash = m_ui->check1031->isChecked();
    return f;
}

bool runSettingsDialog(QWidget* parent, SettingsFields& fields)
{
    return runFieldsDialog<SettingsDialog>(parent, fields);
}

}  // namespace halden

#include "moc_SettingsDialog.cpp"
