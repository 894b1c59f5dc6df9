#pragma once

class WebBrowser;

// Yields, then looks at the browser pane; while it is busy, waits with the event
// loop running until its load finishes (that ends the wait at once) or a short while
// has passed (a load that never started, a move within the page), and looks again.
void yieldWhileBusy(WebBrowser* browser);
