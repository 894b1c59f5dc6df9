// The name the save dialog proposes for the source pane.
#include "tools/ProposedSaveName.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* address;
    const char* dest;
    const char* expected;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << '"' << c.address << '"'; }

class ProposedSaveNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ProposedSaveNameTest, Proposes) {
    const NameCase& c = GetParam();
    EXPECT_EQ(proposedSaveName(QString::fromUtf8(c.address), QString::fromUtf8(c.dest)).toStdString(),
              std::string(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProposedSaveNameTest,
    ::testing::Values(
        NameCase{"C:\\TMP\\indice.htm", "C:\\TMP\\", "C:\\TMP\\indice_htm.HTM"},
        NameCase{"http://www.digiland.example/cerca/pagina.asp?id=3+4", "C:\\TMP\\", "C:\\TMP\\pagina_asp_id=3_4.HTM"},
        NameCase{"ftp://server", "C:\\TMP\\", "C:\\TMP\\server.HTM"},
        NameCase{"http://www.digiland.example/", "C:\\TMP\\", "C:\\TMP\\.HTM"},
        NameCase{"C:\\TMP\\SITO\\", "C:\\TMP\\", "C:\\TMP\\.HTM"},
        NameCase{"pagina", "C:\\TMP\\", "C:\\TMP\\pagina.HTM"},
        // No destination yet: the bare name.
        NameCase{"pagina", "", "pagina.HTM"},
        // Blanks at both ends go, blanks inside stay.
        NameCase{"   http://host/mia pagina.htm  ", "D:\\", "D:\\mia pagina_htm.HTM"},
        // Only "." "?" "+" change; colons, equals, ampersands, percents and case stay.
        NameCase{"http://h/A.b?x=1&y=%20+Z:", "", "A_b_x=1&y=%20_Z:.HTM"},
        // A mix of separators: the last one of either kind counts.
        NameCase{"C:\\TMP/sub\\p.htm", "", "p_htm.HTM"},
        // A tab is no blank: it stays.
        NameCase{"\tpagina", "", "\tpagina.HTM"}));

} // namespace
