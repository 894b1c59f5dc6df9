#include "copier/DestinationTree.h"
#include "copier/InsideDestination.h"
#include "display/RichTextBox.h"
#include "fs/CreaCartelle.h"
#include "fs/ErrorCodes.h"
#include "fs/FileReplacer.h"
#include "fs/ReplaceFile.h"
#include <QFile>
#include <QTimeZone>
#include <chrono>
#include <filesystem>

bool DestinationTree::createFolder(const QString& folder) const {
    if (!insideDestination(m_root, folder))
        return false;
    // Only the resolved path reaches the disk: no step of it can lead outside.
    return CREA_CARTELLE(resolvedPath(folder));
}

void DestinationTree::saveSource(RichTextBox& pane, const QString& file) const {
    if (!insideDestination(m_root, file))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    pane.SaveFile(resolvedPath(file), 1);
}

void DestinationTree::saveBytes(const QString& file, const QByteArray& bytes, const QDateTime& modified) const {
    if (!insideDestination(m_root, file))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    replaceFile(resolvedPath(file), bytes, modified);
}

void DestinationTree::saveBytes(const QString& file, const QByteArray& bytes, const QDateTime& modified,
                                FileReplacer& replacer) const {
    if (!insideDestination(m_root, file))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    replacer.replace(resolvedPath(file), bytes, modified);
}

std::optional<QByteArray> DestinationTree::readBytes(const QString& file) const {
    if (!insideDestination(m_root, file))
        return std::nullopt;
    QFile f(resolvedPath(file));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

QDateTime DestinationTree::modified(const QString& file) const {
    if (!insideDestination(m_root, file))
        return QDateTime();
    // Read through the file system library: no conversion to local time, which would
    // read the time zone's file again for every file.
    std::error_code failed;
    const std::filesystem::path path = resolvedPath(file).toStdU16String();
    if (!std::filesystem::is_regular_file(path, failed))
        return QDateTime();
    const auto written = std::filesystem::last_write_time(path, failed);
    if (failed)
        return QDateTime();
    const auto since = std::chrono::file_clock::to_sys(written).time_since_epoch();
    return QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(since).count(),
                                          QTimeZone::utc());
}
