#pragma once
#include <optional>
#include <ostream>

// What the command line asks for before any window exists. Each option that ends the run
// early is one branch of handleEarly; everything else on the line is left to Qt.
namespace CommandLine {

// The exit code when the command line was served here (its output written to out);
// nothing when the program should go on and open its window.
std::optional<int> handleEarly(int argc, const char* const* argv, std::ostream& out);

} // namespace CommandLine
