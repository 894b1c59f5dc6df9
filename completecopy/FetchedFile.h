#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>

// A file a complete copy asked for, as the site gave it.
struct FetchedFile {
    QUrl finalAddress;  // after the redirects followed
    QByteArray contentType;
    QByteArray lastModified;
    QByteArray etag;
    // Where its bytes are on the disk (the disk's own form): the temporary file the
    // body was written to (the copy's to put in place or discard), or, for a file
    // found not modified, the file kept; empty for a small page that came to memory
    // alone (body holds it).
    QString bytesFile;
    bool notModified = false;  // the server said 304: bytesFile is the file kept
    qint64 size = 0;
    QByteArray sha256;         // hex, of the bytes served; empty when not known
    // The bytes themselves, for a page or a stylesheet (read for their references)
    // and a file asked for whole; bodyRead says whether they are here.
    QByteArray body;
    bool bodyRead = false;
    bool tooLargeToRead = false;  // a page or stylesheet past the limit of what is read
};
