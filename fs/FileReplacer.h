#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>

// Replaces one file after another through a spare file it keeps open: the new bytes
// are written into the spare, which then trades names with the old file in one step,
// and the old file becomes the next spare. So each name holds a whole file, old or
// new, at every moment, as with replaceFile, but no file is made or removed for each
// replacement: on a file system that leaves the inodes freed a moment ago unused for
// a while, every new file costs a longer search for a free one.
//
// Where the names cannot be traded (a system or a file system without that step, a
// spare on another file system) and for a file that is missing, not a plain file,
// or linked under more than one name (the other names keep the old bytes), the file
// is replaced by replaceFile, which also reports any failure with its numbers: a
// failure here leaves the old file as it was. The spare is removed when the replacer
// ends, and is one of the program's temporary files meanwhile.
class FileReplacer {
public:
    // The spare is made under the name given (program form), which whatever stands
    // there is first removed from: so a spare left by a program killed meanwhile goes
    // with the next replacer's. It must be on the files' file system.
    explicit FileReplacer(const QString& spareAt);
    ~FileReplacer();
    FileReplacer(const FileReplacer&) = delete;
    FileReplacer& operator=(const FileReplacer&) = delete;

    // As replaceFile (program path, bytes, time of the last change when valid).
    void replace(const QString& programPath, const QByteArray& bytes, const QDateTime& modified = QDateTime());

private:
    bool traded(const QString& path, const QByteArray& bytes, const QDateTime& modified);
    void dropSpare();

    QString m_spareAt;    // the disk's own path
    int m_spare = -1;     // open on m_spareAt; -1: none
    int m_spareMode = -1; // its permissions, when known
    bool m_unsupported = false;
};
