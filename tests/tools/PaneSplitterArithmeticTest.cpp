// The splitter's arithmetic alone: the designed layout, a window 8595 twips high
// outside, and drops on either pane.
#include "tools/PaneSplitter.h"

#include <gtest/gtest.h>

namespace {

const SplitterGeometry kDesigned{855, 4125, 4995, 195, 5160, 2985};

struct DropCase {
    const char* name;
    DropPane pane;
    float windowHeight;
    float y;
    SplitterGeometry expected;
    double WY;
};

void PrintTo(const DropCase& c, std::ostream* os) { *os << c.name; }

class SplitterDropTest : public ::testing::TestWithParam<DropCase> {};

TEST_P(SplitterDropTest, MovesPanesAndButton) {
    const DropCase& c = GetParam();
    const SplitterMove move = splitterDrop(kDesigned, c.windowHeight, c.y, c.pane);
    const SplitterGeometry& g = move.geometry;
    EXPECT_FLOAT_EQ(g.sourceTop, c.expected.sourceTop);
    EXPECT_FLOAT_EQ(g.sourceHeight, c.expected.sourceHeight);
    EXPECT_FLOAT_EQ(g.buttonTop, c.expected.buttonTop);
    EXPECT_FLOAT_EQ(g.buttonHeight, c.expected.buttonHeight);
    EXPECT_FLOAT_EQ(g.browserTop, c.expected.browserTop);
    EXPECT_FLOAT_EQ(g.browserHeight, c.expected.browserHeight);
    EXPECT_DOUBLE_EQ(move.WY, c.WY);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, SplitterDropTest,
    ::testing::Values(
        // Source pane: shorter source, taller browser right under it.
        DropCase{"source_2000", DropPane::Source, 8595, 2000, {855, 1900, 2755, 195, 2915, 5295}, 2000},
        // At 180 the source pane becomes 200 high and WY 200; at 181 it is 81 high.
        DropCase{"source_180", DropPane::Source, 8595, 180, {855, 200, 1055, 195, 1215, 7095}, 200},
        DropCase{"source_181", DropPane::Source, 8595, 181, {855, 81, 936, 195, 1096, 7114}, 181},
        DropCase{"source_top_edge", DropPane::Source, 8595, 0, {855, 200, 1055, 195, 1215, 7095}, 200},
        // So low that the browser would be 180 or less: only the source height changes.
        DropCase{"source_B_181", DropPane::Source, 8595, 7114, {855, 7014, 7869, 195, 8029, 181}, 7114},
        DropCase{"source_B_180", DropPane::Source, 8595, 7115, {855, 7015, 4995, 195, 5160, 2985}, 7115},
        // At 180 or less in a short window: the browser needs more than 200.
        DropCase{"source_180_short_B_201", DropPane::Source, 1701, 100, {855, 200, 1055, 195, 1215, 201}, 200},
        DropCase{"source_180_short_B_200", DropPane::Source, 1700, 100, {855, 200, 4995, 195, 5160, 2985}, 200},
        // Browser pane: its bottom stays, the button sits 180 above it, the source fills the rest.
        DropCase{"browser_1000", DropPane::Browser, 8595, 1000, {855, 5135, 5980, 195, 6160, 1985}, 1000},
        DropCase{"browser_left_101", DropPane::Browser, 8595, 2884, {855, 7019, 7864, 195, 8044, 101}, 2884},
        // 100 or less left of the browser: nothing moves, WY still kept.
        DropCase{"browser_left_100", DropPane::Browser, 8595, 2885, kDesigned, 2885},
        DropCase{"browser_below_bottom", DropPane::Browser, 8595, 4000, kDesigned, 4000},
        // A window so small that the source height would be zero or less: that one setting is left out.
        DropCase{"browser_source_1", DropPane::Browser, 3461, 1000, {855, 1, 5980, 195, 6160, 1985}, 1000},
        DropCase{"browser_source_0", DropPane::Browser, 3460, 1000, {855, 4125, 5980, 195, 6160, 1985}, 1000},
        DropCase{"browser_source_negative", DropPane::Browser, 3000, 1000, {855, 4125, 5980, 195, 6160, 1985}, 1000}),
    [](const ::testing::TestParamInfo<DropCase>& info) { return std::string(info.param.name); });

// Every result is rounded to single precision as it is assigned, and later steps
// read the rounded values.
TEST(SplitterDropPrecision, ResultsAreSinglePrecision) {
    const SplitterGeometry start{855.3f, 4125, 4995, 195.7f, 5160.1f, 2985.9f};
    const float y = 1000.37f;
    const SplitterMove move = splitterDrop(start, 8595.11f, y, DropPane::Browser);
    const float browserHeight = static_cast<float>(double(2985.9f) - double(y));
    EXPECT_EQ(move.geometry.browserHeight, browserHeight);
    EXPECT_EQ(move.geometry.browserTop, static_cast<float>(double(5160.1f) + y));
    EXPECT_EQ(move.geometry.buttonTop, static_cast<float>(double(5160.1f) + y - 180));
    EXPECT_EQ(move.geometry.sourceHeight,
              static_cast<float>(double(8595.11f) - browserHeight - 180 - 1100 - double(195.7f)));
    EXPECT_DOUBLE_EQ(move.WY, double(y));
}

} // namespace
