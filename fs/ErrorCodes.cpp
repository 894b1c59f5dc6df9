#include "fs/ErrorCodes.h"
#include "fs/RunError.h"

namespace ErrorCodes {

QString descrizione(int number) {
    switch (number) {
    case PortaNonValida: return QStringLiteral("Porta non valida");
    case Overflow: return QStringLiteral("Overflow");
    case IndiceNonValido: return QStringLiteral("Indice non compreso nell'intervallo");
    case ArgomentoNonValido: return QStringLiteral("Chiamata di routine o argomento non validi");
    case FiltroNonValido: return QStringLiteral("Filtro del dialogo non valido");
    case FileNonTrovato: return QStringLiteral("File non trovato");
    case DiscoPieno: return QStringLiteral("Disco pieno");
    case PermessoNegato: return QStringLiteral("Permesso negato");
    case ErroreAccessoFile: return QStringLiteral("Errore di accesso al percorso o al file");
    case PercorsoNonTrovato: return QStringLiteral("Percorso non trovato");
    case ImmagineNonValida: return QStringLiteral("Immagine non valida");
    case IndirizzoNonValido: return QStringLiteral("Indirizzo non valido");
    case ProtocolloNonSupportato: return QStringLiteral("Protocollo non supportato");
    case ServerNonTrovato: return QStringLiteral("Nome del server non risolto");
    case ProxyNonTrovato: return QStringLiteral("Nome del proxy non risolto");
    case ConnessioneRifiutata: return QStringLiteral("Impossibile collegarsi al server");
    case TempoScaduto: return QStringLiteral("Tempo scaduto");
    case ConnessioneInterrotta: return QStringLiteral("Connessione interrotta");
    case CertificatoNonValido: return QStringLiteral("Certificato del server non valido");
    case TroppiReindirizzamenti: return QStringLiteral("Troppi reindirizzamenti");
    case AccessoNegato: return QStringLiteral("Accesso negato");
    case OperazioneAnnullata: return QStringLiteral("Operazione annullata");
    case ErroreTrasferimento: return QStringLiteral("Errore nel trasferimento");
    case RispostaHttpNonValida: return QStringLiteral("Risposta del server non valida");
    case ConnessioneSicuraNonRiuscita: return QStringLiteral("Connessione sicura non riuscita");
    default: return QStringLiteral("Errore");
    }
}

QString descrizioneHttpSenzaMotivo() {
    return QStringLiteral("Errore HTTP");
}

void raise(int number) {
    throw RunError(number, descrizione(number));
}

} // namespace ErrorCodes
