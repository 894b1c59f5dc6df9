#pragma once

// Yield: one pass of the window's event loop, so that pending events (repaints,
// clicks, a close) are handled before the command goes on.
void DoEvents();
