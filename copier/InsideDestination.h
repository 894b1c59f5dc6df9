#pragma once
#include <QString>

// True when the path (program form) lies inside the destination folder (program
// form) or is that folder itself, once both are made absolute and their "." and ".."
// steps resolved as the disk would. Parent steps, a doubled separator, a drive or
// server name, a leading separator: whatever the path holds, it must end up under
// the destination.
bool insideDestination(const QString& destination, const QString& path);

// The path (program form) made absolute, its "." and ".." steps resolved, in the
// host's form: what the disk layer is given once the path has passed the test above.
QString resolvedPath(const QString& programPath);
