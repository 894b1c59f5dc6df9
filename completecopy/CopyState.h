#pragma once
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>

// What a complete copy keeps in its destination folder about the files it holds, so
// that the next copy of the same site into the same folder asks the server only for
// what changed: for each address its local file, the Last-Modified and ETag the
// server gave and the file's type.
//
// mirasito-stato.txt is plain UTF-8 text, one line a file, tab-separated:
//     # comment lines
//     inizio <TAB> start address
//     address <TAB> local file <TAB> Last-Modified <TAB> ETag <TAB> Content-Type
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
        QString local;          // as localPathFor gives it
        QByteArray lastModified;
        QByteArray etag;
        QByteArray contentType;
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

    // Starts this run: the state read is saved whole first (so that nothing of a run
    // cut short is lost, and a state set aside no longer stands in the way of this
    // run's lines), then the run's own lines begin. False when the folder
    // refuses the files; the copy then goes on without them.
    bool begin();
    // A file this run settled, appended to the run's lines at once.
    void record(const QString& address, const Entry& entry);
    // Ends the run: the state becomes what this run recorded plus the entries of the
    // state read that are named in kept (files gone from the site but still on disk,
    // files that failed this time), written in one step; the run's lines go. False
    // when the state file could not be written (the old one is then left as it was).
    bool finish(const QStringList& kept);

private:
    static bool readInto(const QByteArray& text, const QString& start, QHash<QString, Entry>& entries,
                         QString& fileStart, bool lastLineMayBeCut);
    QByteArray text(const QHash<QString, Entry>& entries) const;

    QString m_folder;
    QString m_start;
    QString m_otherStart;
    QHash<QString, Entry> m_previous;
    QHash<QString, Entry> m_current;
    QFile m_journal;
    bool m_setAside = false;  // the state file read cannot be used
};
