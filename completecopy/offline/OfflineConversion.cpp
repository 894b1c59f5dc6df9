#include "completecopy/offline/OfflineConversion.h"
#include "completecopy/address/SiteAddress.h"
#include "completecopy/offline/ByteEdits.h"
#include "completecopy/offline/RelativeLink.h"
#include "completecopy/offline/WrittenValue.h"
#include "completecopy/references/CssReferences.h"
#include "completecopy/references/HtmlReferences.h"

#include <QHash>
#include <algorithm>
#include <QRegularExpression>
#include <QSet>

namespace {

bool isWeb(const QUrl& address) {
    return address.scheme() == u"http" || address.scheme() == u"https";
}

bool hasScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return scheme.match(text).hasMatch();
}

// Written as a web address in full, which means the same from any file.
bool writtenInFull(const QString& text) {
    static const QRegularExpression full(QStringLiteral("^https?:[/\\\\]{2}"),
                                         QRegularExpression::CaseInsensitiveOption);
    return full.match(text).hasMatch();
}

// A fragment as the converted file writes it: ASCII, and nothing in it that HTML or CSS
// would read; "%" stays, so that writing it again changes nothing.
QString writtenFragment(const QString& fragment) {
    QString out;
    for (const char c : fragment.toUtf8()) {
        const uchar u = uchar(c);
        if (u <= 0x20 || u >= 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '`' || c == '(' ||
            c == ')' || c == '\\' || c == '#')
            out += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
        else
            out += QLatin1Char(c);
    }
    return out;
}

ResolvedReference resolvedFrom(const FoundReference& found) {
    ResolvedReference r;
    r.text = found.text;
    r.requisite = found.requisite;
    r.at = found.at;
    r.length = found.length;
    r.syntax = found.syntax;
    const qsizetype hash = found.text.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        r.fragment = found.text.mid(hash + 1);
    r.leftAlone = hash == 0;
    return r;
}

void resolveAll(ReadFile& read, const std::vector<FoundReference>& found, const QUrl& base, const QString& localFile,
                FileForm form, const AddressOf& addressOf) {
    read.references.reserve(found.size());
    // A page names the same address many times (its menu, its pictures): each text is
    // resolved once.
    QHash<QString, QUrl> resolved;
    for (const FoundReference& f : found) {
        ResolvedReference r = resolvedFrom(f);
        if (r.leftAlone) {
            read.references.push_back(std::move(r));
            continue;
        }
        if (form == FileForm::Served || hasScheme(r.text)) {
            auto it = resolved.constFind(r.text);
            if (it == resolved.cend())
                it = resolved.insert(r.text, resolveReference(base, r.text));
            r.address = *it;
        } else {
            // A converted file links to the copy's files by relative paths.
            const std::optional<QString> file = linkedFile(localFile, r.text);
            const std::optional<QUrl> address = file && addressOf ? addressOf(*file) : std::nullopt;
            if (address && address->isValid())
                r.address = normalisedAddress(*address);
            else
                r.leftAlone = true;
        }
        read.references.push_back(std::move(r));
    }
}

bool sameSite(const QUrl& a, const QUrl& b) {
    return a.scheme() == b.scheme() && a.host() == b.host() && a.port() == b.port();
}

} // namespace

ReadFile readPage(const QByteArray& bytes, const QByteArray& charset, const QUrl& address, const QString& localFile,
                  FileForm form, const AddressOf& addressOf) {
    const PageReferences found = findHtmlReferences(bytes, charset);
    ReadFile read;
    read.address = normalisedAddress(address);
    read.hasBase = !found.base.isEmpty() || found.baseAt >= 0;
    read.baseAt = found.baseAt;
    read.baseLength = found.baseLength;
    read.baseSyntax = found.baseSyntax;
    QUrl base = read.address;
    if (form == FileForm::Served && !found.base.isEmpty()) {
        const QUrl named = resolveReference(read.address, found.base);
        if (named.isValid())
            base = named;
    }
    resolveAll(read, found.references, base, localFile, form, addressOf);
    return read;
}

ReadFile readStylesheet(const QByteArray& bytes, const QUrl& address, const QString& localFile, FileForm form,
                        const AddressOf& addressOf) {
    ReadFile read;
    read.address = normalisedAddress(address);
    resolveAll(read, findStylesheetReferences(bytes), read.address, localFile, form, addressOf);
    return read;
}

