#include "tools/PaneSplitter.h"

#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "display/WebBrowser.h"
#include "reader/FormControls.h"
#include "reader/SharedState.h"

#include <QPushButton>

namespace {

// A height of zero or less cannot be applied; the pane keeps the one it has.
void setHeight(float& height, double value) {
    if (value > 0)
        height = static_cast<float>(value);
}

// The browser pane fills the room under the source pane, and the button sits at
// the source pane's bottom edge.
void placeUnderSource(SplitterGeometry& g, double browserHeight) {
    setHeight(g.browserHeight, browserHeight);
    g.browserTop = static_cast<float>(double(g.sourceTop) + g.sourceHeight + 180 - 20);
    g.buttonTop = static_cast<float>(double(g.sourceTop) + g.sourceHeight);
}

SplitterMove dropOnSource(SplitterGeometry g, double H, double Y) {
    SplitterMove move;
    move.WY = Y;
    if (Y > 180) {
        setHeight(g.sourceHeight, Y - 100);
        const double B = H - Y - 1000 - 180 - 20 - 100;
        if (B > 180)
            placeUnderSource(g, B);
    } else {
        move.WY = 180 + 20;
        setHeight(g.sourceHeight, 200);
        const double B = H - 200 - 1300;
        if (B > 200)
            placeUnderSource(g, B);
    }
    move.geometry = g;
    return move;
}

SplitterMove dropOnBrowser(SplitterGeometry g, double H, double Y) {
    SplitterMove move;
    move.WY = Y;
    const double T = g.browserTop;
    if (double(g.browserHeight) - Y > 100) {
        setHeight(g.browserHeight, double(g.browserHeight) - Y);
        g.browserTop = static_cast<float>(T + Y); // its bottom edge stays in place
        g.buttonTop = static_cast<float>(T + Y - 180);
        setHeight(g.sourceHeight, H - g.browserHeight - 180 - 1100 - g.buttonHeight);
    }
    move.geometry = g;
    return move;
}

SplitterGeometry readGeometry(const FormControls& form) {
    SplitterGeometry g;
    g.sourceTop = static_cast<float>(Twips::top(form.RichTextBox1));
    g.sourceHeight = static_cast<float>(Twips::height(form.RichTextBox1));
    g.buttonTop = static_cast<float>(Twips::top(form.Command2));
    g.buttonHeight = static_cast<float>(Twips::height(form.Command2));
    g.browserTop = static_cast<float>(Twips::top(form.WebBrowser1));
    g.browserHeight = static_cast<float>(Twips::height(form.WebBrowser1));
    return g;
}

void applyDrop(const FormControls& form, double y, DropPane pane) {
    const SplitterGeometry before = readGeometry(form);
    const float H = static_cast<float>(Twips::outerHeight(form.Form));
    const SplitterMove move = splitterDrop(before, H, static_cast<float>(y), pane);
    const SplitterGeometry& g = move.geometry;

    form.state->WY = move.WY;
    if (g.sourceHeight != before.sourceHeight)
        Twips::setHeight(form.RichTextBox1, g.sourceHeight);
    if (g.browserHeight != before.browserHeight)
        Twips::setHeight(form.WebBrowser1, g.browserHeight);
    if (g.browserTop != before.browserTop)
        Twips::setTop(form.WebBrowser1, g.browserTop);
    if (g.buttonTop != before.buttonTop)
        Twips::setTop(form.Command2, g.buttonTop);
}

} // namespace

SplitterMove splitterDrop(const SplitterGeometry& current, float windowHeight, float y, DropPane pane) {
    return pane == DropPane::Source ? dropOnSource(current, windowHeight, y)
                                    : dropOnBrowser(current, windowHeight, y);
}

void RichTextBox1_DragDrop(const FormControls& form, QWidget*, double, double y) {
    applyDrop(form, y, DropPane::Source);
}

void WebBrowser1_DragDrop(const FormControls& form, QWidget*, double, double y) {
    applyDrop(form, y, DropPane::Browser);
}
