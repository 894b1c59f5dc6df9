#pragma once

// Prepares the environment of the browser pane's engine; call before the
// application object is created.
// - When the engine's sandbox cannot run (the program runs as root, or the system
//   refuses the user namespace the sandbox needs), QTWEBENGINE_DISABLE_SANDBOX=1
//   unless the variable is already set.
// - Unless QTWEBENGINE_CHROMIUM_FLAGS is already set, the engine is told not to
//   reach out on its own (no background networking, component updates or sync):
//   the program fetches only what the user asks for.
void prepareWebEngineEnvironment();

// The flags set when none are given.
inline constexpr const char* kQuietChromiumFlags =
    "--disable-background-networking --disable-component-update --disable-sync";

// True when the engine's sandbox can run for this process.
bool webEngineSandboxUsable();
