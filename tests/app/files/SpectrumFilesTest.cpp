#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "FilesFixture.h"
#include "common/Messages.h"
#include "files/SpectrumFiles.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {
namespace {

using test::FilesFixture;

class SpectrumFilesTest : public FilesFixture {
protected:
    void SetUp() override {
        FilesFixture::SetUp();
        // Point i at 400 + i/10 nm; row r holds 1000*r + i.
        for (int i = 0; i < kSpectrumPoints; ++i) store->m_wavelength[i] = 400.0 + i * 0.1;
        store->m_xMin = store->m_wavelength[0];
        store->m_xMax = store->m_wavelength[3652];
        double* live = store->liveBuffer();
        for (int r = 0; r < kBufferRows; ++r)
            for (int i = 0; i < kPointCapacity; ++i) live[r * kPointCapacity + i] = 1000.0 * r + i;
    }
    static std::vector<std::string> rows(const std::string& text) {
        std::vector<std::string> out;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t end = text.find("\r\n", pos);
            if (end == std::string::npos) {
                out.push_back("<no CR LF>" + text.substr(pos));
                break;
            }
            out.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return out;
    }
};

TEST_F(SpectrumFilesTest, NormalRowsFollowTheVisibleRange) {
    store->m_xMin = 500.0;
    store->m_xMax = 600.0;
    const auto r = rows(spectrumFileText(*store));
    ASSERT_EQ(r.size(), 1001u);  // points 1000..2000, both ends included
    EXPECT_EQ(r.front(), "500.000 1000.000");
    EXPECT_EQ(r.back(), "600.000 2000.000");
}

TEST_F(SpectrumFilesTest, ColumnsFollowScansAndAverage) {
    store->m_liveAcquisition.settings.device.average = false;
    store->m_liveAcquisition.settings.device.scans = 3;
    auto r = rows(spectrumFileText(*store));
    ASSERT_EQ(r.size(), 3653u);
    EXPECT_EQ(r[7], "400.700 7.000\t1007.000\t2007.000");
    r = rows(clipboardText(*store));
    ASSERT_EQ(r.size(), 3653u);
    EXPECT_EQ(r[7], "400.700\t7.000\t1007.000\t2007.000\t");
    store->m_liveAcquisition.settings.device.average = true;
    EXPECT_EQ(rows(spectrumFileText(*store))[7], "400.700 7.000");
}

TEST_F(SpectrumFilesTest, WavenumberFormWritesTheShiftAndReloadsIt) {
    store->m_wavenumberAxis = true;
    store->m_laserWavelength = 400.0;
    store->m_xMin = -1e9;
    store->m_xMax = 1e9;
    const std::string text = spectrumFileText(*store);
    const auto r = rows(text);
    const double shift = (1 / 400.0 - 1 / 400.1) * 1e7;
    char expect[64];
    std::snprintf(expect, sizeof expect, "%.3f , 1.000", shift);
    EXPECT_EQ(r[1], expect);
    const DataLines d = readDataLines(text);
    ASSERT_EQ(d.x.size(), 3653u);
    EXPECT_NEAR(d.x[1], shift, 5e-4);
    EXPECT_DOUBLE_EQ(d.y[1], 1.0);
}

TEST_F(SpectrumFilesTest, FastFormTakesEverySecondWavelength) {
    store->m_liveAcquisition.settings.conditioning.fast = true;
    store->m_xMin = 1e9;  // no range filter in Fast mode
    const auto r = rows(spectrumFileText(*store));
    ASSERT_EQ(r.size(), 1827u);
    EXPECT_EQ(r[3], "400.600\t3.000");
    EXPECT_EQ(rows(clipboardText(*store))[3], "400.600\t3.000\t");
    EXPECT_TRUE(oneNmFileText(*store).empty());
}

TEST_F(SpectrumFilesTest, OneNmFileChoosesTheLastPointBelowTheNextNanometre) {
    for (int i = 0; i < kSpectrumPoints; ++i) store->m_wavelength[i] = 190.4 + i * (1100.9 - 190.4) / 3652;
    const auto r = rows(oneNmFileText(*store));
    ASSERT_EQ(r.size(), 911u);
    EXPECT_EQ(r.front().substr(0, 4), "190\t");
    EXPECT_EQ(r.back().substr(0, 5), "1100\t");
    for (long long t : {200LL, 555LL, 1099LL}) {
        const int p = oneNmPoint(*store, t);
        EXPECT_LT(store->m_wavelength[p], t + 1.0);
        EXPECT_GE(store->m_wavelength[p + 1], t + 1.0);
    }
    // Points 0..2 at 10.2, 10.9 and 11.0: t = 10 picks index 1 (d = 0 ties to the highest).
    store->m_wavelength[0] = 10.2;
    store->m_wavelength[1] = 10.9;
    store->m_wavelength[2] = 11.0;
    store->m_rangeLast = 2;
    const auto small = rows(oneNmFileText(*store));
    ASSERT_EQ(small.size(), 2u);
    EXPECT_EQ(small[0], "10\t1.000");
    EXPECT_EQ(small[1], "11\t2.000");
}

TEST_F(SpectrumFilesTest, OneNmFileOfADamagedAxisStaysBounded) {
    // Only the row count matters; a short axis keeps the selection cheap.
    store->m_wavelength[0] = 0;
    store->m_rangeLast = 1;
    store->m_wavelength[1] = 1e15;
    EXPECT_EQ(rows(oneNmFileText(*store)).size(), static_cast<std::size_t>(kMaxOneNmRows));
}

TEST_F(SpectrumFilesTest, BmpHeadersAreExact) {
    RgbImage img{3, 2, {}};
    img.rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const std::string b = bmpFileBytes(img);
    const unsigned char expect[54] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                                      40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
                                      0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(b.size(), 78u);
    EXPECT_EQ(std::memcmp(b.data(), expect, 54), 0);
    // Bottom row first, blue-green-red, padded to 12 bytes.
    const unsigned char pixels[16] = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0, 3, 2, 1, 6};
    EXPECT_EQ(std::memcmp(b.data() + 54, pixels, 16), 0);
    EXPECT_EQ(bmpRowBytes(1), 4u);
    EXPECT_EQ(bmpRowBytes(4), 12u);
    EXPECT_TRUE(bmpFileBytes(RgbImage{2, 2, {1, 2, 3}}).empty());
    EXPECT_TRUE(bmpFileBytes(RgbImage{0, 5, {}}).empty());
}

