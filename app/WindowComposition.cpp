#include "app/WindowComposition.h"
#include "display/BrowserEngineModule.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

bool isSoftwareRasterizer(const QString& renderer) {
    // Mesa's llvmpipe, softpipe and swrast; Windows' own OpenGL 1.1.
    static const char* const kNames[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "gdi generic"};
    for (const char* name : kNames)
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    return false;
}

namespace {

// The platforms that show nothing on a screen.
bool screenless(const QString& platform) {
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

std::optional<QString> openGlRenderer() {
    QOpenGLContext context;
    if (!context.create())
        return std::nullopt;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return std::nullopt;
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    std::optional<QString> renderer = name ? std::optional<QString>(QString::fromLatin1(name)) : std::nullopt;
    context.doneCurrent();
    return renderer;
}

} // namespace

WindowComposition chooseWindowComposition(const QString& platform, bool userChose,
                                          const std::optional<QString>& renderer) {
    if (userChose)
        return WindowComposition::EngineDefault;
    if (screenless(platform) || !renderer || isSoftwareRasterizer(*renderer))
        return WindowComposition::InMemory;
    return WindowComposition::EngineDefault;
}

WindowComposition applyWindowComposition() {
    const bool userChose = qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || qEnvironmentVariableIsSet("QSG_RHI_BACKEND");
    const QString platform = QGuiApplication::platformName();
    std::optional<QString> renderer;
    if (!userChose && !screenless(platform))
        renderer = openGlRenderer(); // makes an OpenGL context: only where it can matter
    const WindowComposition choice = chooseWindowComposition(platform, userChose, renderer);
    if (choice == WindowComposition::InMemory)
        BrowserEngineModule::composeInMemory();
    return choice;
}
