// The crawl's composition of an address and a local file from a reference found on
// a page, as followReferences does it, with the containment check the destination
// tree makes before anything is written. Input: the first byte picks how the
// destination box is written, the rest is the reference and, after an LF, the last
// part of the address a redirect led to (empty: no redirect).
//
// Properties: parent steps are gone; the folder created and the file saved for any
// reference lie inside the destination; and the containment check agrees with a
// lexical resolution of its own on those paths and on raw, uncleaned ones.
#include "copier/InsideDestination.h"
#include "copier/ReferencePaths.h"
#include "fs/NativePath.h"
#include "fs/TrimBlanks.h"
#include "fuzz/FuzzSupport.h"
#include "reader/DividiUrl.h"
#include "reader/NormalizzaDest.h"
#include "reader/NormalizzaUrl.h"
#include "reader/SharedState.h"
#include <QDir>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

namespace {

const QString& destinationFolder() {
    static QTemporaryDir dir;
    static const QString path = QDir(dir.path()).filePath(QStringLiteral("dest"));
    return path;
}

QString boxText(uint8_t how) {
    const QString d = destinationFolder();
    switch (how % 6) {
    case 0: return d;
    case 1: return d + u'/';
    case 2: return d + u'\\';
    case 3: return QLatin1String("  ") + d + u' ';
    case 4: return d + QLatin1String("//");
    default: return QString(d).replace(u'/', u'\\');
    }
}

// The path as the disk would take it, resolved by the standard library's own rules.
std::string lexical(const QString& programPath) {
    QString p = nativePath(programPath);
    if (!p.startsWith(u'/'))
        p = QDir::currentPath() + u'/' + p;
    std::string s = std::filesystem::path(p.toStdString()).lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool lexicallyInside(const QString& root, const QString& path) {
    const std::string r = lexical(root), t = lexical(path);
    return t == r || (t.size() > r.size() && t.compare(0, r.size(), r) == 0 && t[r.size()] == '/');
}

void agree(const QString& root, const QString& path) {
    if (path.contains(QChar(0)))
        return; // no such name reaches the disk
    FUZZ_CHECK(insideDestination(root, path) == lexicallyInside(root, path));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    QByteArray referenceBytes, servedBytes;
    splitAtLineFeed(fuzzBytes(data + 1, size - 1), referenceBytes, servedBytes);
    const QString box = boxText(data[0]);
    const QString root = NORMALIZZA_DEST(box); // the copy's destination tree
    const QString siteRoot = QStringLiteral("http://127.0.0.1/sito/");

    // The page's list holds the reference trimmed.
    QString reference = trimBlanks(fuzzText(referenceBytes));
    const bool folderPart = hasFolderPart(reference);
    const QString clean = withoutParentSteps(reference);
    FUZZ_CHECK(!clean.contains(QLatin1String("..")));
    FUZZ_CHECK(reference.endsWith(clean));

    // The folder the file goes to, and the address the open-page command is given.
    const QString folder = folderPart ? localFolder(box, clean) : root;
    const QString typed = trimBlanks(composeAddress(siteRoot, clean));
    FUZZ_CHECK(!typed.isEmpty());

    // The open-page command's split of what it fetched: the address itself, or where
    // a redirect led (a last part without separators; "index.htm" when it has no ".").
    SharedState s;
    s.WURL = NORMALIZZA_URL(typed);
    const QString served = fuzzText(servedBytes);
    if (!served.isEmpty())
        s.WURL = siteRoot + served;
    if (DIVIDI_URL(s))
        COMPLETA_URL(s);
    FUZZ_CHECK(!s.WURL_FILE.contains(u'/') && !s.WURL_FILE.contains(u'\\'));
    const QString localFile = folder + s.WURL_FILE;

    // Without a redirect nothing can lead out; a redirect's ".." names the folder
    // above, which the check refuses when that is outside.
    FUZZ_CHECK(insideDestination(root, folder));
    if (s.WURL_FILE != QLatin1String(".."))
        FUZZ_CHECK(insideDestination(root, localFile));
    agree(root, folder);
    agree(root, localFile);

    // Raw, uncleaned paths: the check alone stands between them and the disk.
    agree(root, root + reference);
    agree(root, box + u'\\' + reference);
    agree(root, trimBlanks(box) + u'/' + served);
    return 0;
}
