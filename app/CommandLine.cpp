#include "app/CommandLine.h"
#include "app/Version.h"
#include <string_view>

namespace CommandLine {

std::optional<int> handleEarly(int argc, const char* const* argv, std::ostream& out) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            out << "Mirasito " << kMirasitoVersion << '\n';
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace CommandLine
