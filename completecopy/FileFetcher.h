#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/FetchedFile.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"

#include <QList>
#include <QPair>
#include <optional>

class CopyState;
class DestinationTree;
class SiteScope;

// Asks the site for one file of a complete copy through the window's transfer
// component, with the window's Internet settings: under conditions when the copy
// already holds the file (If-None-Match, If-Modified-Since), following redirects
// within the site, pausing between requests when the options say so.
class FileFetcher {
public:
    FileFetcher(const FormControls& form, const DestinationTree& destination, const CopyState& state, bool update,
                const CompleteCopyOptions& options);

    // The site redirects are followed within; none yet: only anySite fetches.
    void setSite(const SiteScope* site) { m_site = site; }

    // Exactly one of the three is set.
    struct Outcome {
        std::optional<FetchedFile> file;
        std::optional<RunError> failure;
        std::optional<QUrl> offSite;  // a redirect led off the site (or to no web address) here
    };
    // The file of the address after redirects within the site (anywhere on the web
    // with anySite). A file found not modified has its bytes read back from the disk
    // when they are needed: a page's or a stylesheet's, a redirect's end, or any with
    // wholeFile.
    Outcome fetch(const QUrl& address, bool anySite = false, bool wholeFile = false);

private:
    // The conditions under which the address is asked for again.
    QList<QPair<QByteArray, QByteArray>> conditions(const QString& address) const;
    void waitBetweenRequests();

    FormControls m_form;
    const DestinationTree& m_destination;
    const CopyState& m_state;
    bool m_update;
    CompleteCopyOptions m_options;
    const SiteScope* m_site = nullptr;
    bool m_requested = false;  // a request has gone out
};
