#include "completecopy/OfflinePages.h"
#include "completecopy/CopyState.h"
#include "completecopy/address/SiteAddress.h"
#include "copier/DestinationTree.h"
#include "fs/FileReplacer.h"
#include "fs/RunError.h"

namespace {
// The most memory the bytes of pages still to be converted again take: past it, they
// are read back from the disk when their turn comes.
constexpr qint64 kBytesKeptAtMost = 64 * 1024 * 1024;
// The spare file pages are written again through, in the destination folder (one
// of the names no file of the site takes there).
const QString kSpareName = QStringLiteral("mirasito-ricambio.tmp");
} // namespace

OfflinePages::OfflinePages(const DestinationTree& destination, const CopyState& state, bool update)
    : m_destination(destination), m_state(state), m_update(update) {}

std::optional<QString> OfflinePages::localFileOf(const QString& key, const QHash<QString, QString>& names) const {
    if (const auto named = names.constFind(key); named != names.cend())
        return *named;
    if (const CopyState::Entry* now = m_state.current(key))
        return now->local;
    // A file an earlier copy kept, still on the disk, is held as well.
    if (const CopyState::Entry* before = m_update ? m_state.previous(key) : nullptr;
        before && m_destination.modified(m_destination.root() + before->local).isValid())
        return before->local;
    return std::nullopt;
}

std::optional<QUrl> OfflinePages::addressOf(const QString& local) const {
    const QString address = m_state.addressOfLocal(local);
    return address.isEmpty() ? std::nullopt : std::optional<QUrl>(QUrl(address, QUrl::StrictMode));
}

std::optional<ReadFile> OfflinePages::read(const FetchedFile& file, ContentKind kind) const {
    if (kind == ContentKind::Other || !file.bodyRead)
        return std::nullopt;
    // A file found not modified is read as the copy keeps it.
    FileForm form = FileForm::Served;
    QString local;
    if (file.notModified) {
        const QString key = addressKey(file.finalAddress);
        const CopyState::Entry* kept = m_state.current(key) ? m_state.current(key) : m_state.previous(key);
        if (kept) {
            form = kept->converted ? FileForm::Converted : FileForm::Served;
            local = kept->local;
        }
    }
    const AddressOf addressOf = [this](const QString& l) { return this->addressOf(l); };
    if (kind == ContentKind::Stylesheet)
        return readStylesheet(file.body, file.finalAddress, local, form, addressOf);
    return readPage(file.body, charsetOf(file.contentType), file.finalAddress, local, form, addressOf);
}

CopiedFiles::Conversion OfflinePages::conversion(const FetchedFile& file, const ReadFile& read,
                                                 const QHash<QString, QString>& names, int level) {
    return [this, &file, &read, names, level](const QString& local) -> std::optional<QByteArray> {
        std::vector<PendingValue> values;
        const LocalFileOf held = [this, &names](const QString& key) { return localFileOf(key, names); };
        QByteArray converted = convert(file.body, read, local, held, nullptr, &values);
        if (auto it = m_pending.find(local); it != m_pending.end())
            forget(it);
        if (!values.empty()) {
            Pending& pending = *m_pending.insert(local, {file.finalAddress, charsetOf(file.contentType),
                                                         contentKindOf(file.contentType, file.finalAddress), level,
                                                         std::move(values), QByteArray()});
            keepBytes(pending, converted);
        }
        return converted;
    };
}

int OfflinePages::mend(int downToLevel) {
    int written = 0;
    const QHash<QString, QString> none;
    const LocalFileOf held = [this, &none](const QString& key) { return localFileOf(key, none); };
    const AddressOf addressOf = [this](const QString& l) { return this->addressOf(l); };
    // The pages are written again in place of the ones written a moment ago, through
    // a spare of the copy's own name.
    FileReplacer replacer(m_destination.root() + kSpareName);
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->level > downToLevel) {
            ++it;
            continue;
        }
        bool taken = false;
        for (const PendingValue& v : it->values)
            taken = taken || held(v.key).has_value();
        if (!taken) {
            ++it;
            continue;
        }
        const QString path = m_destination.root() + it.key();
        // The page as this copy wrote it; one that is no longer there is left alone.
        const QDateTime modified = m_destination.modified(path);
        const std::optional<QByteArray> bytes =
            !modified.isValid() ? std::nullopt
            : it->bytes.isEmpty() ? m_destination.readBytes(path)
                                  : std::optional<QByteArray>(it->bytes);
        if (!bytes) {
            forget(it);
            continue;
        }
        // The values written in full are made links where they stand; bytes that no
        // longer hold them there (a page read back from the disk that was changed
        // meanwhile) are read and converted anew. The bytes kept in memory are the
        // copy's own: while it runs, it is the only writer of its pages.
        std::optional<QByteArray> converted = relink(*bytes, it->values, it.key(), held);
        if (!converted) {
            const ReadFile read = it->kind == ContentKind::Stylesheet
                                      ? readStylesheet(*bytes, it->address, it.key(), FileForm::Converted, addressOf)
                                      : readPage(*bytes, it->charset, it->address, it.key(), FileForm::Converted,
                                                 addressOf);
            it->values.clear();
            converted = convert(*bytes, read, it.key(), held, nullptr, &it->values);
        }
        try {
            // The time of its last change stays: the next copy asks for the page with it.
            if (*converted != *bytes) {
                m_destination.saveBytes(path, *converted, modified, replacer);
                ++written;
                if (!it->bytes.isEmpty())
                    keepBytes(*it, *converted);
            }
        } catch (const RunError&) {
            // Left as it was: its links to those files still lead to the web.
        }
        if (it->values.empty())
            forget(it);
        else
            ++it;
    }
    return written;
}

void OfflinePages::keepBytes(Pending& pending, const QByteArray& bytes) {
    m_bytesKept -= pending.bytes.size();
    pending.bytes.clear();
    if (m_bytesKept + bytes.size() <= kBytesKeptAtMost) {
        pending.bytes = bytes;
        m_bytesKept += bytes.size();
    }
}

void OfflinePages::forget(QHash<QString, Pending>::iterator& it) {
    m_bytesKept -= it->bytes.size();
    it = m_pending.erase(it);
}
