// The save dialog's proposed name for any address box text and destination folder
// (the input's two parts, cut at its first LF): the folder, a name made of the
// address's last part with ".", "?" and "+" turned into "_", and ".HTM".
#include "fs/TrimBlanks.h"
#include "fuzz/FuzzSupport.h"
#include "tools/ProposedSaveName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray addressBytes, folderBytes;
    splitAtLineFeed(fuzzBytes(data, size), addressBytes, folderBytes);
    const QString address = fuzzText(addressBytes);
    const QString folder = fuzzText(folderBytes);

    const QString proposed = proposedSaveName(address, folder);
    FUZZ_CHECK(proposed.startsWith(folder));
    FUZZ_CHECK(proposed.endsWith(QLatin1String(".HTM")));
    const QString name = proposed.mid(folder.size(), proposed.size() - folder.size() - 4);
    for (const QChar c : name)
        FUZZ_CHECK(c != u'/' && c != u'\\' && c != u'.' && c != u'?' && c != u'+');

    // The name is the end of the trimmed address, character for character, and what
    // stands before it there is a separator (or nothing).
    const QString typed = trimBlanks(address);
    FUZZ_CHECK(name.size() <= typed.size());
    const QString tail = typed.right(name.size());
    for (qsizetype i = 0; i < name.size(); ++i)
        FUZZ_CHECK(name[i] == tail[i] || (name[i] == u'_' && QStringLiteral(".?+").contains(tail[i])));
    const qsizetype before = typed.size() - name.size() - 1;
    FUZZ_CHECK(before < 0 || typed[before] == u'/' || typed[before] == u'\\');
    return 0;
}
