// Mirasito: copies a web site into a local folder and opens one page at a time.
#include "app/CommandLine.h"
#include "app/CommandLineCopy.h"
#include "app/Module1.h"
#include "app/ProgramEnd.h"
#include "app/WebEngineEnvironment.h"
#include "app/WindowComposition.h"
#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    const CommandLine::Request request = CommandLine::parse(argc, argv);
    if (const auto code = CommandLine::answerEarly(request, std::cout, std::cerr))
        return *code;
    // A hidden copy needs no screen at all (a copy started by cron has none).
    if (request.action == CommandLine::Request::Action::Copy && request.copy.hidden &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineEnvironment();
    // The browser pane shares its drawing contexts with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirasito"));
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
