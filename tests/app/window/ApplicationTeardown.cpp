// Deletes the window tests' one QApplication after the last test, so it and
// what it allocated do not outlive the program's checks.
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

class ApplicationTeardown : public ::testing::Environment {
public:
    void TearDown() override { delete QCoreApplication::instance(); }
};

[[maybe_unused]] ::testing::Environment* const g_teardown =
    ::testing::AddGlobalTestEnvironment(new ApplicationTeardown);

}  // namespace
