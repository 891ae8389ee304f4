// SIGINT and SIGTERM arrive as a quit request on the event loop.
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include "WindowFixture.h"
#include "window/QuitOnSignal.h"

namespace halden::test {
namespace {

TEST(QuitOnSignal, BothSignalsBecomeAQuitRequest)
{
    windowApplication();
    QuitOnSignal quit;
    ASSERT_TRUE(quit.installed());
    QSignalSpy spy(&quit, &QuitOnSignal::quitRequested);
    std::raise(SIGTERM);
    ASSERT_TRUE(spy.wait(kWaitMs));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(spy.count() == 1 || spy.wait(kWaitMs));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGINT);
}

}  // namespace
}  // namespace halden::test
