#include "net/Inet.h"

#include "fs/ErrorCodes.h"
#include "fs/TimeSpent.h"
#include "fs/NativePath.h"
#include "fs/RunError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#include <atomic>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace {

// The window is given a pass of its event loop this often while a transfer runs.
constexpr int kPumpIntervalMs = 50;
constexpr int kMaxRedirects = 10;
constexpr char kProtocols[] = "http,https,ftp";
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; Mirasito)";

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

[[noreturn]] void failHttp(long status, const QByteArray& reason) {
    const QString text = QString::fromLatin1(reason).trimmed();
    throw RunError(int(status), text.isEmpty() ? ErrorCodes::descrizioneHttpSenzaMotivo() : text);
}

int numberForCurl(CURLcode code) {
    using namespace ErrorCodes;
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL: return ProtocolloNonSupportato;
    case CURLE_URL_MALFORMAT: return IndirizzoNonValido;
    case CURLE_COULDNT_RESOLVE_HOST: return ServerNonTrovato;
    case CURLE_COULDNT_RESOLVE_PROXY: return ProxyNonTrovato;
    case CURLE_COULDNT_CONNECT: return ConnessioneRifiutata;
    case CURLE_OPERATION_TIMEDOUT: return TempoScaduto;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return ConnessioneInterrotta;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return CertificatoNonValido;
    case CURLE_SSL_CONNECT_ERROR: return ConnessioneSicuraNonRiuscita;
    case CURLE_TOO_MANY_REDIRECTS: return TroppiReindirizzamenti;
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_AUTH_ERROR: return AccessoNegato;
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE: return FileNonTrovato;
    case CURLE_ABORTED_BY_CALLBACK: return OperazioneAnnullata;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING: return RispostaHttpNonValida;
    default: return ErroreTrasferimento;
    }
}

// A "file://" address: what follows the prefix is a path of the program, read
// straight from the disk.
bool isFileAddress(const QString& address) {
    return address.startsWith(QLatin1String("file://"), Qt::CaseInsensitive);
}

QByteArray readLocalFile(const QString& programPath) {
    const QString path = nativePath(programPath);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        ErrorCodes::raise(ErrorCodes::FileNonTrovato);
    if (!info.isFile())
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        ErrorCodes::raise(file.error() == QFileDevice::PermissionsError ? ErrorCodes::PermessoNegato
                                                           : ErrorCodes::ErroreAccessoFile);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        ErrorCodes::raise(ErrorCodes::ErroreAccessoFile);
    return bytes;
}

// Addresses are typed or taken from pages: blanks, control characters and letters
// outside ASCII in the path and query are sent percent-encoded (as UTF-8). The
// scheme and server part are left alone.
QByteArray encodeAddress(const QString& address) {
    const QByteArray utf8 = address.toUtf8();
    const qsizetype schemeEnd = utf8.indexOf("://");
    const qsizetype authority = schemeEnd < 0 ? 0 : schemeEnd + 3;
    qsizetype pathStart = -1;
    for (qsizetype i = authority; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        if (c == '/' || c == '?' || c == '#') {
            pathStart = i;
            break;
        }
    }
    if (pathStart < 0)
        return utf8;
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out = utf8.left(pathStart);
    out.reserve(utf8.size() + 16);
    for (qsizetype i = pathStart; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8.at(i));
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += char(c);
        }
    }
    return out;
}

// True when a proxy text ("host", "host:port", possibly with a scheme) names a port.
bool proxyNamesPort(const QString& proxy) {
    QString p = proxy;
    const qsizetype scheme = p.indexOf(QLatin1String("://"));
    if (scheme >= 0)
        p = p.mid(scheme + 3);
    const qsizetype slash = p.indexOf(QLatin1Char('/'));
    if (slash >= 0)
        p.truncate(slash);
    const qsizetype at = p.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        p = p.mid(at + 1);
    if (p.startsWith(QLatin1Char('['))) {
        const qsizetype close = p.indexOf(QLatin1Char(']'));
        return close >= 0 && p.mid(close + 1).startsWith(QLatin1Char(':'));
    }
    return p.contains(QLatin1Char(':'));
}

