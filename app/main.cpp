// Mirasito: copies a web site into a local folder and opens one page at a time.
#include "app/CommandLine.h"
#include "app/CommandLineCopy.h"
#include "app/Module1.h"
#include "app/ProgramEnd.h"
#include "app/WebEngineEnvironment.h"
#include "app/WindowComposition.h"
#include "display/BrowserEngineModule.h"
#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    const CommandLine::Request request = CommandLine::parse(argc, argv);
    if (const auto code = CommandLine::answerEarly(request, std::cout, std::cerr))
        return *code;
    // A hidden copy needs no screen at all (a copy started by cron has none).
    // Nor does it show any page: the browser's libraries are not even loaded.
    const bool hiddenCopy = request.action == CommandLine::Request::Action::Copy && request.copy.hidden;
    if (hiddenCopy && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!hiddenCopy)
        prepareWebEngineEnvironment();
    // The browser pane shares its drawing contexts with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirasito"));
    if (!hiddenCopy && !BrowserEngineModule::load())
        std::cerr << "Mirasito: il riquadro della pagina resta vuoto, il browser non si carica: "
                  << BrowserEngineModule::errorText().toLocal8Bit().toStdString() << std::endl;
    applyWindowComposition();
    if (request.action == CommandLine::Request::Action::Copy) {
        Form3& form = Module1::Main(copyShowsWindow(request.copy));
        // Ends at once, as closing the window does: the browser engine is not taken down.
        endProgramWith(runCommandLineCopy(form, request.copy, std::cout, std::cerr));
    }
    Module1::Main();
    const int code = app.exec();
    Module1::End();
    return code;
}
