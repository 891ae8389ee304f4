// A session on the virtual spectrometer through the real device library,
// with instant timing and no faults, in a temporary current folder.
#pragma once

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "FakeSpectrometer.h"
#include "SessionTestSupport.h"
#include "acquisition/SpectrometerLink.h"
#include "support/PromptRecorder.h"
#include "vantrel_shared.h"
#include "virtual/VirtualHub.h"

namespace halden::test {

class VirtualSessionTest : public ::testing::Test {
protected:
    VirtualSessionTest()
    {
        testApplication();
        setenv("VANTREL_VIRTUAL", "1", 1);
        setenv("VANTREL_VIRTUAL_TIMING", "instant", 1);
        unsetenv("VANTREL_VIRTUAL_FAULTS");
        disconnectLibrary();
        vantrel::virt::hub().reset();
        session = std::make_unique<Session>(prompt, link, pacer);
    }
    ~VirtualSessionTest() override
    {
        session.reset();
        vantrel::virt::hub().clearFaults();
        disconnectLibrary();
    }

    TemporaryCurrentDir cwd;
    LibraryLink link;
    RecordingPacer pacer;
    PromptRecorder prompt;
    std::unique_ptr<Session> session;
};

}  // namespace halden::test