// The address with the given port when it names none; unchanged when it names one,
// or when it cannot be parsed (the transfer then reports what is wrong with it).
QByteArray withPortIfNone(const QByteArray& url, int port) {
    CURLU* u = curl_url();
    if (!u)
        return url;
    struct Free {
        CURLU* u;
        ~Free() { curl_url_cleanup(u); }
    } guard{u};
    if (curl_url_set(u, CURLUPART_URL, url.constData(),
                     CURLU_DEFAULT_SCHEME | CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS) != CURLUE_OK)
        return url;
    char* named = nullptr;
    if (curl_url_get(u, CURLUPART_PORT, &named, 0) == CURLUE_OK) {
        curl_free(named);
        return url;
    }
    if (curl_url_set(u, CURLUPART_PORT, QByteArray::number(port).constData(), 0) != CURLUE_OK)
        return url;
    char* full = nullptr;
    if (curl_url_get(u, CURLUPART_URL, &full, 0) != CURLUE_OK)
        return url;
    QByteArray result(full);
    curl_free(full);
    return result;
}

// What one transfer collects through curl's callbacks.
struct Transfer {
    QByteArray body;
    QByteArray reason;      // reason phrase of the last HTTP status line
    QList<QByteArray> headers; // header lines of the last response
    bool sawHttpStatus = false;
    bool outOfMemory = false;
    bool requestSent = false;
    QElapsedTimer sinceActivity;  // since the request went out or the last byte came
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    t->sinceActivity.restart();
    try {
        t->body.append(data, qsizetype(n));
    } catch (const std::bad_alloc&) {
        t->outOfMemory = true;
        return 0;
    }
    return n;
}

// A request is about to go out on a connection made or reused: from here on the
// server's silence counts.
int onRequest(void* user, char*, char*, int, int) {
    auto* t = static_cast<Transfer*>(user);
    t->requestSent = true;
    t->sinceActivity.restart();
    return CURL_PREREQFUNC_OK;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    t->sinceActivity.restart();
    const QByteArray line(data, qsizetype(n));
    if (line.startsWith("HTTP/")) {
        // A new response begins (after a redirect, an authentication round or a
        // proxy tunnel): only the last one counts, and so does only its body.
        t->sawHttpStatus = true;
        t->body.clear();
        t->reason.clear();
        t->headers.clear();
        const qsizetype space = line.indexOf(' ');
        if (space >= 0) {
            QByteArray rest = line.mid(space + 1).trimmed();  // "404 Not Found"
            const qsizetype afterCode = rest.indexOf(' ');
            if (afterCode >= 0)
                t->reason = rest.mid(afterCode + 1).trimmed();
        }
    } else if (line.contains(':')) {
        t->headers.append(line.trimmed());
    }
    return n;
}

// One curl easy handle in its own multi handle. The multi handle keeps the
// connection cache, so connections stay open from one transfer to the next.
struct Channel {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    Channel() {
        initCurlOnce();
        multi = curl_multi_init();
        easy = curl_easy_init();
    }
    ~Channel() {
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
    }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;
};

struct Settings {
    QString userName;
    QString password;
    QString proxy;
    qint16 remotePort = 0;
    bool operator==(const Settings&) const = default;
};

// The last successful response, offered once to the next OpenURL.
struct CachedResponse {
    QString address;   // as asked for
    QString finalUrl;  // as finally opened
    Settings settings;
    QByteArray bytes;
};

// How one transfer is made: OpenURL follows redirects and raises an HTTP failure; a
// site copy's requests follow none, give back every status and may add headers.
struct FetchOptions {
    bool followRedirects = true;
    bool raiseHttpFailures = true;
    const Inet::RequestHeaders* headers = nullptr;
};

struct Fetched {
    QByteArray bytes;
    QString finalUrl;
    long status = 0;
    QByteArray reason;
    QList<QByteArray> headers;

    // The value of a response header, empty when absent.
    QByteArray header(const char* name) const {
        const qsizetype length = qsizetype(qstrlen(name));
        for (const QByteArray& line : headers)
            if (line.size() > length && line.at(length) == ':' && qstrnicmp(line.constData(), name, length) == 0)
                return line.mid(length + 1).trimmed();
        return QByteArray();
    }
};

void pumpEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

struct Inet::Impl {
    Timeouts timeouts;
    Channel channel;
    bool channelBusy = false;
    std::atomic<unsigned> cancelGeneration{0};
    QString url;
    std::optional<CachedResponse> cache;

