#include "copier/CrawlTable.h"
#include "copier/UpperCased.h"
#include "fs/ErrorCodes.h"
#include <limits>

qint16 incremented(qint16 value) {
    if (value == std::numeric_limits<qint16>::max())
        ErrorCodes::raise(ErrorCodes::Overflow);
    return qint16(value + 1);
}

void CrawlTable::AZZERA_RIF(const QString& startFile) {
    WLIVELLO = 0;
    N_RIF = 0;
    N_HTM = 0;
    m_href[0] = startFile;
    m_upper[0] = upperCased(startFile);
    m_elab[0] = 1;
}

bool CrawlTable::AGGIUNGI_RIF(const QString& text) {
    N_RIF = incremented(N_RIF);
    if (N_RIF > kLastSlot)
        return false;
    m_href[N_RIF] = text;
    m_upper[N_RIF] = upperCased(text);
    m_elab[N_RIF] = 0;
    return true;
}

CrawlTable::Lookup CrawlTable::PRENDI_RIF(const QString& text) {
    const QString wanted = upperCased(text);
    int chosen = 1;
    // A linear scan up to the last slot used when the scan starts.
    const int last = N_RIF;
    for (int slot = 0; slot <= last; ++slot) {
        if (slot > kLastSlot)
            ErrorCodes::raise(ErrorCodes::IndiceNonValido);
        if (m_upper[slot] == wanted) {
            chosen = m_elab[slot] == 1 ? 0 : slot;
            break;
        }
    }
    if (chosen == 0)
        return Lookup::Refused;
    m_elab[chosen] = 1;
    N_HTM = incremented(N_HTM);
    return Lookup::Claimed;
}
