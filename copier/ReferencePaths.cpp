#include "copier/ReferencePaths.h"
#include "fs/RicavaPath.h"
#include "fs/TrimBlanks.h"

bool hasFolderPart(const QString& reference) {
    return reference.contains(QLatin1Char('/')) || reference.contains(QLatin1Char('\\'));
}

QString withoutParentSteps(QString reference) {
    // Each pass removes at least two characters, so the loop ends.
    for (qsizetype at; (at = reference.indexOf(QLatin1String(".."))) >= 0;)
        reference = reference.mid(at + 3);
    return reference;
}

QString filePart(const QString& reference) {
    QString folder;
    RICAVA_PATH(folder, reference);
    return reference.mid(folder.size());
}

QString composeAddress(const QString& base, const QString& reference) {
    if (reference.contains(QLatin1String("http://")))
        return reference;
    if (base.endsWith(QLatin1Char('/')) || base.endsWith(QLatin1Char('\\')))
        return base + reference;
    return base + QLatin1Char('/') + reference;
}

QString localFolder(const QString& destinationBox, const QString& reference) {
    QString folder;
    RICAVA_PATH(folder, reference);
    if (folder.endsWith(QLatin1Char('/')))
        folder.back() = QLatin1Char('\\');
    return trimBlanks(destinationBox) + QLatin1Char('\\') + folder;
}
