#pragma once
#include <QString>
#include <optional>

// How the window puts the browser pane's pages together with the rest of it.
//
// Through the graphics card is the engine's default. Where OpenGL is only a software
// rasterizer (a virtual X server, a remote session, a machine without a driver)
// that path draws every frame twice on the processor, once for the page and once
// for the window, and each repaint of the window costs milliseconds; drawing in
// memory is then much cheaper. A window with no screen at all (the offscreen
// platform of a hidden copy) shows nothing and needs no graphics card either.
// EngineDefault leaves the choice to the scene graph: the graphics card, or what
// its own variables (QT_QUICK_BACKEND, QSG_RHI_BACKEND) say.
enum class WindowComposition { EngineDefault, InMemory };

// True when an OpenGL renderer string names a rasterizer that runs on the processor.
bool isSoftwareRasterizer(const QString& renderer);

// The choice, from the platform's name, whether the user already chose through the
// scene graph's own variables, and the OpenGL renderer (none when no context could
// be made current).
WindowComposition chooseWindowComposition(const QString& platform, bool userChose,
                                          const std::optional<QString>& renderer);

// Looks at this machine and applies the choice. Call after the application object
// exists and before the first window is made.
WindowComposition applyWindowComposition();
