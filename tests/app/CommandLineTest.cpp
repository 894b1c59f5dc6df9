// What the command line serves before the window: --version, and nothing else yet.
#include "app/CommandLine.h"
#include "app/Version.h"
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <vector>

TEST(CommandLine, VersionIsAnsweredWithoutTheWindowAndAnythingElseOpensIt) {
    const std::string version = std::string("Mirasito ") + kMirasitoVersion + "\n";
    const struct { std::vector<const char*> args; std::optional<int> code; std::string out; } cases[] = {
        {{"mirasito"}, std::nullopt, ""},
        {{"mirasito", "--version"}, 0, version},
        {{"mirasito", "-platform", "offscreen", "--version"}, 0, version},
        {{"mirasito", "-platform", "offscreen"}, std::nullopt, ""},
        {{"mirasito", "-version"}, std::nullopt, ""},
        {{"mirasito", "--versione"}, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        const auto code = CommandLine::handleEarly(int(c.args.size()), c.args.data(), out);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(out.str(), c.out);
    }
    // The project's version, as Debian will compare it.
    EXPECT_TRUE(std::regex_match(kMirasitoVersion, std::regex(R"(\d+(\.\d+)+)"))) << kMirasitoVersion;
}
