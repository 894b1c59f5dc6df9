#pragma once
#include <QString>

// Every failure number of the program, with its Italian description, in one place.
// File-layer numbers follow the classic run-time numbering; transfer numbers are
// the transfer component's own; an HTTP failure carries the HTTP status itself.
namespace ErrorCodes {

// Settings step
inline constexpr int PortaNonValida = 13;        // port text not a 16-bit whole number

// Counters and tables
inline constexpr int Overflow = 6;               // a 16-bit counter would leave its range
inline constexpr int IndiceNonValido = 9;        // a table slot past the last one

// Components
inline constexpr int ArgomentoNonValido = 5;     // an argument a component does not take
inline constexpr int FiltroNonValido = 20001;    // file dialog filter not in "desc|pattern" pairs

// File layer
inline constexpr int FileNonTrovato = 53;
inline constexpr int DiscoPieno = 61;
inline constexpr int PermessoNegato = 70;
inline constexpr int ErroreAccessoFile = 75;
inline constexpr int PercorsoNonTrovato = 76;
inline constexpr int ImmagineNonValida = 481;    // file that is not a picture

// Transfer component
inline constexpr int IndirizzoNonValido = 35750;
inline constexpr int ProtocolloNonSupportato = 35751;
inline constexpr int ServerNonTrovato = 35752;
inline constexpr int ProxyNonTrovato = 35753;
inline constexpr int ConnessioneRifiutata = 35754;
inline constexpr int TempoScaduto = 35755;
inline constexpr int ConnessioneInterrotta = 35756;
inline constexpr int CertificatoNonValido = 35757;
inline constexpr int TroppiReindirizzamenti = 35758;
inline constexpr int AccessoNegato = 35759;
inline constexpr int OperazioneAnnullata = 35760;
inline constexpr int ErroreTrasferimento = 35761;
inline constexpr int RispostaHttpNonValida = 35762;
inline constexpr int ConnessioneSicuraNonRiuscita = 35763;  // TLS handshake failed

// Description of an HTTP failure whose status line carries no reason phrase
// (HTTP/2, or a server that leaves it out); the number is the status itself.
QString descrizioneHttpSenzaMotivo();

QString descrizione(int number);

// Raises the failure with its number and description (as a RunError).
[[noreturn]] void raise(int number);

} // namespace ErrorCodes
