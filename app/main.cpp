// Mirasito: copies a web site into a local folder and opens one page at a time.
#include "app/CommandLine.h"
#include "app/Module1.h"
#include "app/WebEngineEnvironment.h"
#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    if (const auto code = CommandLine::handleEarly(argc, argv, std::cout))
        return *code;
    prepareWebEngineEnvironment();
    // The browser pane shares its drawing contexts with the rest of the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mirasito"));
    Module1::Main();
    const int code = app.exec();
    Module1::End();
    return code;
}
