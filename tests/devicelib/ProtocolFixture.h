// A handle record on one scripted device, for the protocol tests.
#pragma once

#include <gtest/gtest.h>

#include "protocol/Protocol.h"
#include "protocol/Transactions.h"
#include "support/ScriptedHid.h"

namespace vantrel::test {

class ProtocolTest : public ::testing::Test {
protected:
    ProtocolTest() : device(hid.addDevice(std::string("SN-1"))) { record.serialNumber = "SN-1"; }

    // The single request the transaction wrote.
    WrittenReport onlyWrite() const
    {
        const auto written = device.writes();
        EXPECT_EQ(written.size(), 1u);
        return written.empty() ? WrittenReport{std::vector<std::uint8_t>(65), 0} : written.front();
    }

    ScriptedHid hid;
    ScopedBackend installed{hid};
    ScriptedDevice& device;
    protocol::HandleRecord record;
};

}  // namespace vantrel::test
