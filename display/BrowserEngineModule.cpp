#include "display/BrowserEngineModule.h"
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace BrowserEngineModule {

namespace {

// The module's name without the system's prefix and ending (lib….so, ….dll).
constexpr const char* kModuleName = "mirasito-browser";

struct Module {
    MakeBrowserEngine make = nullptr;
    ComposeBrowserInMemory composeInMemory = nullptr;
    QString error;
};

Module& module() {
    static Module m;
    return m;
}

// Beside the program (the build folder), then the program's library folder (installed).
QStringList candidates() {
    if (!QCoreApplication::instance())
        return {};
    const QString folder = QCoreApplication::applicationDirPath();
    const QString name = QString::fromLatin1(kModuleName);
    return {QDir(folder).filePath(name),
            QDir(QDir(folder).filePath(QStringLiteral(MIRASITO_INSTALLED_MODULE_DIR))).filePath(name)};
}

} // namespace

bool load(const QString& file) {
    Module& m = module();
    if (m.make)
        return true;
    m.error.clear();
    const QStringList paths = file.isEmpty() ? candidates() : QStringList{file};
    if (paths.isEmpty())
        m.error = QStringLiteral("no application object: the program's folder is not known yet");
    for (const QString& path : paths) {
        // Kept for the whole run: the engine is never unloaded.
        QLibrary library(path);
        if (!library.load()) {
            m.error += (m.error.isEmpty() ? QString() : QStringLiteral("\n")) + library.errorString();
            continue;
        }
        m.make = reinterpret_cast<MakeBrowserEngine>(library.resolve(kMakeBrowserEngineEntry));
        m.composeInMemory = reinterpret_cast<ComposeBrowserInMemory>(library.resolve(kComposeBrowserInMemoryEntry));
        if (m.make && m.composeInMemory)
            return true;
        m.make = nullptr;
        m.composeInMemory = nullptr;
        m.error += (m.error.isEmpty() ? QString() : QStringLiteral("\n")) + path +
                   QStringLiteral(": not the browser pane's module");
    }
    return false;
}

bool loaded() {
    return module().make != nullptr;
}

QString errorText() {
    return module().error;
}

BrowserEngine* make(QWidget* pane, BrowserEngine::Events events) {
    return module().make ? module().make(pane, std::move(events)) : nullptr;
}

void composeInMemory() {
    if (module().composeInMemory)
        module().composeInMemory();
}

} // namespace BrowserEngineModule
