#pragma once
#include "completecopy/references/FoundReference.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

// Turning a page or a stylesheet of a complete copy into one a browser reads from the
// disk: each reference to a file the copy holds becomes the relative link to that
// file, each other web reference its address in full. Files are named in program form
// (folders separated by "\"), as localPathFor gives them.

// What stands on the disk: the bytes as the server sent them, or bytes an earlier
// conversion wrote.
enum class FileForm { Served, Converted };

// A reference of a page or stylesheet, resolved.
struct ResolvedReference {
    QString text;       // as written (entities and escapes decoded, blanks around it dropped)
    QUrl address;       // normalised, fragment dropped; invalid when the reference names no address
    QString fragment;   // what follows "#" as written; null when there is no "#"
    bool requisite = false;
    qsizetype at = -1;  // the bytes of the value, as FoundReference gives them
    qsizetype length = 0;
    ValueSyntax syntax;
    // Never rewritten: a fragment alone ("#top", the page itself), or in a converted
    // file a relative link that leads to no file the copy knows.
    bool leftAlone = false;
};

struct ReadFile {
    QUrl address;  // the page's or stylesheet's own address
    std::vector<ResolvedReference> references;
    bool hasBase = false;  // the page has a <base href>
    qsizetype baseAt = -1; // the bytes of its value; -1 when they cannot be told
    qsizetype baseLength = 0;
    ValueSyntax baseSyntax;
};

// The address of the file the copy keeps in a local file, if it keeps one there.
using AddressOf = std::function<std::optional<QUrl>(const QString& localFile)>;
// The local file the copy keeps for an address (by its addressKey), if it has one.
using LocalFileOf = std::function<std::optional<QString>(const QString& addressKey)>;

// The references of a page (charset: the one the server named) kept in localFile.
// Served, they are resolved against the page's first <base href> (itself resolved
// against the page's address) or its address. Converted, the page holds relative links
// to files of the copy and addresses in full: a relative link is followed to the file
// it leads to from localFile, and that file to its address through addressOf (one that
// leads to no file the copy knows is left alone); the <base href>, which then names
// the page's own file, is not followed. addressOf is not called for a Served page.
ReadFile readPage(const QByteArray& bytes, const QByteArray& charset, const QUrl& address, const QString& localFile,
                  FileForm form, const AddressOf& addressOf);

// The same for a stylesheet (UTF-8, or a set its @charset names), resolved against its
// own address.
ReadFile readStylesheet(const QByteArray& bytes, const QUrl& address, const QString& localFile, FileForm form,
                        const AddressOf& addressOf);

// The bytes of the page or stylesheet read into `read`, converted to be kept in
// localFile, only the values of its references written anew:
// - a web (http, https) reference to an address the copy holds a file for (localFileOf)
//   becomes the relative link from localFile to that file, its fragment kept;
// - any other web reference becomes its address in full, fragment kept, unless it is
//   already written as an address in full ("http://..." or "https://...");
// - other references (mailto:, javascript:, data:), those left alone and those whose
//   bytes cannot be told stay as they are;
// - the first <base href> becomes the page's own file name, so that relative links and
//   fragments lead from the page's own file.
// In a page whose <base href> cannot be told in its bytes, the base stays and would
// still lead relative links to the web: there every web reference is written in full,
// held by the copy or not. pending, when given, receives (once a
// conversion) the addressKey of every reference to the page's own site (scheme, host and port) that the
// copy holds no file for: written as an address in full, it can be made local by a
// later conversion once the copy has the file.
// values, when given, receives where each such reference stands in the converted bytes.
struct PendingValue {
    qsizetype at = 0;  // in the converted bytes
    qsizetype length = 0;
    ValueSyntax syntax;
    QString key;       // the addressKey of the address it names
    QString fragment;  // as written after "#"; null when there is none
    QByteArray bytes;  // the value as it stands there
};
QByteArray convert(const QByteArray& bytes, const ReadFile& read, const QString& localFile,
                   const LocalFileOf& localFileOf, QStringList* pending = nullptr,
                   std::vector<PendingValue>* values = nullptr);

// The converted bytes of the file kept in localFile with each pending value whose
// address the copy now holds a file for (localFileOf) made the relative link to that
// file, its fragment kept, without reading the file again; values keeps the others,
// at their places in the new bytes. nullopt when a value no longer stands where it
// was (the file changed since): the file is then to be read and converted anew.
std::optional<QByteArray> relink(const QByteArray& converted, std::vector<PendingValue>& values,
                                 const QString& localFile, const LocalFileOf& localFileOf);
