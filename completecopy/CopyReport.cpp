#include "completecopy/CopyReport.h"
#include "fs/ErrorCodes.h"
#include <QDateTime>

bool CopyReport::open(const QString& path, const QString& startAddress, const QString& destination,
                      const QString& level) {
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    line(QStringLiteral("# Mirasito - copia completa del ") +
         QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    line(QStringLiteral("# indirizzo iniziale\t") + startAddress);
    line(QStringLiteral("# cartella\t") + destination);
    line(QStringLiteral("# livello massimo\t") + level);
    line(QStringLiteral("# livello\tstato\tindirizzo\tfile locale o esito\tda"));
    return true;
}

int CopyReport::errorNumber() const {
    return m_file.error() == QFileDevice::PermissionsError ? ErrorCodes::PermessoNegato : ErrorCodes::ErroreAccessoFile;
}

void CopyReport::file(int level, State state, const QString& address, const QString& outcome, const QString& referrer) {
    static const char* const words[] = {"nuovo", "cambiato", "invariato", "sparito", "errore"};
    line((level < 0 ? QStringLiteral("-") : QString::number(level)) + u'\t' +
         QLatin1String(words[int(state)]) + u'\t' + address + u'\t' + outcome + u'\t' + referrer);
}

void CopyReport::leftOut(int level, const QString& address, const QString& reason, const QString& referrer) {
    line(QString::number(level) + QStringLiteral("\tescluso\t") + address + QStringLiteral("\tescluso: ") + reason +
         u'\t' + referrer);
}

void CopyReport::note(const QString& text) {
    line(QStringLiteral("# ") + text);
}

void CopyReport::close(const QString& word, const QString& summary) {
    line(QStringLiteral("# ") + word + u'\t' + summary);
    m_file.close();
}

void CopyReport::line(const QString& text) {
    if (!m_file.isOpen())
        return;
    QString clean = text;
    // One entry a line, whatever an address or a failure text holds.
    clean.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    m_file.write(clean.toUtf8() + '\n');
    m_file.flush();
}
