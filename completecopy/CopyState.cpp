#include "completecopy/CopyState.h"
#include "completecopy/address/LocalPath.h"
#include "fs/NativePath.h"
#include "fs/ReplaceFile.h"
#include "fs/RunError.h"

#include <QUrl>
#include <algorithm>

namespace {

const QByteArray kHeader = "# Mirasito - stato della copia completa: una riga per file\n"
                           "# indirizzo\tfile locale\tLast-Modified\tETag\tContent-Type\n";

QByteArray field(const QByteArray& value) {
    QByteArray v = value;
    return v.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

bool CopyState::readInto(const QByteArray& text, const QString& start, QHash<QString, Entry>& entries,
                         QString& fileStart, bool lastLineMayBeCut) {
    QList<QByteArray> lines = text.split('\n');
    // A file ends with a line end; what follows the last one is a line cut short.
    const QByteArray cut = lines.takeLast();
    if (!cut.isEmpty() && !lastLineMayBeCut)
        return false;
    bool started = false;
    QHash<QString, Entry> read;
    for (const QByteArray& line : lines) {
        if (line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.split('\t');
        if (!started) {
            if (f.size() != 2 || f[0] != "inizio")
                return false;
            fileStart = QString::fromUtf8(f[1]);
            started = true;
            if (fileStart != start)
                return true;
            continue;
        }
        if (f.size() != 5 || f[0].isEmpty())
            return false;
        const QString address = QString::fromUtf8(f[0]);
        const QString local = QString::fromUtf8(f[1]);
        // An entry must name the file its address is kept in: nothing else is read
        // or compared, whatever the file says.
        if (local != localPathFor(QUrl(address, QUrl::StrictMode)))
            return false;
        read.insert(address, {local, f[2], f[3], f[4]});
    }
    if (!started)
        return false;
    for (auto it = read.begin(); it != read.end(); ++it)
        entries.insert(it.key(), it.value());
    return true;
}

CopyState::Loaded CopyState::load(const QString& folder, const QString& start) {
    m_folder = folder;
    m_start = start;
    m_previous.clear();
    m_current.clear();
    m_otherStart.clear();
    m_setAside = false;
    const QString statePath = nativePath(folder + kFileName);
    const QString journalPath = nativePath(folder + kJournalName);
    Loaded loaded = Loaded::None;
    if (QFile::exists(statePath)) {
        QString fileStart;
        if (!readInto(readAll(statePath), start, m_previous, fileStart, false)) {
            m_previous.clear();
            loaded = Loaded::Damaged;
        } else if (fileStart != start) {
            m_previous.clear();
            m_otherStart = fileStart;
            loaded = Loaded::OtherStart;
        } else {
            loaded = Loaded::Usable;
        }
        // A state that cannot be used is replaced when this run begins, so that the
        // lines this run writes are read by the next one.
        m_setAside = loaded != Loaded::Usable;
    }
    // The lines of a run of this start cut short count over the state (they are
    // newer), even over a state that cannot be used: that run settled them. A
    // journal that cannot be read, or that belongs to another copy, is set aside.
    if (QFile::exists(journalPath)) {
        QString journalStart;
        QHash<QString, Entry> journal;
        if (readInto(readAll(journalPath), start, journal, journalStart, true) && journalStart == start &&
            !journal.isEmpty()) {
            for (auto it = journal.begin(); it != journal.end(); ++it)
                m_previous.insert(it.key(), it.value());
            loaded = Loaded::Usable;
            m_otherStart.clear();
        }
    }
    return loaded;
}

const CopyState::Entry* CopyState::previous(const QString& address) const {
    const auto it = m_previous.constFind(address);
    return it == m_previous.cend() ? nullptr : &it.value();
}

const CopyState::Entry* CopyState::current(const QString& address) const {
    const auto it = m_current.constFind(address);
    return it == m_current.cend() ? nullptr : &it.value();
}

QByteArray CopyState::text(const QHash<QString, Entry>& entries) const {
    QStringList addresses = entries.keys();
    std::sort(addresses.begin(), addresses.end());
    QByteArray out = kHeader + "inizio\t" + field(m_start.toUtf8()) + '\n';
    for (const QString& address : addresses) {
        const Entry& e = entries[address];
        out += field(address.toUtf8()) + '\t' + field(e.local.toUtf8()) + '\t' + field(e.lastModified) + '\t' +
               field(e.etag) + '\t' + field(e.contentType) + '\n';
    }
    return out;
}

bool CopyState::begin() {
    m_journal.close();
    try {
        if (!m_previous.isEmpty() || m_setAside)
            replaceFile(m_folder + kFileName, text(m_previous));
    } catch (const RunError&) {
        return false;
    }
    m_setAside = false;
    m_journal.setFileName(nativePath(m_folder + kJournalName));
    if (!m_journal.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_journal.write(kHeader + "inizio\t" + field(m_start.toUtf8()) + '\n');
    return m_journal.flush();
}

void CopyState::record(const QString& address, const Entry& entry) {
    m_current.insert(address, entry);
    if (!m_journal.isOpen())
        return;
    m_journal.write(field(address.toUtf8()) + '\t' + field(entry.local.toUtf8()) + '\t' + field(entry.lastModified) +
                    '\t' + field(entry.etag) + '\t' + field(entry.contentType) + '\n');
    m_journal.flush();
}

bool CopyState::finish(const QStringList& kept) {
    QHash<QString, Entry> all = m_current;
    for (const QString& address : kept)
        if (const Entry* e = previous(address); e && !all.contains(address))
            all.insert(address, *e);
    try {
        replaceFile(m_folder + kFileName, text(all));
    } catch (const RunError&) {
        return false;
    }
    m_journal.close();
    m_journal.remove();
    return true;
}
