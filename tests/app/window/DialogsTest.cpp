// The dialogs through their real widgets: titles, captions, control states,
// and a round trip from the store through the widgets back into the store.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

#include "common/Messages.h"
#include "support/PromptRecorder.h"
#include "WidgetTestSupport.h"
#include "spectrum/Baseline.h"
#include "spectrum/ChartCommands.h"
#include "spectrum/MeasurementModes.h"
#include "spectrum/Settings.h"
#include "spectrum/WavelengthCalibration.h"
#include "window/AboutDialog.h"
#include "window/BaselineCorrectionDialog.h"
#include "window/CalibrationShiftDialog.h"
#include "window/ConcentrationDialog.h"
#include "window/SettingsDialog.h"
#include "window/TriggerDialog.h"
#include "window/XYScaleDialog.h"

namespace halden {
namespace {

using test::child;
using test::typeInto;

class DialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureApplication(); }

    // The store is about 20 MB: on the heap.
    std::unique_ptr<SpectrumStore> store = std::make_unique<SpectrumStore>();
    test::PromptRecorder prompt;
};

QString text(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

// Every listed control exists and carries its caption exactly.
void expectCaptions(QWidget* dialog, const std::vector<std::pair<const char*, const char*>>& captions)
{
    for (const auto& [name, caption] : captions) {
        QWidget* w = child<QWidget>(dialog, name);
        if (w) {
            EXPECT_EQ(text(w).toStdString(), caption) << name;
        }
    }
}

TEST_F(DialogsTest, SettingsShowsItsCaptionsAndControlStates)
{
    SettingsDialog dialog(nullptr, settingsFromStore(*store));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Settings");
    expectCaptions(&dialog, {{"label1000", "Exposure time (ms)"},
                             {"label1013", "number of scans"},
                             {"label1006", "number of blank scans\nbetween real scans"},
                             {"label1009", "Tstart pixel"},
                             {"label1010", "Tend pixel"},
                             {"check1001", "Show Report"},
                             {"check1011", "Test"},
                             {"check1014", "Trigger"},
                             {"check1015", "keep Trigger"},
                             {"check1023", "Average"},
                             {"check1028", "Fast"},
                             {"check1029", "Add color bar 1"},
                             {"check1035", "Add color bar 2"},
                             {"check1012", "Apply norm"},
                             {"check1033", "Apply calibr"},
                             {"check1017", "Show Max Intensity"},
                             {"check1034", "Grid lines"},
                             {"check1032", "Gaussian Appr."},
                             {"groupEnergy", "Calculate Spectral Energy Distribution "},
                             {"check1030", "Calculate"},
                             {"label1002", "Low range"},
                             {"label1003", "Upper range"},
                             {"groupInterval1", "Interval 1 (blue)"},
                             {"label1004", "Low Range"},
                             {"groupInterval2", "Interval 2 (green)"},
                             {"groupInterval3", "Interval 3 (red)"},
                             {"label1019", "Upper range"},
                             {"check1020", "Save data every"},
                             {"label1021", "seconds"},
                             {"check1022", "Save spectra, txt"},
                             {"check1024", "Save screen, bmp"},
                             {"check1025", "Save, 1nm step"},
                             {"check1026", "Save, 380-760nm normalized to sensitivity"},
                             {"group1027", "Irradiation correction coefficient"},
                             {"check1031", "Save to FLASH"},
                             {"buttonOk", "OK"},
                             {"buttonCancel", "Cancel"}});
    for (const char* hidden : {"check1014", "check1015", "check1032"})
        EXPECT_FALSE(child<QWidget>(&dialog, hidden)->isVisible()) << hidden;
    for (const char* disabled : {"edit1009", "edit1010", "check1001"}) {
        QWidget* w = child<QWidget>(&dialog, disabled);
        EXPECT_TRUE(w->isVisible()) << disabled;
        EXPECT_FALSE(w->isEnabled()) << disabled;
    }
    const SettingsFields opened = settingsFromStore(*store);
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1000")->text().toStdString(), opened.exposure);
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1027")->text().toStdString(), opened.irradianceFactor);
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1013")->text(), "1");
    EXPECT_TRUE(child<QCheckBox>(&dialog, "check1034")->isChecked());  // grid lines on by default
}

TEST_F(DialogsTest, SettingsRoundTripThroughTheWidgets)
{
    SettingsDialog dialog(nullptr, settingsFromStore(*store));
    dialog.show();
    typeInto(child<QLineEdit>(&dialog, "edit1000"), "12.345");
    typeInto(child<QLineEdit>(&dialog, "edit1013"), "61");
    typeInto(child<QLineEdit>(&dialog, "edit1019"), "700");
    child<QCheckBox>(&dialog, "check1029")->click();
    child<QCheckBox>(&dialog, "check1034")->click();
    QTest::mouseClick(child<QPushButton>(&dialog, "buttonOk"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    applySettings(*store, dialog.fields(), prompt);
    EXPECT_EQ(store->m_exposure, 1234);
    EXPECT_EQ(store->m_chartBar.exposureText, "12.340");
    EXPECT_EQ(store->m_scans, 60);
    EXPECT_EQ(store->m_chartBar.scansText, "60");
    EXPECT_DOUBLE_EQ(store->m_interval3High, 700.0);
    EXPECT_TRUE(store->m_colorBar1);
    EXPECT_FALSE(store->m_gridLines);
    EXPECT_TRUE(prompt.entries.empty());
}

TEST_F(DialogsTest, SettingsHiddenBoxesKeepTheirValuesAndCancelKeepsTheFields)
{
    SettingsFields fields = settingsFromStore(*store);
    fields.keepTrigger = true;
    fields.showGaussian = true;
    SettingsDialog dialog(nullptr, fields);
    EXPECT_TRUE(dialog.fields().keepTrigger);
    EXPECT_TRUE(dialog.fields().showGaussian);

    // The modal wrapper: Cancel leaves the caller's fields alone, OK copies.
    SettingsFields before = settingsFromStore(*store);
    SettingsFields edited = before;
    test::answerNextModal([](QWidget* modal) {
        typeInto(modal->findChild<QLineEdit*>("edit1000"), "5");
        modal->findChild<QPushButton*>("buttonCancel")->click();
    });
    EXPECT_FALSE(runSettingsDialog(nullptr, edited));
    EXPECT_EQ(edited.exposure, before.exposure);
    test::answerNextModal([](QWidget* modal) {
        typeInto(modal->findChild<QLineEdit*>("edit1000"), "5");
        modal->findChild<QPushButton*>("buttonOk")->click();
    });
    EXPECT_TRUE(runSettingsDialog(nullptr, edited));
    EXPECT_EQ(edited.exposure, "5");
}

TEST_F(DialogsTest, TriggerGroupsFollowTheModeWhileTheUserClicks)
{
    TriggerDialog dialog(nullptr, triggerFromStore(*store));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Trigger");
    expectCaptions(&dialog, {{"radio1065", "No trigger"},
                             {"radio1062", "External Trigger"},
                             {"radio1067", "Optical trigger"},
                             {"groupExternal", "Electrical External Trigger"},
                             {"check1061", "trigger on falling edge"},
                             {"check1066", "trigger on rising edge"},
                             {"check1063", "trigger on falling and rising edge"},
                             {"check1064", "one time trigger"},
                             {"groupOptical", "Optical trigger"},
                             {"check1055", "trigger if above threshold"},
                             {"check1056", "trigger if below threshold"},
                             {"check1058", "one time trigger if below threshold"},
                             {"check1060", "one time trigger if above threshold"},
                             {"check1057", "trigger on threshold"},
                             {"label1068", "Wavelength for \n optical trigger"},
                             {"label1069", "Trigger intensity"}});
    EXPECT_FALSE(child<QWidget>(&dialog, "check1057")->isVisible());
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1068")->text(), "500.0");
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1069")->text(), "2000.0");

    auto* external = child<QGroupBox>(&dialog, "groupExternal");
    auto* optical = child<QGroupBox>(&dialog, "groupOptical");
    EXPECT_TRUE(child<QRadioButton>(&dialog, "radio1065")->isChecked());
    EXPECT_FALSE(external->isEnabled());
    EXPECT_FALSE(optical->isEnabled());

    child<QRadioButton>(&dialog, "radio1062")->click();
    EXPECT_TRUE(external->isEnabled());
    EXPECT_FALSE(optical->isEnabled());

    // The edges are exclusive; clicking the checked one keeps it checked.
    auto* falling = child<QCheckBox>(&dialog, "check1061");
    auto* rising = child<QCheckBox>(&dialog, "check1066");
    EXPECT_TRUE(rising->isChecked());
    falling->click();
    EXPECT_TRUE(falling->isChecked());
    EXPECT_FALSE(rising->isChecked());
    falling->click();
    EXPECT_TRUE(falling->isChecked());

    child<QRadioButton>(&dialog, "radio1067")->click();
    EXPECT_FALSE(external->isEnabled());
    EXPECT_TRUE(optical->isEnabled());
    auto* onceBelow = child<QCheckBox>(&dialog, "check1058");
    onceBelow->click();
    EXPECT_TRUE(onceBelow->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&dialog, "check1056")->isChecked());

    child<QRadioButton>(&dialog, "radio1065")->click();
    EXPECT_FALSE(external->isEnabled());
    EXPECT_FALSE(optical->isEnabled());
}

TEST_F(DialogsTest, TriggerRoundTripReopensWithTheOpticalGroupAlone)
{
    {
        TriggerDialog dialog(nullptr, triggerFromStore(*store));
        dialog.show();
        child<QRadioButton>(&dialog, "radio1067")->click();
        child<QCheckBox>(&dialog, "check1055")->click();
        typeInto(child<QLineEdit>(&dialog, "edit1069"), "1500");
        QTest::mouseClick(child<QPushButton>(&dialog, "buttonOk"), Qt::LeftButton);
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        applyTrigger(*store, dialog.fields());
    }
    EXPECT_EQ(store->m_trigMode, 2);
    EXPECT_EQ(store->m_optTrigMode, 1);
    EXPECT_DOUBLE_EQ(store->m_trigIntensity, 1500.0);

    TriggerDialog reopened(nullptr, triggerFromStore(*store));
    reopened.show();
    EXPECT_TRUE(child<QRadioButton>(&reopened, "radio1067")->isChecked());
    EXPECT_TRUE(child<QGroupBox>(&reopened, "groupOptical")->isEnabled());
    EXPECT_FALSE(child<QGroupBox>(&reopened, "groupExternal")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(&reopened, "check1055")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&reopened, "check1056")->isChecked());
}

TEST_F(DialogsTest, CalibrationShiftAppliesTheTypedShift)
{
    CalibrationShiftDialog dialog(nullptr, kShiftPreset);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle().toStdString(), kShiftDialogTitle);
    EXPECT_EQ(child<QLabel>(&dialog, "labelShift")->text().toStdString(), kShiftDialogText);
    EXPECT_EQ(child<QPushButton>(&dialog, "buttonOk")->text().toStdString(), kShiftApplyButton);
    EXPECT_EQ(child<QPushButton>(&dialog, "buttonCancel")->text().toStdString(), kShiftCancelButton);
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1010")->text(), "0");
    EXPECT_TRUE(child<QWidget>(&dialog, "edit1010")->isVisible());
    for (const char* hidden : {"edit1008", "edit1009", "labelA", "labelB", "labelC"})
        EXPECT_FALSE(child<QWidget>(&dialog, hidden)->isVisible()) << hidden;
    expectCaptions(&dialog, {{"labelA", "A:"}, {"labelB", "B:"}, {"labelC", "C:"}});

    const int last = store->m_lastIndex;
    const double first = store->m_wavelength[0], end = store->m_wavelength[last];
    typeInto(child<QLineEdit>(&dialog, "edit1010"), "-0.5");
    QTest::mouseClick(child<QPushButton>(&dialog, "buttonOk"), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    applyCalibrationShift(*store, dialog.shiftText(), true);
    EXPECT_DOUBLE_EQ(store->m_wavelength[0], first - 0.5);
    EXPECT_DOUBLE_EQ(store->m_wavelength[last], end - 0.5);
}

TEST_F(DialogsTest, BaselineSourceBoxesBehaveAsAPair)
{
    BaselineCorrectionDialog dialog(nullptr, openBaselineDialog(*store));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle().toStdString(), kBaselineDialogTitle);
    expectCaptions(&dialog, {{"label1047", "Window size"},
                             {"label1001", "Iterations"},
                             {"check1048", "From loaded spectra"},
                             {"check1049", "From collected spectra"},
                             {"buttonOk", "Process"},
                             {"buttonCancel", "Cancel"}});
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1047")->text(), "50");
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1001")->text(), "100");
    auto* loaded = child<QCheckBox>(&dialog, "check1048");
    auto* collected = child<QCheckBox>(&dialog, "check1049");
    EXPECT_FALSE(loaded->isChecked());
    EXPECT_TRUE(collected->isChecked());
    loaded->click();
    EXPECT_TRUE(loaded->isChecked());
    EXPECT_FALSE(collected->isChecked());
    loaded->click();  // clicking the checked one keeps it
    EXPECT_TRUE(loaded->isChecked());
    collected->click();
    EXPECT_FALSE(loaded->isChecked());
    EXPECT_TRUE(collected->isChecked());

    typeInto(child<QLineEdit>(&dialog, "edit1047"), "7");
    typeInto(child<QLineEdit>(&dialog, "edit1001"), "3");
    QTest::mouseClick(child<QPushButton>(&dialog, "buttonOk"), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    runBaselineCorrection(*store, dialog.fields(), true);
    EXPECT_EQ(store->m_baselineWindow, 7);
    EXPECT_EQ(store->m_baselineIterations, 3);
}

TEST_F(DialogsTest, ConcentrationRoundTripKeepsTheCoreChecks)
{
    store->m_ratioMode = static_cast<int>(RatioMode::Absorbance);
    auto fields = openConcentration(*store, prompt);
    ASSERT_TRUE(fields.has_value());
    ConcentrationDialog dialog(nullptr, *fields);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Concentration");
    expectCaptions(&dialog, {{"label1045", "cuvette optical length"},
                             {"label1001", "molar absorptivity\n(extinction coefficient) of the absorber"},
                             {"label1002", "wavelength"},
                             {"check1046", "Calculate concentration"},
                             {"buttonOk", "OK"},
                             {"buttonCancel", "Cancel"}});
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1045")->text(), "1.00");
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1001")->text(), "1.00");
    EXPECT_TRUE(child<QCheckBox>(&dialog, "check1046")->isChecked());

    typeInto(child<QLineEdit>(&dialog, "edit1001"), "-5");
    typeInto(child<QLineEdit>(&dialog, "edit1045"), "2");
    QTest::mouseClick(child<QPushButton>(&dialog, "buttonOk"), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    applyConcentration(*store, dialog.fields(), prompt);
    EXPECT_DOUBLE_EQ(store->m_molarAbsorptivity, 1.0);
    EXPECT_DOUBLE_EQ(store->m_cuvetteLength, 2.0);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, messages::kAbsorptivityPositive);
    EXPECT_EQ(prompt.messages()[0].caption, "Message");
}

TEST_F(DialogsTest, XYScaleShowsTheLimitsAndReadsTheRanges)
{
    XYScaleDialog dialog(nullptr, xyScaleFromStore(*store));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "X Y Scale");
    const XYScaleFields shown = xyScaleFromStore(*store);
    EXPECT_EQ(child<QLabel>(&dialog, "labelMin")->text().toStdString(), shown.minLabel);
    EXPECT_EQ(child<QLabel>(&dialog, "labelMax")->text().toStdString(), shown.maxLabel);
    EXPECT_TRUE(child<QLabel>(&dialog, "labelMin")->text().startsWith("min: "));
    EXPECT_TRUE(child<QLabel>(&dialog, "labelMax")->text().endsWith(" nm"));
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1002")->text().toStdString(), shown.xMin);
    EXPECT_EQ(child<QLineEdit>(&dialog, "edit1005")->text().toStdString(), shown.yMax);

    typeInto(child<QLineEdit>(&dialog, "edit1002"), "400");
    typeInto(child<QLineEdit>(&dialog, "edit1003"), "700");
    typeInto(child<QLineEdit>(&dialog, "edit1004"), "-5");
    typeInto(child<QLineEdit>(&dialog, "edit1005"), "100");
    QTest::mouseClick(child<QPushButton>(&dialog, "buttonOk"), Qt::LeftButton);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    applyXYScale(*store, dialog.fields());
    EXPECT_DOUBLE_EQ(store->m_xMin, 400.0);
    EXPECT_DOUBLE_EQ(store->m_xMax, 700.0);
    EXPECT_DOUBLE_EQ(store->m_yMin, -5.0);
    EXPECT_DOUBLE_EQ(store->m_yMax, 100.0);
}

TEST_F(DialogsTest, AboutShowsTheDeviceLineAndOnlyOk)
{
    AboutDialog dialog(nullptr, std::string("VS014.2403Y00123", 16));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "About program");
    expectCaptions(&dialog, {{"labelVersion", "Version 1.14"},
                             {"labelNote", "Note: Lumens calculation added"},
                             {"static1043", "device info: VS014.2403Y00123"}});
    const auto buttons = dialog.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "OK");
}

TEST_F(DialogsTest, DeviceInfoStopsAtTheFirstNulAndKeepsOtherBytes)
{
    EXPECT_EQ(deviceInfoText(std::string(16, '\0')), "device info: ");
    EXPECT_EQ(deviceInfoText(std::string("RS014\0garbage", 13)), "device info: RS014");
    // An erased record (0xFF bytes) still gives one readable line of 16 characters.
    EXPECT_EQ(deviceInfoText(std::string(16, '\xFF')).size(), 13 + 16);
}

}  // namespace
}  // namespace halden
