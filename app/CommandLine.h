#pragma once
#include <optional>
#include <ostream>
#include <string>

// What the command line asks for. With no option of ours the program opens its
// window; Qt's own options (-platform ...) are left to Qt.
namespace CommandLine {

// A copy without a person: the boxes of the window filled from the line, then the
// same "Copia sito" a click would run.
struct CopyRequest {
    std::string address;
    std::string destination;
    std::optional<std::string> level; // Text2; the window's own value when absent
    bool withoutSource = false;       // Check3 unticked
    bool hidden = false;              // no window shown
    // A complete copy ("Copia completa" ticked) and its own choices.
    bool complete = false;
    std::optional<int> maxFiles;      // the file limit; the copy's own when absent
    double waitSeconds = 0;           // between two requests
    bool ignoreRobots = false;
    // Over an earlier complete copy: --aggiorna asks for changes only (as a complete
    // copy does by itself), --ricopia fetches every file again.
    bool update = false;
    bool refetch = false;
    std::optional<int> connections;   // requests to the site at a time; the copy's own when absent
    bool asServed = false;            // files kept as served, no page made readable offline
};

struct Request {
    enum class Action { OpenWindow, Version, Help, UsageError, Copy } action = Action::OpenWindow;
    CopyRequest copy;
    std::string error; // for UsageError
};

Request parse(int argc, const char* const* argv);

// The usage text, in Italian and English.
std::string usage();

// Exit code 2: a complete copy stopped at its file limit, or the reference limit of
// the other copy was passed.
inline constexpr int kLimitReached = 2;

// Exit code 64: the command line could not be understood.
inline constexpr int kUsageError = 64;

// Answers what needs no window (version, help, a usage error) and gives the exit
// code; nothing when the program goes on to its window or to a copy.
std::optional<int> answerEarly(const Request& request, std::ostream& out, std::ostream& err);

// parse and answerEarly in one.
std::optional<int> handleEarly(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace CommandLine