namespace {

// Where the spans of the bytes stand once the edits are made: each span's start moved
// by what the edits before it added or took away (a span edited itself takes the
// edit's bytes).
void placeAfterEdits(std::vector<PendingValue>& values, const std::vector<ByteEdit>& edits,
                     const QByteArray& original) {
    std::vector<ByteEdit> sorted = edits;
    std::sort(sorted.begin(), sorted.end(), [](const ByteEdit& a, const ByteEdit& b) { return a.at < b.at; });
    for (PendingValue& v : values) {
        qsizetype shift = 0;
        bool edited = false;
        for (const ByteEdit& e : sorted) {
            if (e.at == v.at && e.length == v.length) {
                v.bytes = e.bytes;
                edited = true;
                break;
            }
            if (e.at + e.length > v.at)
                break;
            shift += e.bytes.size() - e.length;
        }
        if (!edited)
            v.bytes = original.mid(v.at, v.length);
        v.at += shift;
        v.length = v.bytes.size();
    }
}

} // namespace

QByteArray convert(const QByteArray& bytes, const ReadFile& read, const QString& localFile,
                   const LocalFileOf& localFileOf, QStringList* pending, std::vector<PendingValue>* pendingValues) {
    // A base that cannot be rewritten keeps its hold on relative links: then no link is
    // made relative, and every web reference is written in full.
    const bool relativeLinks = !read.hasBase || read.baseAt >= 0;
    std::vector<ByteEdit> edits;
    const auto write = [&](qsizetype at, qsizetype length, const QString& value, ValueSyntax syntax) {
        if (at < 0 || at + length > bytes.size())
            return;
        QByteArray written = writtenValue(value, syntax);
        if (QByteArrayView(bytes).sliced(at, length) != written)
            edits.push_back({at, length, std::move(written)});
    };
    if (read.hasBase && relativeLinks)
        write(read.baseAt, read.baseLength, relativeLink(localFile, localFile), read.baseSyntax);
    QSet<QString> added;
    // What each address becomes (the relative link, or the address in full; null to
    // leave it as written), worked out once for every time the page names it, with
    // its key and whether the copy holds a file for it.
    struct Becomes {
        QString value;
        QString key;
        bool held;
    };
    QHash<QString, Becomes> values;
    for (const ResolvedReference& r : read.references) {
        if (r.leftAlone || r.at < 0 || !r.address.isValid() || !isWeb(r.address))
            continue;
        const QString written = r.fragment.isNull() ? r.text : r.text.left(r.text.size() - r.fragment.size() - 1);
        auto value = values.constFind(written);
        if (value == values.cend()) {
            const QString key = addressKey(r.address);
            QString becomes;
            const std::optional<QString> file = localFileOf ? localFileOf(key) : std::nullopt;
            if (file && relativeLinks) {
                becomes = relativeLink(localFile, *file);
            } else if (file) {
                if (!writtenInFull(r.text))
                    becomes = r.address.toString(QUrl::FullyEncoded);
            } else {
                if (sameSite(r.address, read.address) && !added.contains(key)) {
                    added.insert(key);
                    if (pending)
                        pending->append(key);
                }
                if (!writtenInFull(r.text))
                    becomes = r.address.toString(QUrl::FullyEncoded);
            }
            value = values.insert(written, {becomes, key, file.has_value()});
        }
        if (!value->value.isNull())
            write(r.at, r.length,
                  r.fragment.isNull() ? value->value : value->value + u'#' + writtenFragment(r.fragment), r.syntax);
        if (pendingValues && relativeLinks && !value->held && added.contains(value->key))
            pendingValues->push_back({r.at, r.length, r.syntax, value->key, r.fragment, QByteArray()});
    }
    if (pendingValues)
        placeAfterEdits(*pendingValues, edits, bytes);
    return withEdits(bytes, std::move(edits));
}

std::optional<QByteArray> relink(const QByteArray& converted, std::vector<PendingValue>& values,
                                 const QString& localFile, const LocalFileOf& localFileOf) {
    std::vector<ByteEdit> edits;
    std::vector<PendingValue> still;
    for (const PendingValue& v : values) {
        if (v.at < 0 || v.at + v.length > converted.size() || QByteArrayView(converted).sliced(v.at, v.length) != v.bytes)
            return std::nullopt;
        const std::optional<QString> file = localFileOf ? localFileOf(v.key) : std::nullopt;
        if (!file) {
            still.push_back(v);
            continue;
        }
        const QString link = relativeLink(localFile, *file);
        edits.push_back({v.at, v.length,
                         writtenValue(v.fragment.isNull() ? link : link + u'#' + writtenFragment(v.fragment), v.syntax)});
    }
    placeAfterEdits(still, edits, converted);
    values = std::move(still);
    return withEdits(converted, std::move(edits));
}
