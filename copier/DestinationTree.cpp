#include "copier/DestinationTree.h"
#include "copier/InsideDestination.h"
#include "display/RichTextBox.h"
#include "fs/CreaCartelle.h"
#include "fs/ErrorCodes.h"
#include "fs/ReplaceFile.h"

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

void DestinationTree::saveBytes(const QString& file, const QByteArray& bytes) const {
    if (!insideDestination(m_root, file))
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    replaceFile(resolvedPath(file), bytes);
}
