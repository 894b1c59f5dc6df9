#include "app/CommandLine.h"
#include "app/Version.h"
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace CommandLine {
namespace {

bool wholeNumber(std::string_view text, std::size_t maxDigits = 5) {
    return !text.empty() && text.size() <= maxDigits &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Seconds: a whole or decimal number, at most a day.
std::optional<double> seconds(std::string_view text) {
    std::size_t digits = 0, dots = 0;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            ++digits;
        else if (c == '.')
            ++dots;
        else
            return std::nullopt;
    }
    if (digits == 0 || dots > 1 || text.size() > 12)
        return std::nullopt;
    const double value = std::stod(std::string(text));
    return value <= 86400 ? std::optional<double>(value) : std::nullopt;
}

} // namespace

std::string usage() {
    return "Uso / Usage:\n"
           "  mirasito                         apre la finestra / opens the window\n"
           "  mirasito --copia INDIRIZZO CARTELLA [--livello N] [--senza-sorgente] [--nascosto]\n"
           "                 [--completa [--max-file N] [--ignora-robots] [--attesa SECONDI]\n"
           "                  [--connessioni N] [--come-servito] [--aggiorna | --ricopia]]\n"
           "  mirasito --copy ADDRESS FOLDER [--level N] [--no-source] [--hidden]\n"
           "                 [--complete [--max-file N] [--ignore-robots] [--wait SECONDS]\n"
           "                  [--connections N] [--as-served] [--update | --refetch]]\n"
           "      copia il sito in CARTELLA come \"Copia sito\", poi esce\n"
           "      copies the site into FOLDER as \"Copia sito\" does, then exits\n"
           "  --livello, --level N       livello massimo (predefinito 4) / maximum level (default 4)\n"
           "  --senza-sorgente, --no-source\n"
           "                             senza \"Visualizza sorgente .HTML\": scarica le pagine\n"
           "                             without \"Visualizza sorgente .HTML\": downloads the pages\n"
           "  --nascosto, --hidden       senza finestra / without a window\n"
           "  --completa, --complete     copia completa: ogni riferimento, le cartelle del sito,\n"
           "                             nessun messaggio per file, un resoconto nella CARTELLA /\n"
           "                             complete copy: every reference, the site's folders, no box\n"
           "                             per file, a report in FOLDER\n"
           "  --max-file N               copia completa: al massimo N file (predefinito 100000) /\n"
           "                             complete copy: at most N files (default 100000)\n"
           "  --ignora-robots, --ignore-robots\n"
           "                             copia completa: senza le regole di robots.txt /\n"
           "                             complete copy: without the rules of robots.txt\n"
           "  --attesa, --wait SECONDI   copia completa: pausa tra due richieste, una alla volta /\n"
           "                             complete copy: pause between two requests, one at a time\n"
           "  --connessioni, --connections N\n"
           "                             copia completa: richieste al sito alla volta, da 1 a 16\n"
           "                             (predefinito 4) / complete copy: requests to the site at a\n"
           "                             time, 1 to 16 (default 4)\n"
           "  --come-servito, --as-served\n"
           "                             copia completa: ogni file come servito, senza rendere le\n"
           "                             pagine leggibili dal disco / complete copy: every file as\n"
           "                             served, pages not made readable from the disk\n"
           "  --aggiorna, --update       copia completa su una copia precedente: solo i file cambiati\n"
           "                             (come fa da sola) / complete copy over an earlier one: only\n"
           "                             what changed (as it does by itself)\n"
           "  --ricopia, --refetch       copia completa: ogni file richiesto di nuovo /\n"
           "                             complete copy: every file fetched again\n"
           "  --version                  versione / version\n"
           "  --aiuto, --help, -h        questo testo / this text\n"
           "Esito / Exit status: 0 copia terminata / copy finished; 2 limite di 2000 riferimenti o\n"
           "  di file / 2000-reference or file limit; 1 copia interrotta / copy stopped early;\n"
           "  130 e 143 copia completa fermata da Ctrl+C o SIGTERM (riprende alla prossima copia) /\n"
           "  complete copy stopped by Ctrl+C or SIGTERM (taken up by the next copy);\n"
           "  64 uso errato / usage error\n";
}

Request parse(int argc, const char* const* argv) {
    Request r;
    bool copy = false, copyOption = false, completeOption = false;
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
        } else if (arg == "--completa" || arg == "--complete") {
            r.copy.complete = copyOption = true;
        } else if (arg == "--max-file") {
            if (!hasValue || !wholeNumber(argv[i + 1], 9) || std::stoi(argv[i + 1]) < 1)
                return fail(std::string(arg) + " wants a whole number from 1");
            r.copy.maxFiles = std::stoi(argv[++i]);
            completeOption = true;
        } else if (arg == "--aggiorna" || arg == "--update") {
            r.copy.update = r.copy.complete = copyOption = true;
        } else if (arg == "--ricopia" || arg == "--refetch") {
            r.copy.refetch = r.copy.complete = copyOption = true;
        } else if (arg == "--ignora-robots" || arg == "--ignore-robots") {
            r.copy.ignoreRobots = completeOption = true;
        } else if (arg == "--connessioni" || arg == "--connections") {
            if (!hasValue || !wholeNumber(argv[i + 1], 2) || std::stoi(argv[i + 1]) < 1 || std::stoi(argv[i + 1]) > 16)
                return fail(std::string(arg) + " wants a whole number from 1 to 16");
            r.copy.connections = std::stoi(argv[++i]);
            completeOption = true;
        } else if (arg == "--come-servito" || arg == "--as-served") {
            r.copy.asServed = completeOption = true;
        } else if (arg == "--attesa" || arg == "--wait") {
            const std::optional<double> wait = hasValue ? seconds(argv[i + 1]) : std::nullopt;
            if (!wait)
                return fail(std::string(arg) + " wants seconds (0 to 86400)");
            r.copy.waitSeconds = *wait;
            ++i;
            completeOption = true;
        } else if (arg.size() > 2 && arg.substr(0, 2) == "--") {
            return fail("unknown option " + std::string(arg));
        }
        // Anything else (Qt's own options and their values) is Qt's.
    }
    if ((copyOption || completeOption) && !copy)
        return fail("these options go with --copia");
    if (r.copy.update && r.copy.refetch)
        return fail("--aggiorna and --ricopia exclude each other");
    if (completeOption && !r.copy.complete)
        return fail("--max-file, --ignora-robots, --attesa, --connessioni and --come-servito go with --completa");
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
