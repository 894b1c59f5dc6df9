#include "tools/ProposedSaveName.h"
#include "fs/TrimBlanks.h"

QString proposedSaveName(const QString& address, const QString& destFolder) {
    // Only blanks at both ends go; a blank inside stays in the name.
    QString text = trimBlanks(address);
    text.replace(u'/', u'\\');

    QString name = text.mid(text.lastIndexOf(u'\\') + 1);
    for (QChar& c : name) {
        if (c == u'.' || c == u'?' || c == u'+')
            c = u'_';
    }
    return destFolder + name + QStringLiteral(".HTM");
}
