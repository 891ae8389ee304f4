// The factory calibration record and the erase / write / read cycle.
#include "VirtualFixture.h"

#include <cstdlib>
#include <string>

namespace vantrel::test {
namespace {

using namespace virt;

class VirtualFlash : public VirtualTest {};

// Lines of the record up to its final "0" line, each without its CR LF.
std::vector<std::string> recordLines(const std::vector<std::uint8_t>& flash, bool& allCrLf)
{
    std::vector<std::string> lines;
    allCrLf = true;
    std::string line;
    for (std::size_t i = 0; i < flash.size() && flash[i] != 0xFF; ++i) {
        if (flash[i] == '\n') {
            if (line.empty() || line.back() != '\r') allCrLf = false;
            else line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(flash[i]);
        }
    }
    return lines;
}

std::vector<std::uint8_t> readOverProtocol(Link& link, std::uint32_t address, int reports)
{
    std::vector<std::uint8_t> request(6);
    request[0] = kCmdReadFlash;
    put32(request.data(), 1, address);
    request[5] = static_cast<std::uint8_t>(reports);
    const auto stream = link.stream(request);
    EXPECT_EQ(stream.size(), static_cast<std::size_t>(reports));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(reports) * 60);
    for (std::size_t k = 0; k < stream.size(); ++k) {
        EXPECT_EQ(stream[k][0], 0x9A);
        EXPECT_EQ(field16(stream[k], 1), 60 * k);
        EXPECT_EQ(stream[k][3], reports - 1 - static_cast<int>(k));
        std::copy(stream[k].begin() + 4, stream[k].end(), bytes.begin() + field16(stream[k], 1));
    }
    return bytes;
}

TEST_F(VirtualFlash, FactoryRecordFollowsTheFlashLayout)
{
    const auto flash = hub().readFlash(0);
    ASSERT_EQ(flash.size(), 120000u);
    bool allCrLf = false;
    const auto lines = recordLines(flash, allCrLf);
    EXPECT_TRUE(allCrLf);
    ASSERT_EQ(lines.size(), 10974u);

    const std::string& header = lines[0];
    ASSERT_EQ(header.size(), 16u);
    EXPECT_EQ(header[5], '.');
    EXPECT_EQ(header.substr(10), "Y00123");
    EXPECT_NE(header[0], 'R');
    EXPECT_EQ(lines[1], "1.000000e+00\t");
    EXPECT_EQ(lines[2], "532.100000\t");
    for (int n = 4; n <= 12; ++n) EXPECT_EQ(lines[n - 1], "") << "line " << n;
    EXPECT_EQ(lines[3665], "");
    EXPECT_EQ(lines[7319], "0");
    EXPECT_EQ(lines[10973], "0");

    // Block A: detector order, wavelength falling; its model matches the CCD model.
    const std::vector<double> wavelength = hub().device(0).factoryCalibration().wavelength;
    double previous = 1e9;
    for (int k = 0; k < 3653; ++k) {
        const std::string& a = lines[12 + k];
        ASSERT_EQ(a.back(), '\t');
        const double nm = std::atof(a.c_str());
        EXPECT_LT(nm, previous);
        previous = nm;
        EXPECT_NEAR(nm, wavelength[k], 0.0006);
        const double sensitivity = std::atof(lines[3666 + k].c_str());
        const double irradiance = std::atof(lines[7320 + k].c_str());
        EXPECT_TRUE(sensitivity >= 0.2 && sensitivity <= 1.5) << sensitivity;
        EXPECT_TRUE(irradiance >= 0.2 && irradiance <= 1.5) << irradiance;
    }
    EXPECT_NEAR(std::atof(lines[12].c_str()), 949.658, 0.001);
    EXPECT_NEAR(std::atof(lines[12 + 3652].c_str()), 210.43, 0.01);
}

TEST_F(VirtualFlash, EachInstrumentHasItsOwnIdentityAndRamanOnesSayR)
{
    const auto second = hub().readFlash(1);
    EXPECT_EQ(std::string(second.begin() + 10, second.begin() + 16), "Y00124");
    EXPECT_EQ(hub().serialNumber(1), "VT00124");
    EXPECT_NE(hub().readFlash(0), second);

    hub().setSceneAll(Scene::Raman);
    hub().device(0).restoreFactoryFlash();
    const auto raman = hub().readFlash(0);
    EXPECT_EQ(raman[0], 'R');
    EXPECT_EQ(raman[5], '.');
    EXPECT_EQ(raman[10], 'Y');
}

TEST_F(VirtualFlash, EraseWriteReadRoundTrip)
{
    Link link;
    // The factory record reads back over the protocol as stored, across a chunk boundary.
    const auto stored = hub().readFlash(0);
    const auto page1 = readOverProtocol(link, 6000, 100);
    EXPECT_TRUE(std::equal(page1.begin(), page1.end(), stored.begin() + 6000));

    EXPECT_EQ(link.transact({kCmdEraseFlash})[1], 0);
    for (std::uint8_t byte : hub().readFlash(0)) ASSERT_EQ(byte, 0xFF);

    // 100 bytes in two writes of 58 and 42, at an odd address.
    std::vector<std::uint8_t> data(100);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::uint32_t address = 5990;
    for (std::size_t done = 0; done < data.size();) {
        const std::size_t n = std::min<std::size_t>(58, data.size() - done);
        std::vector<std::uint8_t> request(6 + n);
        request[0] = kCmdWriteFlash;
        put32(request.data(), 1, address);
        request[5] = static_cast<std::uint8_t>(n);
        std::copy(data.begin() + done, data.begin() + done + n, request.begin() + 6);
        const Report r = link.transact(request);
        EXPECT_EQ(r[0], 0x9B);
        EXPECT_EQ(r[1], 0);
        done += n;
        address += static_cast<std::uint32_t>(n);
    }
    const auto back = readOverProtocol(link, 5990, 2);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin()));
    EXPECT_EQ(back[100], 0xFF);

    // Past the end of the 20 pages: refused, nothing written.
    std::vector<std::uint8_t> beyond(6 + 10, 0);
    beyond[0] = kCmdWriteFlash;
    put32(beyond.data(), 1, 119995);
    beyond[5] = 10;
    EXPECT_EQ(link.transact(beyond)[1], kStatusBadParameter);
    EXPECT_EQ(hub().readFlash(0)[119999], 0xFF);
}

}  // namespace
}  // namespace vantrel::test
