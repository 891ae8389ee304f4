// Talks to a virtual spectrometer report by report, the way the library does.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "virtual/Protocol.h"
#include "virtual/VirtualBackend.h"
#include "virtual/VirtualHub.h"

namespace vantrel::test {

using Report = std::array<std::uint8_t, 64>;

inline std::uint16_t field16(const Report& r, std::size_t at) { return virt::get16(r.data(), at); }
inline std::uint32_t field32(const Report& r, std::size_t at) { return virt::get32(r.data(), at); }

// One open handle on a virtual device.
class Link {
public:
    explicit Link(int index = 0)
        : m_device(virt::virtualBackend().open(virt::kVendorId, virt::kProductId,
                                               virt::hub().serialNumber(index).c_str()))
    {
    }
    bool isOpen() const { return m_device != nullptr; }

    // Writes report id 0 and the payload (zero-padded to 64 bytes).
    int send(const std::vector<std::uint8_t>& payload)
    {
        std::array<std::uint8_t, 65> wire{};
        for (std::size_t i = 0; i < payload.size() && i < 64; ++i) wire[i + 1] = payload[i];
        return m_device->write(wire.data(), wire.size());
    }

    std::optional<Report> receive(int milliseconds = 100)
    {
        Report r{};
        const int n = m_device->readTimeout(r.data(), r.size(), milliseconds);
        if (n != 64) return std::nullopt;
        return r;
    }

    // Sends a request and returns its single reply (all zero when none came).
    Report transact(const std::vector<std::uint8_t>& payload)
    {
        EXPECT_EQ(send(payload), 65);
        const auto r = receive();
        EXPECT_TRUE(r.has_value()) << "no reply to command " << int(payload.at(0));
        return r.value_or(Report{});
    }

    // All reports of a multi-report reply, in arrival order.
    std::vector<Report> stream(const std::vector<std::uint8_t>& payload)
    {
        std::vector<Report> reports;
        EXPECT_EQ(send(payload), 65);
        while (auto r = receive()) {
            reports.push_back(*r);
            if ((*r)[3] == 0) break;
        }
        return reports;
    }

    hid::Device& device() { return *m_device; }

private:
    std::unique_ptr<hid::Device> m_device;
};

inline std::vector<std::uint8_t> acquisitionParameters(std::uint16_t scans, std::uint16_t blank,
                                                       std::uint8_t mode, std::uint32_t exposure)
{
    std::vector<std::uint8_t> p(10);
    p[0] = virt::kCmdSetAcquisitionParameters;
    virt::put16(p.data(), 1, scans);
    virt::put16(p.data(), 3, blank);
    p[5] = mode;
    virt::put32(p.data(), 6, exposure);
    return p;
}

inline std::vector<std::uint8_t> frameRequest(std::uint16_t frame, std::uint8_t reports = 124)
{
    std::vector<std::uint8_t> p(6);
    p[0] = virt::kCmdGetFrame;
    virt::put16(p.data(), 3, frame);
    p[5] = reports;
    return p;
}

// Pixels of a frame stream, placed by the pixel index each report carries.
inline std::vector<std::uint16_t> pixelsOf(const std::vector<Report>& reports, int length = 3694)
{
    std::vector<std::uint16_t> pixels(static_cast<std::size_t>(length), 0);
    for (const Report& r : reports)
        for (int j = 0; j < 30; ++j) {
            const int at = field16(r, 1) + j;
            if (at < length) pixels[static_cast<std::size_t>(at)] = field16(r, 4 + 2 * static_cast<std::size_t>(j));
        }
    return pixels;
}

// Every test starts from factory-fresh lamp instruments in instant timing,
// whatever scene or faults the shell running the tests has set.
class VirtualTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("VANTREL_VIRTUAL_SCENE");
        unsetenv("VANTREL_VIRTUAL_FAULTS");
        virt::hub().reset();
        virt::hub().setTiming(virt::Timing::Instant);
        virt::hub().setDeviceCount(2);
    }
    void TearDown() override
    {
        virt::hub().clearFaults();
        virt::hub().reset();
    }
};

}  // namespace vantrel::test
