// The conversion of a page or a stylesheet for reading offline. Input: the bytes of a
// page, read once as a page (as UTF-8 or Latin-1 as they are, and as Latin-1 named by
// the server) and once as a stylesheet; and the same bytes as a local file name.
//
// Properties: every span lies inside the bytes and no two overlap; converting changes
// nothing but the values (the bytes between the spans are the same, in the same order,
// in the converted file, whose references stand in the same order); converting the
// converted file again changes nothing, and reading it back gives the addresses the
// served file gave for every reference that was rewritten; pending names only the
// page's own site and addresses the copy has no file for; a relative link leads back
// to the file it was made for.
#include "completecopy/address/LocalPath.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/offline/OfflineConversion.h"
#include "completecopy/offline/RelativeLink.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"
#include "fuzz/FuzzSupport.h"

#include <QHash>
#include <algorithm>

namespace {

const QUrl kPage("http://h.example/d/p.html");
const QString kLocal = QStringLiteral("d\\p.html");

// A copy that holds every other address of h.example, each in its own file.
struct Copy {
    QHash<QString, QString> fileOf;
    QHash<QString, QUrl> addressOf;

    std::optional<QString> localFileOf(const QString& key) {
        if (const auto it = fileOf.constFind(key); it != fileOf.cend())
            return it->isEmpty() ? std::nullopt : std::optional<QString>(*it);
        const QUrl address(key, QUrl::StrictMode);
        QString file;
        if (address.host() == u"h.example" && qHash(key) % 2 == 0) {
            file = localPathFor(address);
            if (addressOf.contains(file))
                file.clear();  // two addresses, one file: the second is not copied
            else
                addressOf.insert(file, address);
        }
        fileOf.insert(key, file);
        return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
    }
    std::optional<QUrl> address(const QString& file) const {
        const auto it = addressOf.constFind(file);
        return it == addressOf.cend() ? std::nullopt : std::optional<QUrl>(*it);
    }
};

struct Span {
    qsizetype at, length;
};

std::vector<Span> spansOf(const ReadFile& read) {
    std::vector<Span> spans;
    if (read.baseAt >= 0)
        spans.push_back({read.baseAt, read.baseLength});
    for (const ResolvedReference& r : read.references)
        if (r.at >= 0)
            spans.push_back({r.at, r.length});
    return spans;
}

void checkSpans(const QByteArray& bytes, const ReadFile& read) {
    std::vector<Span> spans = spansOf(read);
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.at < b.at; });
    qsizetype end = 0;
    for (const Span& s : spans) {
        FUZZ_CHECK(s.length >= 0 && s.at >= end && s.at + s.length <= bytes.size());
        end = s.at + s.length;
    }
}

// The bytes between the spans, in order.
std::vector<QByteArray> gaps(const QByteArray& bytes, const ReadFile& read) {
    std::vector<Span> spans = spansOf(read);
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.at < b.at; });
    std::vector<QByteArray> out;
    qsizetype done = 0;
    for (const Span& s : spans) {
        out.push_back(bytes.mid(done, s.at - done));
        done = s.at + s.length;
    }
    out.push_back(bytes.mid(done));
    return out;
}

template <typename Read>
void checkConversion(const QByteArray& bytes, const QString& local, Read read) {
    Copy copy;
    const LocalFileOf localFileOf = [&copy](const QString& key) { return copy.localFileOf(key); };
    const AddressOf addressOf = [&copy](const QString& file) { return copy.address(file); };
    const ReadFile served = read(bytes, FileForm::Served, addressOf);
    checkSpans(bytes, served);
    QStringList pending;
    const QByteArray converted = convert(bytes, served, local, localFileOf, &pending);
    for (const QString& key : pending) {
        const QUrl address(key, QUrl::StrictMode);
        FUZZ_CHECK(address.host() == kPage.host() && address.scheme() == kPage.scheme());
        FUZZ_CHECK(!copy.localFileOf(key));
    }
    if (converted == bytes)
        return;
    const ReadFile again = read(converted, FileForm::Converted, addressOf);
    checkSpans(converted, again);
    FUZZ_CHECK(again.references.size() == served.references.size());
    FUZZ_CHECK(gaps(bytes, served) == gaps(converted, again));
    for (size_t i = 0; i < served.references.size(); ++i) {
        const ResolvedReference& before = served.references[i];
        const ResolvedReference& after = again.references[i];
        FUZZ_CHECK(before.requisite == after.requisite);
        if (before.at >= 0 && !before.leftAlone && before.address.isValid() &&
            (before.address.scheme() == u"http" || before.address.scheme() == u"https"))
            FUZZ_CHECK(addressKey(after.address) == addressKey(before.address));
    }
    FUZZ_CHECK(convert(converted, again, local, localFileOf, nullptr) == converted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzzBytes(data, size);
    for (const QByteArray& charset : {QByteArray(), QByteArray("iso-8859-1")}) {
        checkConversion(bytes, kLocal, [&](const QByteArray& b, FileForm form, const AddressOf& addressOf) {
            return readPage(b, charset, kPage, kLocal, form, addressOf);
        });
        const PageReferences page = findHtmlReferences(bytes, charset);
        for (const FoundReference& r : page.references)
            FUZZ_CHECK(r.at >= 0 || r.length == 0);
    }
    const QString sheet = QStringLiteral("css\\s.css");
    checkConversion(bytes, sheet, [&](const QByteArray& b, FileForm form, const AddressOf& addressOf) {
        return readStylesheet(b, QUrl("http://h.example/css/s.css"), sheet, form, addressOf);
    });

    // A relative link leads back to the file it was made for.
    QString name = fuzzText(bytes.left(200));
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QStringList steps = name.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    const bool plain = !steps.isEmpty() && std::none_of(steps.begin(), steps.end(), [](const QString& s) {
        return s == u"." || s == u".." || s.contains(QChar(0));
    });
    if (plain) {
        const QString file = steps.join(QLatin1Char('\\'));
        for (const QString& from : {QStringLiteral("p.html"), QStringLiteral("a\\b\\p.html")}) {
            const QString link = relativeLink(from, file);
            for (const QChar c : link)
                FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7F);
            FUZZ_CHECK(linkedFile(from, link) == file);
        }
    }
    return 0;
}
