#include <gtest/gtest.h>

#include <memory>

#include "spectrum/MeasurementModes.h"
#include "support/PromptRecorder.h"

namespace halden {
namespace {

class ModesTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<SpectrumStore>();
        store->m_chartBar.fastChecked = true;
        store->m_fast = true;
        store->m_average = false;
        store->m_chartBar.averageChecked = false;
        store->m_xMin = 400;
        store->m_xMax = 700;
        store->m_yMin = 10;
        store->m_yMax = 20;
    }
    void withReference() { markReferenceStored(*store); }
    std::unique_ptr<SpectrumStore> store;
    test::PromptRecorder prompt;
};

TEST_F(ModesTest, WithoutReferenceOnlyAMessage) {
    store->m_chartBar.absorbanceChecked = true;  // the click checked it
    const CommandEffects fx = toggleRatioMode(*store, RatioMode::Absorbance, prompt);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "Get Reference spectra fist");
    EXPECT_EQ(prompt.messages()[0].caption, "Message");
    EXPECT_FALSE(store->m_chartBar.absorbanceChecked);
    EXPECT_EQ(store->m_ratioMode, 0);
    EXPECT_TRUE(store->m_fast);
    EXPECT_FALSE(store->m_average);
    EXPECT_DOUBLE_EQ(store->m_xMin, 400);
    EXPECT_DOUBLE_EQ(store->m_yMax, 20);
    EXPECT_FALSE(fx.repaint);
}

TEST_F(ModesTest, AbsorbanceOnAndOffAgain) {
    withReference();
    CommandEffects fx = toggleRatioMode(*store, RatioMode::Absorbance, prompt);
    EXPECT_TRUE(prompt.messages().empty());
    EXPECT_TRUE(fx.repaint);
    EXPECT_EQ(store->m_ratioMode, 3);
    EXPECT_TRUE(store->m_chartBar.absorbanceChecked);
    EXPECT_FALSE(store->m_fast);
    EXPECT_FALSE(store->m_chartBar.fastChecked);
    EXPECT_TRUE(store->m_average);
    EXPECT_TRUE(store->m_chartBar.averageChecked);
    EXPECT_DOUBLE_EQ(store->m_xMin, 210.43);
    EXPECT_DOUBLE_EQ(store->m_xMax, 949.65);
    EXPECT_DOUBLE_EQ(store->m_yMin, -0.25);
    EXPECT_DOUBLE_EQ(store->m_yMax, 3.0);

    toggleRatioMode(*store, RatioMode::Absorbance, prompt);
    EXPECT_EQ(store->m_ratioMode, 0);
    EXPECT_FALSE(store->m_chartBar.absorbanceChecked);
    EXPECT_DOUBLE_EQ(store->m_yMin, -0.25);  // until the user rescales
    EXPECT_DOUBLE_EQ(store->m_yMax, 3.0);
}

TEST_F(ModesTest, EachModeSetsItsOwnYRangeAndExcludesTheOthers) {
    withReference();
    toggleRatioMode(*store, RatioMode::Reflectance, prompt);
    EXPECT_EQ(store->m_ratioMode, 1);
    EXPECT_DOUBLE_EQ(store->m_yMin, 10);
    EXPECT_DOUBLE_EQ(store->m_yMax, 20);
    toggleRatioMode(*store, RatioMode::Transmittance, prompt);
    EXPECT_EQ(store->m_ratioMode, 2);
    EXPECT_DOUBLE_EQ(store->m_yMin, 0);
    EXPECT_DOUBLE_EQ(store->m_yMax, 100.0);  // T% is per cent: 0..1 showed an empty chart
    const ChartBarState& bar = store->m_chartBar;
    EXPECT_TRUE(bar.transmittanceChecked);
    EXPECT_FALSE(bar.reflectanceChecked || bar.absorbanceChecked);
}

TEST_F(ModesTest, ConcentrationOnlyInAbsMode) {
    EXPECT_FALSE(openConcentration(*store, prompt).has_value());
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "It can be used in ABS mode");
    EXPECT_EQ(prompt.messages()[0].caption, "Message");

    withReference();
    toggleRatioMode(*store, RatioMode::Absorbance, prompt);
    store->m_markerX = 532.125;
    store->m_molarAbsorptivity = 2.5;
    const auto f = openConcentration(*store, prompt);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(f->molarAbsorptivity, "2.50");
    EXPECT_EQ(f->cuvetteLength, "1.00");
    EXPECT_EQ(f->wavelength, "532.12");
    EXPECT_TRUE(f->calculate);
}

TEST_F(ModesTest, ConcentrationInputsAreChecked) {
    withReference();
    toggleRatioMode(*store, RatioMode::Absorbance, prompt);
    ConcentrationFields f = *openConcentration(*store, prompt);
    f.molarAbsorptivity = "-5";
    f.cuvetteLength = "0";
    f.wavelength = "2000";
    const CommandEffects fx = applyConcentration(*store, f, prompt);
    EXPECT_TRUE(fx.repaint);
    const auto msgs = prompt.messages();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].text,
              "molar absorptivity (extinction coefficient) of the absorber should be positive");
    EXPECT_EQ(msgs[0].caption, "Message");
    EXPECT_EQ(msgs[1].text, "cuvette length should be positive");
    EXPECT_EQ(msgs[1].caption, "Message");
    EXPECT_DOUBLE_EQ(store->m_molarAbsorptivity, 1.0);
    EXPECT_DOUBLE_EQ(store->m_cuvetteLength, 1.0);
    EXPECT_DOUBLE_EQ(store->m_markerX, store->m_xMax);
    EXPECT_TRUE(store->m_showConcentration);

    f.wavelength = "1";
    f.molarAbsorptivity = "4";
    f.cuvetteLength = "0.5";
    f.calculate = false;
    applyConcentration(*store, f, prompt);
    EXPECT_EQ(prompt.messages().size(), 2u);
    EXPECT_DOUBLE_EQ(store->m_markerX, store->m_xMin);
    EXPECT_FALSE(store->m_showConcentration);

    store->liveBuffer()[store->m_concentrationPoint] = 0.6;
    EXPECT_DOUBLE_EQ(concentrationValue(*store), 0.6 / (4 * 0.5));
}

}  // namespace
}  // namespace halden
