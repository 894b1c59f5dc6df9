// The local file of any address a page may name, as a complete copy keeps it.
// Input: a reference, resolved against a fixed page address.
//
// Properties: the file lies below the destination (no empty, "." or ".." step, no
// character a disk refuses, no name over 255 bytes, not one of the copy's own files);
// the same address always gives the same file; the address key is stable once made.
#include "copier/InsideDestination.h"
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "fuzz/FuzzSupport.h"
#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QUrl page(QStringLiteral("http://host.example/docs/guide/page.html?x=1"));
    static QTemporaryDir dir;
    const QUrl address = resolveReference(page, fuzzText(fuzzBytes(data, size)));
    if (!address.isValid() || (address.scheme() != u"http" && address.scheme() != u"https"))
        return 0;
    const QString local = localPathFor(address);
    FUZZ_CHECK(!local.isEmpty());
    FUZZ_CHECK(local == localPathFor(address));
    const QStringList steps = local.split(u'\\');
    for (const QString& step : steps) {
        FUZZ_CHECK(!step.isEmpty() && step != u"." && step != u"..");
        FUZZ_CHECK(step.toUtf8().size() <= 255);
        for (const QChar c : step)
            FUZZ_CHECK(c.unicode() >= 0x20 && c != u'/' && c != u':' && c != u'?' && c != u'*' && c != u'"' &&
                       c != u'<' && c != u'>' && c != u'|');
        FUZZ_CHECK(!step.endsWith(u'.') && !step.endsWith(u' '));
    }
    FUZZ_CHECK(steps.size() > 1 || !reservedNames().contains(local, Qt::CaseInsensitive));
    const QString destination = QDir(dir.path()).filePath(QStringLiteral("dest")) + u'/';
    FUZZ_CHECK(insideDestination(destination, destination + local));
    FUZZ_CHECK(addressKey(QUrl(addressKey(address))) == addressKey(address));
    return 0;
}
