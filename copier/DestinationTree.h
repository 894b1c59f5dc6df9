#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

class FileReplacer;
class RichTextBox;

// The folder a copy writes into. The crawl creates its folders and saves its pages
// only through here, and nothing here ever touches a path outside that folder.
class DestinationTree {
public:
    // The destination folder of the copy under way (program form).
    void setRoot(const QString& root) { m_root = root; }
    const QString& root() const { return m_root; }

    // Creates the folder with every missing level; false when it does not exist at
    // the end or lies outside the destination.
    bool createFolder(const QString& folder) const;

    // Saves the source pane's text as the page's file, replacing it. A failure, and a
    // file outside the destination, raise RunError.
    void saveSource(RichTextBox& pane, const QString& file) const;

    // Writes the bytes as the file, replacing it, with the time of its last change
    // when one is given. A failure, and a file outside the destination, raise RunError.
    void saveBytes(const QString& file, const QByteArray& bytes, const QDateTime& modified = QDateTime()) const;
    // The same for a file written again, through the replacer given: for many files
    // written again one after another.
    void saveBytes(const QString& file, const QByteArray& bytes, const QDateTime& modified,
                   FileReplacer& replacer) const;

    // The bytes of a file of the destination; nullopt when it is not there or cannot
    // be read.
    std::optional<QByteArray> readBytes(const QString& file) const;
    // The time a file of the destination was last changed; invalid when it is not a
    // file there.
    QDateTime modified(const QString& file) const;

private:
    QString m_root;
};
