#pragma once
#include <QByteArray>
#include <QUrl>

// A file a complete copy asked for, as the site gave it.
struct FetchedFile {
    QUrl finalAddress;  // after the redirects followed
    QByteArray body;
    QByteArray contentType;
    QByteArray lastModified;
    QByteArray etag;
    bool notModified = false;  // the server said 304: body is the file kept (when it was needed)
};