    Fetched fetch(const QString& address, const Settings& s, const FetchOptions& options = {});
    void configure(CURL* h, const QString& address, const Settings& s, const FetchOptions& options, Transfer& t) const;
    void applySettings(CURL* h, const QString& address, const Settings& s, bool followRedirects) const;
};

void Inet::Impl::configure(CURL* h, const QString& address, const Settings& s, const FetchOptions& options,
                           Transfer& t) const {
    curl_easy_reset(h);
    applySettings(h, address, s, options.followRedirects);

    // The silence of a server that has been asked is measured by fetch() itself, from
    // the last byte received: a slow server that sends something within every
    // stall time is waited for, whatever its average speed.
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, onRequest);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &t);

    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
}

// Everything a transfer takes from the settings, but its callbacks.
void Inet::Impl::applySettings(CURL* h, const QString& address, const Settings& s, bool followRedirects) const {
    const bool useProxy = !s.proxy.isEmpty();
    const bool proxyHasPort = useProxy && proxyNamesPort(s.proxy);
    QByteArray url = encodeAddress(address);
    // The port box stands for the address's port when no proxy takes it.
    if (s.remotePort > 0 && (!useProxy || proxyHasPort))
        url = withPortIfNone(url, s.remotePort);

    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(h, CURLOPT_DEFAULT_PROTOCOL, "http");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, long(kMaxRedirects));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);

    // The stall limit proper (no byte for stallSeconds) is the caller's to watch;
    // curl's own covers the answers of an ftp server.
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(timeouts.connectSeconds));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(timeouts.stallSeconds));

    // An empty proxy text means no proxy at all, whatever the environment says.
    const QByteArray proxy = s.proxy.toUtf8();
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.constData());
    if (useProxy) {
        curl_easy_setopt(h, CURLOPT_NOPROXY, "");
        if (s.remotePort > 0 && !proxyHasPort)
            curl_easy_setopt(h, CURLOPT_PROXYPORT, long(s.remotePort));
    }

    if (!s.userName.isEmpty()) {
        const QByteArray user = s.userName.toUtf8();
        const QByteArray password = s.password.toUtf8();
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, long(CURLAUTH_ANY));
    }
#ifdef _WIN32
    curl_easy_setopt(h, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_NATIVE_CA));
#endif
}

