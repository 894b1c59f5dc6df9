// The progress line at a terminal: written over in place, at most a few times a second,
// and ending with the last figures told even when they came too soon to be written.
#include "app/TerminalProgress.h"

#include <gtest/gtest.h>
#include <sstream>

TEST(TerminalProgress, WrittenOverInPlaceAndEndingWithTheLastFiguresTold) {
    std::ostringstream err;
    TerminalProgress line(err, true);
    line.update({120, 30, 2500000, 0, 2});
    line.update({123, 27, 2600000, 1, 3});  // too soon after the first to be written
    EXPECT_EQ(err.str().find("123 file"), std::string::npos) << err.str();
    line.finish();
    const std::string out = err.str();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.front(), '\r');
    EXPECT_EQ(out.back(), '\n');
    const std::string last = out.substr(out.rfind('\r') + 1);
    EXPECT_EQ(last.rfind("copia: 123 file, 27 in attesa, 2,6 MB, ", 0), 0u) << last;
    EXPECT_NE(last.find("1 errore"), std::string::npos) << last;
    // A shorter line blanks out what the longer one left.
    EXPECT_GE(last.size() - 1, out.find('\r', 1) - 1) << out;

    // Not at a terminal: nothing at all.
    std::ostringstream quiet;
    TerminalProgress none(quiet, false);
    none.update({1, 0, 10, 0, 1});
    none.finish();
    EXPECT_EQ(quiet.str(), "");
}
