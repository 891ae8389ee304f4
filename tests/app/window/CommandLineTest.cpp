// The halden command line.
#include <gtest/gtest.h>

#include "window/CommandLine.h"

namespace halden {
namespace {

TEST(WindowCommandLine, ReadsEveryOption)
{
    const WindowOptions o = parseWindowOptions({"--virtual=3", "--scene", "raman", "--run"});
    EXPECT_TRUE(o.error.empty());
    EXPECT_EQ(o.virtualCount, 3);
    EXPECT_EQ(o.scene, "raman");
    EXPECT_TRUE(o.run);
    EXPECT_EQ(parseWindowOptions({"--virtual"}).virtualCount, 1);
    EXPECT_EQ(parseWindowOptions({}).virtualCount, -1);
    EXPECT_EQ(parseWindowOptions({"--scene=led"}).scene, "led");
    EXPECT_TRUE(parseWindowOptions({"--help"}).help);
    EXPECT_TRUE(parseWindowOptions({"--version"}).version);
    EXPECT_TRUE(parseWindowOptions({"--reset-settings"}).resetSettings);
    EXPECT_FALSE(parseWindowOptions({}).resetSettings);
}

TEST(WindowCommandLine, RefusesWhatItCannotUse)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--virtual=33"}, {"--virtual=x"}, {"--virtual="}, {"--scene"}, {"--scene", "moon"}, {"-x"}})
        EXPECT_FALSE(parseWindowOptions(args).error.empty()) << args[0];
}

}  // namespace
}  // namespace halden
