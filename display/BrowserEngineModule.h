#pragma once
#include "display/BrowserEngine.h"
#include <QString>

// The module with the browser pane's engine (the browser's libraries come with it).
namespace BrowserEngineModule {

// Loads the module: from the file given, or else (once the application object exists)
// from beside the program or from the program's own library folder. True when
// it is loaded (also by an earlier call); otherwise errorText() says why.
bool load(const QString& file = QString());
bool loaded();
QString errorText();

// Makes the engine for a pane; nullptr when the module is not loaded.
BrowserEngine* make(QWidget* pane, BrowserEngine::Events events);

// The pane's pages are put together with the window in memory rather than through
// the graphics card (nothing when the module is not loaded).
void composeInMemory();

} // namespace BrowserEngineModule
