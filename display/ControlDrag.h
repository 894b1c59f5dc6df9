#pragma once
#include <QString>

// A control dragged onto a pane (the splitter button) travels as this MIME type,
// carrying the control's name; the pane reads the control from the drop's source.
inline const QString kControlDragMime = QStringLiteral("application/x-mirasito-control");
