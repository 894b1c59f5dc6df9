#pragma once
#include <QString>
#include <QtGlobal>
#include <array>

// The references of one copy: every reference text found, in the order found, each
// with a mark telling whether it has been taken for processing. Slot 0 holds the
// start page's local file; slots 1 to 2000 the references. A reference is taken
// once per copy, and at most 2000 are recorded.
class CrawlTable {
public:
    static constexpr int kLastSlot = 2000;

    // Current crawl level, references recorded since the reset (it goes on counting
    // past 2000 once the table is full), references taken since the reset.
    qint16 WLIVELLO = 0;
    qint16 N_RIF = 0;
    qint16 N_HTM = 0;

    enum class Lookup { Claimed, Refused };

    // A new copy: the counters go back to 0, slot 0 holds the start page's local file,
    // already taken. Slots above 0 keep their texts; nothing reads them past N_RIF.
    void AZZERA_RIF(const QString& startFile);

    // Records the reference as extracted. False (refused) once the table is full; the
    // count goes on all the same. A count that would leave 16 bits raises Overflow.
    bool AGGIUNGI_RIF(const QString& text);

    // Takes the reference for processing. The first slot whose text equals it, both
    // upper-cased, decides: refused when that slot was taken already, else that slot
    // is marked taken. A text no slot holds is claimed all the same and marks slot 1.
    // Once the table has overflowed, a text no slot holds raises "index out of range".
    Lookup PRENDI_RIF(const QString& text);

    const QString& TAB_HREF(int slot) const { return m_href.at(slot); }
    qint16 TAB_ELAB(int slot) const { return m_elab.at(slot); }

private:
    std::array<QString, kLastSlot + 1> m_href;
    std::array<QString, kLastSlot + 1> m_upper; // each text upper-cased, for the lookup
    std::array<qint16, kLastSlot + 1> m_elab{};
};

// Adds 1 to a 16-bit counter; raises Overflow when the result would not fit.
qint16 incremented(qint16 value);
