// Scripted devices behind the exported interface, and waiting for the end
// of an asynchronous operation.
#pragma once

#include <gtest/gtest.h>

#include <thread>

#include "support/ScriptedHid.h"
#include "vantrel_shared.h"

namespace vantrel::test {

// Polls the slot until its current operation is finished; returns its result.
inline int32_t waitForCompletion(uint32_t deviceIndex)
{
    int32_t code = 0;
    int32_t state = 0;
    for (;;) {
        if (getCurrentOperationInfo(deviceIndex, &code, &state) != 0) return -1;
        if (state == 2) break;
        std::this_thread::yield();
    }
    int32_t result = -1;
    checkLastError(deviceIndex, &result);
    return result;
}

class ApiTest : public ::testing::Test {
protected:
    ScriptedHid hid;
    ScopedBackend installed{hid};
};

}  // namespace vantrel::test
