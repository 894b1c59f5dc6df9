#include "completecopy/CopyState.h"
#include "completecopy/address/LocalPath.h"
#include "fs/NativePath.h"
#include "fs/ReplaceFile.h"
#include "fs/RunError.h"

#include <QUrl>
#include <algorithm>

namespace {

const QByteArray kHeader = "# Mirasito - stato della copia completa: una riga per file\n"
                           "# indirizzo\tfile locale\tLast-Modified\tETag\tContent-Type\tSHA-256\tforma\n";
const QByteArray kPartial = "parziale";
const QByteArray kServed = "servito";
const QByteArray kConverted = "convertito";

QByteArray field(const QByteArray& value) {
    QByteArray v = value;
    return v.replace('\t', ' ').replace('\n', ' ').replace('\r', ' ');
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

bool CopyState::readInto(const QByteArray& text, const QString& start, Read& into, QString& fileStart,
                         bool lastLineMayBeCut) {
    QList<QByteArray> lines = text.split('\n');
    // A file ends with a line end; what follows the last one is a line cut short.
    const QByteArray cut = lines.takeLast();
    if (!cut.isEmpty() && !lastLineMayBeCut)
        return false;
    bool started = false;
    Read read;
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
        if (f.size() == 3 && f[0] == kPartial && !f[1].isEmpty()) {
            read.partials.insert(QString::fromUtf8(f[1]), f[2]);
            continue;
        }
        if ((f.size() != 5 && f.size() != 7) || f[0].isEmpty())
            return false;
        const QString address = QString::fromUtf8(f[0]);
        const QString local = QString::fromUtf8(f[1]);
        // An entry must name the file its address is kept in (a page read offline
        // with .html added): nothing else is read or compared, whatever the file says.
        const QString own = localPathFor(QUrl(address, QUrl::StrictMode));
        if (local != own && local != own + QStringLiteral(".html"))
            return false;
        Entry e{local, f[2], f[3], f[4], QByteArray(), false};
        if (f.size() == 7) {
            if (f[6] != kServed && f[6] != kConverted)
                return false;
            e.sha256 = f[5];
            e.converted = f[6] == kConverted;
        }
        read.entries.insert(address, e);
    }
    if (!started)
        return false;
    for (auto it = read.entries.begin(); it != read.entries.end(); ++it)
        into.entries.insert(it.key(), it.value());
    for (auto it = read.partials.begin(); it != read.partials.end(); ++it)
        into.partials.insert(it.key(), it.value());
    return true;
}

CopyState::Loaded CopyState::load(const QString& folder, const QString& start) {
    m_folder = folder;
    m_start = start;
    m_previous.clear();
    m_current.clear();
    m_partials.clear();
    m_byLocal.clear();
    m_otherStart.clear();
    m_setAside = false;
    const QString statePath = nativePath(folder + kFileName);
    const QString journalPath = nativePath(folder + kJournalName);
    Loaded loaded = Loaded::None;
    if (QFile::exists(statePath)) {
        QString fileStart;
        Read read;
        if (!readInto(readAll(statePath), start, read, fileStart, false)) {
            loaded = Loaded::Damaged;
        } else if (fileStart != start) {
            m_otherStart = fileStart;
            loaded = Loaded::OtherStart;
        } else {
            m_previous = read.entries;
            m_partials = read.partials;
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
        Read journal;
        if (readInto(readAll(journalPath), start, journal, journalStart, true) && journalStart == start &&
            (!journal.entries.isEmpty() || !journal.partials.isEmpty())) {
            for (auto it = journal.entries.begin(); it != journal.entries.end(); ++it)
                m_previous.insert(it.key(), it.value());
            for (auto it = journal.partials.begin(); it != journal.partials.end(); ++it)
                m_partials.insert(it.key(), it.value());
            loaded = Loaded::Usable;
            m_otherStart.clear();
        }
    }
    for (auto it = m_previous.cbegin(); it != m_previous.cend(); ++it)
        m_byLocal.insert(it->local, it.key());
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

namespace {

QByteArray entryLine(const QString& address, const CopyState::Entry& e) {
    return field(address.toUtf8()) + '\t' + field(e.local.toUtf8()) + '\t' + field(e.lastModified) + '\t' +
           field(e.etag) + '\t' + field(e.contentType) + '\t' + field(e.sha256) + '\t' +
           (e.converted ? kConverted : kServed) + '\n';
}

QByteArray partialLine(const QString& address, const QByteArray& validator) {
    return kPartial + '\t' + field(address.toUtf8()) + '\t' + field(validator) + '\n';
}

} // namespace

QByteArray CopyState::text(const QHash<QString, Entry>& entries, const QHash<QString, QByteArray>& partials) const {
    QStringList addresses = entries.keys();
    std::sort(addresses.begin(), addresses.end());
    QByteArray out = kHeader + "inizio\t" + field(m_start.toUtf8()) + '\n';
    for (const QString& address : addresses)
        out += entryLine(address, entries[address]);
    QStringList cut = partials.keys();
    std::sort(cut.begin(), cut.end());
    for (const QString& address : cut)
        out += partialLine(address, partials[address]);
    return out;
}

bool CopyState::begin() {
    m_journal.close();
    try {
        if (!m_previous.isEmpty() || !m_partials.isEmpty() || m_setAside)
            replaceFile(m_folder + kFileName, text(m_previous, m_partials));
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

void CopyState::journal(const QByteArray& line) {
    if (!m_journal.isOpen())
        return;
    m_journal.write(line);
    m_journal.flush();
}

void CopyState::record(const QString& address, const Entry& entry) {
    m_current.insert(address, entry);
    m_byLocal.insert(entry.local, address);
    journal(entryLine(address, entry));
}

const QByteArray* CopyState::partial(const QString& address) const {
    const auto it = m_partials.constFind(address);
    return it == m_partials.cend() ? nullptr : &it.value();
}

void CopyState::recordPartial(const QString& address, const QByteArray& validator) {
    if (const QByteArray* known = partial(address); known && *known == validator)
        return;
    m_partials.insert(address, validator);
    journal(partialLine(address, validator));
}

void CopyState::partialDone(const QString& address) {
    m_partials.remove(address);
}

bool CopyState::finish(const QStringList& kept) {
    QHash<QString, Entry> all = m_current;
    for (const QString& address : kept)
        if (const Entry* e = previous(address); e && !all.contains(address))
            all.insert(address, *e);
    try {
        replaceFile(m_folder + kFileName, text(all, m_partials));
    } catch (const RunError&) {
        return false;
    }
    m_journal.close();
    m_journal.remove();
    return true;
}
