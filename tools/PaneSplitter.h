#pragma once
#include <QtGlobal>

class QWidget;
struct FormControls;

// The boundary between the source pane (above) and the browser pane (below), moved
// by dropping the splitter button on one of them. Lengths are twips; positions and
// heights are single precision, the arithmetic double, and every result is rounded
// to single precision as it is assigned.
struct SplitterGeometry {
    float sourceTop = 0, sourceHeight = 0;   // RichTextBox1
    float buttonTop = 0, buttonHeight = 0;   // Command2
    float browserTop = 0, browserHeight = 0; // WebBrowser1
};

enum class DropPane { Source, Browser };

struct SplitterMove {
    SplitterGeometry geometry;
    double WY = 0; // the drop position to keep as the last one
};

// The new layout after a drop at y (relative to the pane's top) on the given pane,
// with windowHeight the window's outer height. A computed height of zero or less
// cannot be given to a pane: that one setting is left out.
SplitterMove splitterDrop(const SplitterGeometry& current, float windowHeight, float y, DropPane pane);

// The panes' drop handlers: read the layout and the window's outer height, move the
// panes and the button, and keep the drop position in WY. The dragged control and x
// play no part.
void RichTextBox1_DragDrop(const FormControls& form, QWidget* source, double x, double y);
void WebBrowser1_DragDrop(const FormControls& form, QWidget* source, double x, double y);
