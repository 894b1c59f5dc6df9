// What the command line asks for: the answers given before any window, and the
// copy's options.
#include "app/CommandLine.h"
#include "app/Version.h"
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <vector>

using CommandLine::Request;

TEST(CommandLine, EarlyAnswersAndUsageErrors) {
    const std::string version = std::string("Mirasito ") + kMirasitoVersion + "\n";
    const std::string usage = CommandLine::usage();
    const struct { std::vector<const char*> args; std::optional<int> code; std::string out; bool err; } cases[] = {
        {{"mirasito"}, std::nullopt, "", false},
        {{"mirasito", "--version"}, 0, version, false},
        {{"mirasito", "-platform", "offscreen", "--version"}, 0, version, false},
        {{"mirasito", "-platform", "offscreen"}, std::nullopt, "", false},
        {{"mirasito", "-version"}, std::nullopt, "", false},
        {{"mirasito", "--help"}, 0, usage, false},
        {{"mirasito", "-h"}, 0, usage, false},
        {{"mirasito", "--versione"}, 64, "", true},
        {{"mirasito", "--copia"}, 64, "", true},
        {{"mirasito", "--copia", "http://h/"}, 64, "", true},
        {{"mirasito", "--copia", "http://h/", "--nascosto"}, 64, "", true},
        {{"mirasito", "--copia", "http://h/", "/tmp/d", "--livello"}, 64, "", true},
        {{"mirasito", "--copia", "http://h/", "/tmp/d", "--livello", "tre"}, 64, "", true},
        {{"mirasito", "--copia", "a", "b", "--copy", "c", "d"}, 64, "", true},
        {{"mirasito", "--nascosto"}, 64, "", true},
        {{"mirasito", "--copia", "http://h/", "/tmp/d"}, std::nullopt, "", false},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        const auto code = CommandLine::handleEarly(int(c.args.size()), c.args.data(), out, err);
        SCOPED_TRACE(::testing::PrintToString(c.args));
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(out.str(), c.out);
        // A usage error names what was wrong, then gives the usage.
        EXPECT_EQ(!err.str().empty(), c.err);
        if (c.err)
            EXPECT_NE(err.str().find(usage), std::string::npos);
    }
    // The usage speaks both languages.
    for (const char* word : {"--copia", "--copy", "--livello", "--level", "--nascosto", "--hidden"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    // The project's version, as Debian will compare it.
    EXPECT_TRUE(std::regex_match(kMirasitoVersion, std::regex(R"(\d+(\.\d+)+)"))) << kMirasitoVersion;
}

TEST(CommandLine, CopyOptionsInEitherLanguage) {
    const struct { std::vector<const char*> args; const char* level; bool withoutSource, hidden; } cases[] = {
        {{"m", "--copia", "www.h/a.htm", "C:\\TMP"}, nullptr, false, false},
        {{"m", "--copy", "www.h/a.htm", "C:\\TMP", "--level", "2", "--no-source", "--hidden"}, "2", true, true},
        {{"m", "--livello", "7", "--nascosto", "--copia", "www.h/a.htm", "C:\\TMP", "--senza-sorgente"}, "7", true, true},
        {{"m", "-platform", "offscreen", "--copia", "www.h/a.htm", "C:\\TMP"}, nullptr, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Request r = CommandLine::parse(int(c.args.size()), c.args.data());
        ASSERT_EQ(r.action, Request::Action::Copy);
        EXPECT_EQ(r.copy.address, "www.h/a.htm");
        EXPECT_EQ(r.copy.destination, "C:\\TMP");
        EXPECT_EQ(r.copy.level.value_or("-"), c.level ? c.level : "-");
        EXPECT_EQ(r.copy.withoutSource, c.withoutSource);
        EXPECT_EQ(r.copy.hidden, c.hidden);
    }
}
