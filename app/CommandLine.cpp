#include "app/CommandLine.h"
#include "app/Version.h"
#include <algorithm>
#include <cctype>
#include <string_view>

namespace CommandLine {
namespace {

bool wholeNumber(std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

} // namespace

std::string usage() {
    return "Uso / Usage:\n"
           "  mirasito                         apre la finestra / opens the window\n"
           "  mirasito --copia INDIRIZZO CARTELLA [--livello N] [--senza-sorgente] [--nascosto]\n"
           "  mirasito --copy ADDRESS FOLDER [--level N] [--no-source] [--hidden]\n"
           "      copia il sito in CARTELLA come \"Copia sito\", poi esce\n"
           "      copies the site into FOLDER as \"Copia sito\" does, then exits\n"
           "  --livello, --level N       livello massimo (predefinito 4) / maximum level (default 4)\n"
           "  --senza-sorgente, --no-source\n"
           "                             senza \"Visualizza sorgente .HTML\": scarica le pagine\n"
           "                             without \"Visualizza sorgente .HTML\": downloads the pages\n"
           "  --nascosto, --hidden       senza finestra / without a window\n"
           "  --version                  versione / version\n"
           "  --aiuto, --help, -h        questo testo / this text\n"
           "Esito / Exit status: 0 copia terminata / copy finished; 2 limite di 2000 riferimenti /\n"
           "  2000-reference limit; 1 copia interrotta / copy stopped early; 64 uso errato / usage error\n";
}

Request parse(int argc, const char* const* argv) {
    Request r;
    bool copy = false, copyOption = false;
    auto fail = [&r](std::string error) {
        r.action = Request::Action::UsageError;
        r.error = std::move(error);
        return r;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--version") {
            r.action = Request::Action::Version;
            return r;
        }
        if (arg == "--help" || arg == "--aiuto" || arg == "-h") {
            r.action = Request::Action::Help;
            return r;
        }
        if (arg == "--copia" || arg == "--copy") {
            if (copy)
                return fail(std::string(arg) + " given twice");
            // An option where a value should stand means the values are missing.
            if (i + 2 >= argc || std::string_view(argv[i + 1]).substr(0, 2) == "--" ||
                std::string_view(argv[i + 2]).substr(0, 2) == "--")
                return fail(std::string(arg) + " wants an address and a folder");
            r.copy.address = argv[++i];
            r.copy.destination = argv[++i];
            copy = true;
        } else if (arg == "--livello" || arg == "--level") {
            if (!hasValue || !wholeNumber(argv[i + 1]))
                return fail(std::string(arg) + " wants a whole number");
            r.copy.level = argv[++i];
            copyOption = true;
        } else if (arg == "--senza-sorgente" || arg == "--no-source") {
            r.copy.withoutSource = copyOption = true;
        } else if (arg == "--nascosto" || arg == "--hidden") {
            r.copy.hidden = copyOption = true;
        } else if (arg.size() > 2 && arg.substr(0, 2) == "--") {
            return fail("unknown option " + std::string(arg));
        }
        // Anything else (Qt's own options and their values) is Qt's.
    }
    if (copyOption && !copy)
        return fail("these options go with --copia");
    if (copy)
        r.action = Request::Action::Copy;
    return r;
}

std::optional<int> answerEarly(const Request& request, std::ostream& out, std::ostream& err) {
    switch (request.action) {
    case Request::Action::Version:
        out << "Mirasito " << kMirasitoVersion << '\n';
        return 0;
    case Request::Action::Help:
        out << usage();
        return 0;
    case Request::Action::UsageError:
        err << "mirasito: " << request.error << '\n' << usage();
        return kUsageError;
    case Request::Action::OpenWindow:
    case Request::Action::Copy:
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<int> handleEarly(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    return answerEarly(parse(argc, argv), out, err);
}

} // namespace CommandLine
