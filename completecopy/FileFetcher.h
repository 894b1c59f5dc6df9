#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/FetchedFile.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"

#include <QList>
#include <QPair>
#include <functional>
#include <memory>
#include <optional>

#include "completecopy/TransferScheduler.h"

class CopyState;
class DestinationTree;

// Asks the site for the files of a complete copy through the copy's transfers: under
// conditions when the copy already holds the file (If-None-Match, If-Modified-Since),
// continuing the part of a large file an earlier run was cut in, following redirects
// within the rules the caller gives, and waiting as told when the site says it is too
// busy (429, 503 with Retry-After), one request at a time from then on.
class FileFetcher {
public:
    FileFetcher(const FormControls& form, TransferScheduler& transfers, const DestinationTree& destination,
                CopyState& state, bool update, const CompleteCopyOptions& options);
    ~FileFetcher();

    // Why the address a redirect leads to is not followed (another site, outside the
    // folder, robots.txt); empty when it is followed.
    using RedirectRule = std::function<QString(const QUrl& next)>;

    // Exactly one of the three is set.
    struct Outcome {
        std::optional<FetchedFile> file;
        std::optional<RunError> failure;
        QString refused;  // a redirect the rule refused, and why
    };
    using Done = std::function<void(Outcome)>;

    // Starts asking for the address; done is called from the event loop once the file,
    // after the redirects the rule lets it follow, is in (or failed). Without a rule,
    // redirects to any web address are followed. A file found not modified has its
    // bytes read back from the disk when they are needed: a page's or a stylesheet's,
    // or any with wholeFile (which also reads a fetched file of any type).
    void fetch(const QUrl& address, RedirectRule rule, bool wholeFile, Done done);

    // Asks for nothing more: chains still under way end with the transfers' own
    // (cancelled) results.
    void stop() { m_stopped = true; }

private:
    struct Chain;
    void ask(const std::shared_ptr<Chain>& chain);
    void answered(const std::shared_ptr<Chain>& chain, const TransferScheduler::Result& r);
    // The site is too busy: the request is asked again after the wait it named;
    // false when it named none that can be waited for.
    bool retryLater(const std::shared_ptr<Chain>& chain, const TransferScheduler::Result& r);
    // The conditions under which the address is asked for again.
    QList<QPair<QByteArray, QByteArray>> conditions(const QString& address) const;

    FormControls m_form;
    TransferScheduler& m_transfers;
    const DestinationTree& m_destination;
    CopyState& m_state;
    bool m_update;
    CompleteCopyOptions m_options;
    bool m_stopped = false;
    std::shared_ptr<bool> m_alive;
};
