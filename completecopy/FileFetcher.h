#pragma once
#include "completecopy/CompleteCopyOptions.h"
#include "completecopy/FetchedFile.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"

#include <QList>
#include <QPair>
#include <functional>
#include <optional>

class CopyState;
class DestinationTree;

// Asks the site for one file of a complete copy through the window's transfer
// component, with the window's Internet settings: under conditions when the copy
// already holds the file (If-None-Match, If-Modified-Since), following redirects
// within the site, pausing between requests when the options say so.
class FileFetcher {
public:
    FileFetcher(const FormControls& form, const DestinationTree& destination, const CopyState& state, bool update,
                const CompleteCopyOptions& options);

    // Why the address a redirect leads to is not followed (another site, outside the
    // folder, robots.txt); empty when it is followed.
    using RedirectRule = std::function<QString(const QUrl& next)>;

    // Exactly one of the three is set.
    struct Outcome {
        std::optional<FetchedFile> file;
        std::optional<RunError> failure;
        QString refused;  // a redirect the rule refused, and why
    };
    // The file of the address after the redirects the rule lets it follow; without a
    // rule, redirects to any web address are followed. A file found not modified has
    // its bytes read back from the disk when they are needed: a page's or a
    // stylesheet's, a redirect's end, or any with wholeFile.
    Outcome fetch(const QUrl& address, const RedirectRule& rule, bool wholeFile = false);

private:
    // The conditions under which the address is asked for again.
    QList<QPair<QByteArray, QByteArray>> conditions(const QString& address) const;
    void waitBetweenRequests();

    FormControls m_form;
    const DestinationTree& m_destination;
    const CopyState& m_state;
    bool m_update;
    CompleteCopyOptions m_options;
    bool m_requested = false;  // a request has gone out
};
