// CSV and JCAMP-DX exports of spectra measured on the virtual spectrometer
// read back to the same numbers, with the acquisition's own settings.
#include <gtest/gtest.h>

#include "VirtualSessionFixture.h"
#include "files/JcampFile.h"
#include "files/LineGrammar.h"
#include "files/SpectrumExport.h"
#include "spectrum/StoreCommands.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden::test {
namespace {

class ExportRoundTrip : public VirtualSessionTest {
protected:
    // Calibration read from the instrument, then one acquisition with these
    // chart bar texts.
    void acquire(const char* exposure, const char* scans, bool average)
    {
        ASSERT_TRUE(waitForSignal(*session, &Session::calibrationCompleted, [&] { session->chooseSpectrometer(); }));
        SpectrumStore& s = session->store();
        commitExposureText(s, exposure);
        commitScansText(s, scans);
        setAverage(s, average);
        ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->startAcquisition(); }));
        ASSERT_TRUE(s.m_liveAcquisition.measured);
    }

    std::string value(const Metadata& m, const std::string& name)
    {
        for (const auto& [n, v] : m)
            if (n == name) return v;
        ADD_FAILURE() << "no " << name;
        return {};
    }
};

TEST_F(ExportRoundTrip, CsvGivesBackEveryValueAndTheAcquisitionsSettings)
{
    acquire("12.5", "3", false);
    SpectrumStore& s = session->store();
    // What is typed for the next acquisition is not what the file describes.
    commitExposureText(s, "99");
    const std::string text = csvFileText(s);

    const Metadata meta = readCsvMetadata(text);
    EXPECT_EQ(meta, acquisitionMetadata(s));
    EXPECT_EQ(value(meta, "exposure_ms"), "12.50");
    EXPECT_EQ(value(meta, "scans"), "3");
    EXPECT_EQ(value(meta, "averaging"), "off");
    EXPECT_EQ(value(meta, "serial"), "Y00123");
    EXPECT_EQ(value(meta, "calibration_source"), "flash");
    EXPECT_EQ(value(meta, "irradiance_calibrated"), "yes");
    EXPECT_EQ(value(meta, "program_version"), HALDEN_VERSION);
    EXPECT_EQ(value(meta, "time").size(), 20u);  // 2026-01-05T12:01:05Z
    EXPECT_EQ(value(meta, "time").back(), 'Z');
    EXPECT_NE(text.find("\r\nwavelength_nm,counts_scan1,counts_scan2,counts_scan3\r\n"), std::string::npos);

    // Every row: the wavelength and the three scans, bit for bit.
    const DataLines rows = readDataLines(text);
    ASSERT_EQ(rows.x.size(), static_cast<std::size_t>(kSpectrumPoints));
    const double* live = s.liveBuffer();
    for (int i = 0; i < kSpectrumPoints; ++i) {
        ASSERT_EQ(rows.x[i], s.m_wavelength[i]) << i;
        ASSERT_EQ(rows.y[i], live[i]) << i;
    }
    std::size_t line = text.find("wavelength_nm,");
    line = text.find("\r\n", line) + 2;
    const std::string first = text.substr(line, text.find("\r\n", line) - line);
    EXPECT_EQ(first, exactNumber(s.m_wavelength[0]) + "," + exactNumber(live[0]) + "," +
                         exactNumber(live[kPointCapacity]) + "," + exactNumber(live[2 * kPointCapacity]));
}

TEST_F(ExportRoundTrip, JcampGivesBackEveryScanAndItsLabels)
{
    acquire("10", "2", false);
    SpectrumStore& s = session->store();
    const JcampFile file = parseJcamp(jcampFileText(s, "lamp"));
    ASSERT_TRUE(file.ok()) << file.error;
    ASSERT_EQ(file.blocks.size(), 2u);
    for (int k = 0; k < 2; ++k) {
        const JcampBlock& b = file.blocks[k];
        EXPECT_EQ(b.title, "lamp, scan " + std::to_string(k + 1));
        EXPECT_EQ(b.label("JCAMP-DX"), "5.01");
        EXPECT_EQ(b.label("DATA TYPE"), "UV/VIS SPECTRUM");
        EXPECT_EQ(b.label("XUNITS"), "NANOMETERS");
        EXPECT_EQ(b.label("YUNITS"), "COUNTS");
        EXPECT_EQ(b.label("NPOINTS"), "3653");
        EXPECT_EQ(b.label("$EXPOSURE_MS"), "10.00");
        EXPECT_EQ(b.label("$SCANS"), "2");
        EXPECT_EQ(b.label("$SERIAL"), "Y00123");
        ASSERT_EQ(b.x.size(), static_cast<std::size_t>(kSpectrumPoints));
        const double* row = s.liveBuffer() + k * kPointCapacity;
        for (int i = 0; i < kSpectrumPoints; ++i) {
            ASSERT_EQ(b.x[i], s.m_wavelength[i]) << i;
            ASSERT_EQ(b.y[i], row[i]) << i;
        }
    }

    // Averaged and on the Raman axis: one block, a Raman spectrum in 1/cm.
    commitScansText(s, "1");
    setAverage(s, true);
    ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->startAcquisition(); }));
    showRamanShiftAxis(s);
    const JcampFile raman = parseJcamp(jcampFileText(s, "raman"));
    ASSERT_EQ(raman.blocks.size(), 1u);
    EXPECT_EQ(raman.blocks[0].label("DATA TYPE"), "RAMAN SPECTRUM");
    EXPECT_EQ(raman.blocks[0].label("XUNITS"), "1/CM");
    EXPECT_EQ(raman.blocks[0].x[100], ramanShift(s.m_laserWavelength, s.m_wavelength[100]));
    EXPECT_EQ(raman.blocks[0].y[100], s.liveBuffer()[100]);
}

}  // namespace
}  // namespace halden::test