TEST_F(SpectrumFilesTest, SaveCommandAppliesTheExtensionRuleAndStopsPeriodicSaving) {
    store->m_periodicSave = true;
    store->m_saveCounter = 4;
    prompt.saveAnswers = {path("out"), path("my.txt.bak")};
    EXPECT_EQ(saveSpectrumCommand(*store, prompt), SavedFiles{path("out.txt")});
    EXPECT_FALSE(store->m_periodicSave);
    EXPECT_EQ(store->m_saveCounter, 4);
    EXPECT_EQ(saveSpectrumCommand(*store, prompt), SavedFiles{path("my.txt.bak")});
    EXPECT_EQ(readAll(path("out.txt")), spectrumFileText(*store));
    EXPECT_TRUE(std::filesystem::exists(path("my.txt.bak")));
    EXPECT_FALSE(std::filesystem::exists(path("out.txt_CRI_data.txt")));
    EXPECT_TRUE(saveSpectrumCommand(*store, prompt).empty()) << "Cancel";
}

TEST_F(SpectrumFilesTest, ChromaticityViewAddsTheReport) {
    store->m_chromaticityView = true;
    ASSERT_TRUE(saveSpectrumFile(*store, prompt, path("lamp.txt")));
    ASSERT_TRUE(save1nmFile(*store, prompt, path("one.txt")));
    EXPECT_NE(readAll(path("lamp.txt_CRI_data.txt")).find("CRI(1-14) = "), std::string::npos);
    const std::string shortReport = readAll(path("one.txt_CRI_data.txt"));
    EXPECT_NE(shortReport.find("CRI = "), std::string::npos);
    EXPECT_EQ(shortReport.find("CRI(1-14)"), std::string::npos);
}

