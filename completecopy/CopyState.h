#pragma once
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>

// What a complete copy keeps in its destination folder about the files it holds, so
// that the next copy of the same site into the same folder asks the server only for
// what changed: for each address its local file, the Last-Modified and ETag the
// server gave, the file's type, a hash of the bytes the server sent and whether the
// file on the disk is those bytes or a page made readable offline; and the parts of
// large files cut short, to be continued.
//
// mirasito-stato.txt is plain UTF-8 text, one line a file, tab-separated:
//     # comment lines
//     inizio <TAB> start address
//     address <TAB> local file <TAB> Last-Modified <TAB> ETag <TAB> Content-Type <TAB> SHA-256 <TAB> servito|convertito
//     parziale <TAB> address <TAB> validator (the ETag or Last-Modified to continue it under)
// (lines of five fields, without the hash and the form, are read as files kept as served)
// While a copy runs, each file it settles is appended at once to
// mirasito-stato.txt.nuovo (the same form); the state file itself is replaced in one
// step at the end. A copy broken off anywhere (the window closed, the process
// killed, the disk full) so leaves the last whole state and the lines of the run cut
// short, and the next copy reads both.
class CopyState {
public:
    static inline const QString kFileName = QStringLiteral("mirasito-stato.txt");
    static inline const QString kJournalName = QStringLiteral("mirasito-stato.txt.nuovo");

    struct Entry {
        QString local;          // as localPathFor gives it (a page made readable offline: with .html added)
        QByteArray lastModified;
        QByteArray etag;
        QByteArray contentType;
        QByteArray sha256;      // hex, of the bytes served; empty when not known
        bool converted = false; // the file on the disk is the page or stylesheet made readable offline
        bool operator==(const Entry&) const = default;
    };

    enum class Loaded {
        None,        // no state: a fresh copy
        Usable,      // the state of a copy of the same start address
        OtherStart,  // the state of a copy of another start address: a fresh copy
        Damaged,     // a state file that cannot be read as one: a fresh copy
    };

    // Reads what copies of start left in the folder (program form, ending with its
    // separator): the state file and the lines of a run of start cut short. A state
    // of another start address or a damaged one is set aside, and replaced by this
    // run's when it begins; the lines of a run of start cut short are read even then.
    Loaded load(const QString& folder, const QString& start);
    const QString& otherStart() const { return m_otherStart; }

    // The entry of an address in the state read, or recorded by this run; null when
    // it has none.
    const Entry* previous(const QString& address) const;
    const Entry* current(const QString& address) const;
    QStringList previousAddresses() const { return m_previous.keys(); }
    // The address whose file is kept in a local file, by this run or the state read;
    // empty when none is.
    QString addressOfLocal(const QString& local) const { return m_byLocal.value(local); }

    // Starts this run: the state read is saved whole first (so that nothing of a run
    // cut short is lost, and a state set aside no longer stands in the way of this
    // run's lines), then the run's own lines begin. False when the folder
    // refuses the files; the copy then goes on without them.
    bool begin();
    // A file this run settled, appended to the run's lines at once.
    void record(const QString& address, const Entry& entry);

    // The part of a large file cut short that an earlier run kept, with the validator
    // to continue it under; null when there is none.
    const QByteArray* partial(const QString& address) const;
    // A large file being fetched, to be continued under this validator if it is cut
    // (appended to the run's lines at once); done() once it is whole or given up.
    void recordPartial(const QString& address, const QByteArray& validator);
    void partialDone(const QString& address);
    // Ends the run: the state becomes what this run recorded plus the entries of the
    // state read that are named in kept (files gone from the site but still on disk,
    // files that failed this time), written in one step; the run's lines go. False
    // when the state file could not be written (the old one is then left as it was).
    bool finish(const QStringList& kept);

private:
    struct Read {
        QHash<QString, Entry> entries;
        QHash<QString, QByteArray> partials;
    };
    static bool readInto(const QByteArray& text, const QString& start, Read& read, QString& fileStart,
                         bool lastLineMayBeCut);
    QByteArray text(const QHash<QString, Entry>& entries, const QHash<QString, QByteArray>& partials) const;
    void journal(const QByteArray& line);

    QString m_folder;
    QString m_start;
    QString m_otherStart;
    QHash<QString, Entry> m_previous;
    QHash<QString, Entry> m_current;
    QHash<QString, QByteArray> m_partials;  // read, and recorded by this run
    QHash<QString, QString> m_byLocal;       // local file -> address, of both
    QFile m_journal;
    bool m_setAside = false;  // the state file read cannot be used
};