Fetched Inet::Impl::fetch(const QString& address, const Settings& s, const FetchOptions& options) {
    const unsigned generation = cancelGeneration.load();

    // A transfer started from inside another one (an event handled while the first
    // waits) gets a channel of its own: a curl handle cannot run twice at once.
    std::optional<Channel> ownChannel;
    Channel* ch = &channel;
    if (channelBusy)
        ch = &ownChannel.emplace();
    else
        channelBusy = true;
    struct Release {
        bool& busy;
        bool mine;
        ~Release() {
            if (mine)
                busy = false;
        }
    } release{channelBusy, ch == &channel};

    if (!ch->multi || !ch->easy)
        ErrorCodes::raise(ErrorCodes::ErroreTrasferimento);
    CURL* h = ch->easy;
    Transfer t;
    configure(h, address, s, options, t);
    struct HeaderList {
        curl_slist* list = nullptr;
        ~HeaderList() { curl_slist_free_all(list); }
    } extra;
    if (options.headers) {
        for (const auto& [name, value] : *options.headers)
            extra.list = curl_slist_append(extra.list, (name + ": " + value).constData());
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, extra.list);
    }
    t.sinceActivity.start();

    // Nothing received for the stall time once the request is out; and a last resort
    // against a transfer that neither that limit, curl's own nor the server end.
    const qint64 idleLimitMs = qint64(timeouts.stallSeconds) * 1000;
    const qint64 silenceLimitMs = qint64(timeouts.connectSeconds + timeouts.stallSeconds + 5) * 1000;

    if (curl_multi_add_handle(ch->multi, h) != CURLM_OK)
        ErrorCodes::raise(ErrorCodes::ErroreTrasferimento);

    CURLcode result = CURLE_OK;
    bool cancelled = false;
    bool silent = false;
    bool multiFailed = false;
    QElapsedTimer sincePump;
    sincePump.start();
    for (;;) {
        int running = 0;
        if (curl_multi_perform(ch->multi, &running) != CURLM_OK) {
            multiFailed = true;
            break;
        }
        bool done = false;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(ch->multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0)
            break;
        if (cancelGeneration.load() != generation) {
            cancelled = true;
            break;
        }
        const qint64 silence = t.sinceActivity.elapsed();
        if ((t.requestSent && silence > idleLimitMs) || silence > silenceLimitMs) {
            silent = true;
            break;
        }
        curl_multi_poll(ch->multi, nullptr, 0, kPumpIntervalMs, nullptr);
        if (sincePump.elapsed() >= kPumpIntervalMs) {
            pumpEvents();
            sincePump.restart();
        }
    }
    curl_multi_remove_handle(ch->multi, h);

    if (cancelled || cancelGeneration.load() != generation)
        ErrorCodes::raise(ErrorCodes::OperazioneAnnullata);
    if (silent)
        ErrorCodes::raise(ErrorCodes::TempoScaduto);
    if (multiFailed || t.outOfMemory)
        ErrorCodes::raise(ErrorCodes::ErroreTrasferimento);
    if (result != CURLE_OK) {
        long connectStatus = 0;
        curl_easy_getinfo(h, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
        if (connectStatus >= 400)  // the proxy refused the tunnel
            failHttp(connectStatus, t.reason);
        ErrorCodes::raise(numberForCurl(result));
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (t.sawHttpStatus && status >= 400 && options.raiseHttpFailures)
        failHttp(status, t.reason);

    Fetched fetched{std::move(t.body), address, t.sawHttpStatus ? status : 0, t.reason, std::move(t.headers)};
    long redirects = 0;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_COUNT, &redirects);
    char* effective = nullptr;
    if (redirects > 0 && curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        fetched.finalUrl = QString::fromUtf8(effective);
    return fetched;
}

Inet::Inet() : Inet(Timeouts{}) {}

Inet::Inet(Timeouts timeouts) : d(std::make_unique<Impl>()) {
    d->timeouts = timeouts;
}

Inet::~Inet() = default;

void Inet::setTimeouts(Timeouts timeouts) {
    d->timeouts = timeouts;
}

Inet::Timeouts Inet::timeouts() const {
    return d->timeouts;
}

void Inet::configureTransfer(void* curlEasy, const QString& address) const {
    if (!curlEasy)
        return;
    initCurlOnce();
    d->applySettings(static_cast<CURL*>(curlEasy), address, Settings{UserName, Password, Proxy, RemotePort}, false);
}

int Inet::failureNumber(int curlCode) {
    return numberForCurl(static_cast<CURLcode>(curlCode));
}

void Inet::Cancel() {
    d->cancelGeneration.fetch_add(1);
    d->cache.reset();
    if (d->channel.multi)
        curl_multi_wakeup(d->channel.multi);
}

QByteArray Inet::OpenURL(const QString& address, int /*dataType: always bytes*/) {
    const TimeSpent::Measure spent(TimeSpent::Activity::Transfer);
    const Settings settings{UserName, Password, Proxy, RemotePort};
    // The cached response is offered to this call only, whatever it asks for.
    const std::optional<CachedResponse> cached = std::exchange(d->cache, std::nullopt);
    d->url = address;

    if (isFileAddress(address))
        return readLocalFile(address.mid(7));

    if (cached && cached->settings == settings &&
        (cached->address == address || cached->finalUrl == address)) {
        d->url = cached->finalUrl;
        return cached->bytes;
    }

    const unsigned generation = d->cancelGeneration.load();
    Fetched fetched = d->fetch(address, settings);
    d->url = fetched.finalUrl;
    if (d->cancelGeneration.load() == generation)
        d->cache = CachedResponse{address, fetched.finalUrl, settings, fetched.bytes};
    return fetched.bytes;
}

QString Inet::URL() const {
    return d->url;
}

Inet::Response Inet::Fetch(const QString& address, const RequestHeaders& headers) {
    const TimeSpent::Measure spent(TimeSpent::Activity::Transfer);
    d->url = address;
    Response r;
    if (isFileAddress(address)) {
        r.body = readLocalFile(address.mid(7));
        return r;
    }
    const Settings settings{UserName, Password, Proxy, RemotePort};
    Fetched f = d->fetch(address, settings, FetchOptions{false, false, &headers});
    r.status = int(f.status);
    r.reason = f.reason;
    r.body = std::move(f.bytes);
    r.contentType = f.header("Content-Type");
    r.location = f.header("Location");
    r.lastModified = f.header("Last-Modified");
    r.etag = f.header("ETag");
    return r;
}
