#pragma once
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>

// The Internet transfer component, over libcurl: http, https (certificates
// verified), ftp and file addresses. One handle is reused between transfers so that
// connections are kept alive.
class Inet {
public:
    struct Timeouts {
        int connectSeconds = 30;  // to establish a connection
        int stallSeconds = 60;    // a transfer that receives nothing this long fails
    };
    Inet();
    explicit Inet(Timeouts timeouts);
    ~Inet();
    Inet(const Inet&) = delete;
    Inet& operator=(const Inet&) = delete;

    // The time limits of the transfers to come (tests use short ones).
    void setTimeouts(Timeouts timeouts);
    Timeouts timeouts() const;

    // Stops whatever the component is doing and forgets the last response.
    void Cancel();

    QString UserName;
    QString Password;
    QString Proxy;           // "host" or "host:port"; empty: no proxy
    qint16 RemotePort = 0;   // 0: not set. The proxy's port when Proxy names none,
                             // otherwise the port of an address that names none.

    // Fetches the whole resource; dataType 1 is a byte array. Redirects are followed
    // (at most 10). A failure raises RunError: an HTTP status of 400 or more carries
    // the status as number and the reason phrase as description; other failures
    // carry the numbers of ErrorCodes.
    QByteArray OpenURL(const QString& address, int dataType = 1);

    // After OpenURL, the address finally opened (after redirects).
    QString URL() const;

    // One request of a whole-site copy, with the same settings and connection as
    // OpenURL, following no redirect and adding the given request headers. Every HTTP
    // answer comes back, a redirect, a 304 and a 404 included; only a transfer that
    // fails raises RunError, with the numbers of OpenURL.
    struct Response {
        int status = 0;            // the HTTP status; 0 for a file or ftp address
        QByteArray reason;         // its reason phrase
        QByteArray body;
        QByteArray contentType;    // the header values as sent, empty when absent
        QByteArray location;
        QByteArray lastModified;
        QByteArray etag;
    };
    using RequestHeaders = QList<QPair<QByteArray, QByteArray>>;
    Response Fetch(const QString& address, const RequestHeaders& headers = {});

    // For transfers run by others on libcurl easy handles of their own (curlEasy is a
    // CURL*): sets on the handle everything Fetch would, as the settings stand now —
    // the address encoded and given the port box as Fetch does, proxy (none when the
    // box is empty, whatever the environment says), user name and password, protocols,
    // user agent, keep-alive and the connect limit. No redirect is followed. The
    // handle is not reset first; its callbacks and where the answer goes are the
    // caller's, and so is watching the stall limit (timeouts().stallSeconds), which
    // counts from the last byte received once the request is out.
    void configureTransfer(void* curlEasy, const QString& address) const;

    // The failure number OpenURL and Fetch give for a libcurl result (a CURLcode).
    static int failureNumber(int curlCode);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