TEST_F(SpectrumFilesTest, OneNmCommandStopsTheAcquisition) {
    store->m_chartBar.runChecked = true;
    store->m_running = true;
    store->m_periodicSave = true;
    store->m_saveCounter = 9;
    prompt.saveAnswers = {path("nm")};
    EXPECT_EQ(save1nmCommand(*store, prompt), SavedFiles{path("nm.txt")});
    EXPECT_FALSE(store->m_chartBar.runChecked);
    EXPECT_FALSE(store->m_running);
    EXPECT_FALSE(store->m_periodicSave);
    EXPECT_EQ(store->m_saveCounter, 0);
    EXPECT_TRUE(std::filesystem::exists(path("nm.txt")));
}

TEST_F(SpectrumFilesTest, FailedSaveShowsTheMessageAndKeepsTheOldFile) {
    writeAll(path("keep.txt"), "old");
    std::filesystem::permissions(std::filesystem::path(path("keep.txt")).parent_path(),
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool readOnlyFolder = ::access(path("").c_str(), W_OK) != 0;  // root ignores the bits
    const bool ok = saveSpectrumFile(*store, prompt, path("keep.txt"));
    std::filesystem::permissions(std::filesystem::path(path("keep.txt")).parent_path(),
                                 std::filesystem::perms::owner_all);
    if (readOnlyFolder) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(readAll(path("keep.txt")), "old");
    }
    EXPECT_FALSE(saveSpectrumFile(*store, prompt, path("no/such/folder.txt")));
    const auto m = prompt.messages();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m.back().text, "ERROR DURING CREATION THE OUT FILE");
    EXPECT_EQ(m.back().caption, "ERROR");
}

TEST_F(SpectrumFilesTest, LoadsAddCurvesWithTheirColours) {
    writeAll(path("a.txt"), "Wavelength\tIntensity\r\nnm\tcounts\r\n500.5\t12\r\n501,13\r\n");
    writeAll(path("b.txt"), "1 2\n3 4\n5 6");
    prompt.openAnswers = {path("a.txt"), path("b.txt")};
    ASSERT_EQ(loadSpectrumCommand(*store, prompt), SpectrumLoad::Loaded);
    ASSERT_EQ(loadSpectrumCommand(*store, prompt), SpectrumLoad::Loaded);
    EXPECT_EQ(store->m_storedLength[1], 1);
    EXPECT_EQ(store->m_storedLength[2], 2);
    EXPECT_EQ(store->m_storedLength[3], -1);
    EXPECT_EQ(store->m_storedCount, 2);
    EXPECT_EQ(store->m_storedRed[1], 200);
    EXPECT_EQ(store->m_storedGreen[1], 300);
    EXPECT_EQ(store->m_storedBlue[1], 400);
    EXPECT_EQ(store->m_storedRed[2], 300);
    EXPECT_EQ(store->m_storedBlue[2], 500);
    EXPECT_EQ(store->m_storedVisible[2], 1);
    EXPECT_DOUBLE_EQ(store->m_storedX[3653], 500.5);
    EXPECT_DOUBLE_EQ(store->m_storedY[3654], 13);
    EXPECT_DOUBLE_EQ(store->m_storedX[3655], 1);
    EXPECT_DOUBLE_EQ(store->m_storedY[3657], 6);
    EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(SpectrumFilesTest, LoadLimitsLeaveTheTableAlone) {
    std::string many;
    for (int i = 0; i <= 4096; ++i) many += std::to_string(i) + "\t1\r\n";
    writeAll(path("many.txt"), many);
    writeAll(path("empty.txt"), "no numbers here\r\n");
    const auto before = store->m_storedLength;
    prompt.openAnswers = {path("many.txt"), path("empty.txt"), path("absent.txt")};
    EXPECT_EQ(loadSpectrumCommand(*store, prompt), SpectrumLoad::Refused);
    EXPECT_EQ(loadSpectrumCommand(*store, prompt), SpectrumLoad::Empty);
    EXPECT_EQ(loadSpectrumCommand(*store, prompt), SpectrumLoad::Unreadable);
    EXPECT_EQ(store->m_storedLength, before);

    // A pool that cannot take the curve, then a table without free slots.
    store->m_storedLength[0] = kStoredPoolSize - 3;
    writeAll(path("four.txt"), "1 1\n2 2\n3 3\n4 4\n");
    EXPECT_EQ(loadSpectrumFile(*store, prompt, path("four.txt")), SpectrumLoad::Refused);
    store->m_storedLength[0] = 3652;
    for (int k = 1; k < kStoredSlots - 1; ++k) store->m_storedLength[k] = 0;
    store->m_storedLength[kStoredSlots - 1] = -1;
    const auto full = store->m_storedLength;
    EXPECT_EQ(loadSpectrumFile(*store, prompt, path("four.txt")), SpectrumLoad::Refused);
    EXPECT_EQ(store->m_storedLength, full);

    const auto m = prompt.messages();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].text, messages::kTooManyPoints);
    EXPECT_EQ(m[0].caption, "Warning");
    EXPECT_EQ(m[1].text, messages::kNoSpectralPoints);
    EXPECT_EQ(m[2].text, "UNABLE TO OPEN FILE");
    EXPECT_EQ(m[2].caption, "ERROR");
    EXPECT_EQ(m[3].text, messages::kStoredTableFull);
    EXPECT_EQ(m[4].text, messages::kStoredTableFull);
}

