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

TEST(CommandLine, CompleteCopyOptions) {
    const struct { std::vector<const char*> args; bool complete; int maxFiles; double wait; bool ignoreRobots;
                   int connections; bool asServed; } cases[] = {
        {{"m", "--copia", "a", "b", "--completa"}, true, -1, 0, false, -1, false},
        {{"m", "--copy", "a", "b", "--complete", "--max-file", "250", "--wait", "1.5", "--ignore-robots"}, true, 250, 1.5, true, -1, false},
        {{"m", "--attesa", "2", "--ignora-robots", "--completa", "--copia", "a", "b"}, true, -1, 2, true, -1, false},
        {{"m", "--copia", "a", "b", "--completa", "--connessioni", "16", "--come-servito"}, true, -1, 0, false, 16, true},
        {{"m", "--copy", "a", "b", "--complete", "--connections", "1", "--as-served"}, true, -1, 0, false, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const Request r = CommandLine::parse(int(c.args.size()), c.args.data());
        ASSERT_EQ(r.action, Request::Action::Copy);
        EXPECT_EQ(r.copy.complete, c.complete);
        EXPECT_EQ(r.copy.maxFiles.value_or(-1), c.maxFiles);
        EXPECT_EQ(r.copy.waitSeconds, c.wait);
        EXPECT_EQ(r.copy.ignoreRobots, c.ignoreRobots);
        EXPECT_EQ(r.copy.connections.value_or(-1), c.connections);
        EXPECT_EQ(r.copy.asServed, c.asServed);
    }
    // The complete copy's options need it; their values must be numbers.
    const std::vector<std::vector<const char*>> wrong = {
        {"m", "--completa"},
        {"m", "--copia", "a", "b", "--max-file", "10"},
        {"m", "--copia", "a", "b", "--completa", "--max-file", "0"},
        {"m", "--copia", "a", "b", "--completa", "--max-file", "dieci"},
        {"m", "--copia", "a", "b", "--completa", "--max-file"},
        {"m", "--copia", "a", "b", "--ignora-robots"},
        {"m", "--copia", "a", "b", "--completa", "--attesa", "-1"},
        {"m", "--copia", "a", "b", "--completa", "--attesa", "1.2.3"},
        {"m", "--copia", "a", "b", "--completa", "--attesa", "90000"},
        {"m", "--copia", "a", "b", "--completa", "--wait"},
        {"m", "--copia", "a", "b", "--completa", "--connessioni", "0"},
        {"m", "--copia", "a", "b", "--completa", "--connessioni", "17"},
        {"m", "--copia", "a", "b", "--completa", "--connessioni", "quattro"},
        {"m", "--copia", "a", "b", "--connections", "4"},
        {"m", "--copia", "a", "b", "--come-servito"},
    };
    for (const auto& args : wrong)
        EXPECT_EQ(CommandLine::parse(int(args.size()), args.data()).action, Request::Action::UsageError)
            << ::testing::PrintToString(args);
    for (const char* word : {"--completa", "--complete", "--max-file", "--ignora-robots", "--attesa", "--wait",
                             "--connessioni", "--connections", "--come-servito", "--as-served"})
        EXPECT_NE(CommandLine::usage().find(word), std::string::npos) << word;
}
