#pragma once
#include <QString>

// Program paths keep the Windows form ("\" between folders). Only the layer that
// touches the disk maps them to the host's form: on Linux every "\" becomes "/".
QString nativePath(const QString& programPath);

// True when "/" separates folders on this host (it does on Linux), so that the
// folder helpers split at it as well as at "\".
bool hostUsesSlash();