// What the loaders refuse, each with its own message and nothing changed: a
// FIFO (which must not block), a link to /dev/zero (which must not be read
// without end), UTF-16 text, and a file whose only data lines overflow a double.
TEST_F(SpectrumFilesTest, SpecialWideAndOverflowingFilesAreRefused) {
    ASSERT_EQ(::mkfifo(path("fifo.txt").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", path("zero.txt"));
    const std::string rows = "500\t1\r\n501\t2\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : rows) utf16 += std::string{c, '\0'};
    writeAll(path("utf16.txt"), utf16);
    writeAll(path("huge.txt"), "Wavelength\tIntensity\r\n1e400\t5\r\n500\t-1e999\r\n");

    const auto lengths = store->m_storedLength;
    const auto reference = store->m_reference;
    const std::pair<const char*, const char*> cases[] = {{"fifo.txt", messages::kNotRegularFile},
                                                         {"zero.txt", messages::kNotRegularFile},
                                                         {"utf16.txt", messages::kWideText},
                                                         {"huge.txt", messages::kNoSpectralPoints}};
    for (const auto& [name, message] : cases) {
        const SpectrumLoad expected = message == messages::kNoSpectralPoints ? SpectrumLoad::Empty : SpectrumLoad::Refused;
        EXPECT_EQ(loadSpectrumFile(*store, prompt, path(name)), expected) << name;
        EXPECT_EQ(loadReferenceFile(*store, prompt, path(name)), expected) << name;
        ASSERT_EQ(prompt.messages().size(), 2u) << name;
        for (const auto& m : prompt.messages()) {
            EXPECT_EQ(m.text, message) << name;
            EXPECT_EQ(m.caption, "Warning");
        }
        prompt.entries.clear();
    }
    EXPECT_EQ(store->m_storedLength, lengths);
    EXPECT_EQ(store->m_reference, reference);
    EXPECT_FALSE(store->m_referenceStored);
    EXPECT_FALSE(store->m_chartBar.absorbanceEnabled);
}

// Rows "%.3f\t%.3f" of y(x) at the given x.
std::string referenceText(const std::vector<double>& x, const std::function<double(double)>& y) {
    std::string text = "Wavelength\tIntensity\r\n";
    for (double v : x) {
        char row[64];
        std::snprintf(row, sizeof row, "%.3f\t%.3f\r\n", v, y(v));
        text += row;
    }
    return text;
}

std::vector<double> steps(double from, double to, double step) {
    std::vector<double> x;
    for (double v = from; v <= to + 1e-9; v += step) x.push_back(v);
    return x;
}

TEST_F(SpectrumFilesTest, ReferenceOnTheLiveGridIsTakenPointByPoint) {
    // As "Save spectra, txt" writes the live axis: x to three decimals.
    const std::vector<double> own(store->m_wavelength.begin(), store->m_wavelength.begin() + 3653);
    writeAll(path("ref.txt"), referenceText(own, [](double x) { return 3 * x; }));
    store->m_chartBar.absorbanceChecked = true;
    prompt.openAnswers = {path("ref.txt")};
    EXPECT_EQ(loadReferenceCommand(*store, prompt), SpectrumLoad::Loaded);
    EXPECT_TRUE(prompt.messages().empty());
    EXPECT_TRUE(store->m_referenceStored);
    char value[32];
    std::snprintf(value, sizeof value, "%.3f", 3 * own[1800]);
    EXPECT_EQ(store->m_reference[1800], std::atof(value));  // the file's own value, not interpolated
    const ChartBarState& bar = store->m_chartBar;
    EXPECT_FALSE(bar.absorbanceChecked);
    EXPECT_TRUE(bar.absorbanceEnabled && bar.reflectanceEnabled && bar.transmittanceEnabled);
}

TEST_F(SpectrumFilesTest, ReferenceOnAnotherGridIsResampledOntoTheLiveWavelengths) {
    const double first = store->m_wavelength[0], last = store->m_wavelength[3652];
    ASSERT_LT(first, 500);
    ASSERT_GT(last, 700);
    auto line = [](double x) { return 1000 + 2 * x; };  // exact under linear interpolation
    // Whole nanometres from 500 nm (as "Save, 1nm step" writes them), falling.
    std::vector<double> nm = steps(500, std::floor(last) + 1, 1);
    std::reverse(nm.begin(), nm.end());
    writeAll(path("nm.txt"), referenceText(nm, line));
    EXPECT_EQ(loadReferenceFile(*store, prompt, path("nm.txt")), SpectrumLoad::Loaded);
    int outside = 0;
    for (int i = 0; i < 3653; ++i) {
        const double w = store->m_wavelength[i];
        if (w < 500) {
            EXPECT_EQ(store->m_reference[i], 0) << i;  // no reference there
            ++outside;
        } else {
            ASSERT_NEAR(store->m_reference[i], line(w), 1e-9) << i;
        }
    }
    ASSERT_GT(outside, 0);
    ASSERT_EQ(prompt.messages().size(), 2u);
    EXPECT_EQ(prompt.messages()[0].text, "Number of spectral points is not correct");
    EXPECT_EQ(prompt.messages()[0].caption, "Warning");
    EXPECT_EQ(prompt.messages()[1].text, std::string(messages::kReferenceResampled) + " " +
                                             std::to_string(outside) + " of the 3653 points lie outside the file's "
                                             "range and have no reference: R(%) and T(%) show -1 there, ABS 0.");
    EXPECT_EQ(prompt.messages()[1].caption, "Information");
    EXPECT_TRUE(store->m_referenceStored);

    // 3653 points, but not on the live grid: resampled without the warning.
    prompt.entries.clear();
    std::vector<double> shifted(store->m_wavelength.begin(), store->m_wavelength.begin() + 3653);
    for (double& v : shifted) v -= 0.05;
    shifted.back() += 1;  // covers the last live point
    writeAll(path("shifted.txt"), referenceText(shifted, line));
    EXPECT_EQ(loadReferenceFile(*store, prompt, path("shifted.txt")), SpectrumLoad::Loaded);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, messages::kReferenceResampled);
    EXPECT_NEAR(store->m_reference[0], line(first), 1e-3);

    // On the Raman axis the file's x are shifts in 1/cm.
    prompt.entries.clear();
    store->m_wavenumberAxis = true;
    std::vector<double> shifts;
    for (int i = 0; i < 3653; i += 2) shifts.push_back(ramanShift(store->m_laserWavelength, store->m_wavelength[i]) - 0.2);
    shifts.push_back(shifts.back() + 50);
    writeAll(path("shifts.txt"), referenceText(shifts, line));
    EXPECT_EQ(loadReferenceFile(*store, prompt, path("shifts.txt")), SpectrumLoad::Loaded);
    const double at = ramanShift(store->m_laserWavelength, store->m_wavelength[2000]);
    EXPECT_NEAR(store->m_reference[2000], line(at), 1e-6);
}

TEST_F(SpectrumFilesTest, ReferenceOutsideTheLiveRangeIsRefused) {
    writeAll(path("far.txt"), referenceText(steps(2000, 3000, 1), [](double) { return 5.0; }));
    store->m_reference[7] = 42;
    EXPECT_EQ(loadReferenceFile(*store, prompt, path("far.txt")), SpectrumLoad::Refused);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, messages::kReferenceNoOverlap);
    EXPECT_EQ(prompt.messages()[0].caption, "Warning");
    EXPECT_EQ(store->m_reference[7], 42);
    EXPECT_FALSE(store->m_referenceStored);
    EXPECT_FALSE(store->m_chartBar.absorbanceEnabled);
}

}  // namespace
}  // namespace halden
