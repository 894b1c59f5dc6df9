#pragma once
#include "fs/RunError.h"
#include "reader/FormControls.h"

// The open-page command behind "GO": opens the address in Text1 (a web page, an
// image or a local file), shows it or downloads it, and leaves the page's address
// and verdict in the shared state. It is also the fetcher of the site copier.
class OpenPageCommand {
public:
    enum class Outcome {
        NotRun,   // never ran, or ended at once on an empty address
        Found,    // content fetched and judged found
        NotFound, // fewer than two bytes, or the portal's not-found page (WNOT_FOUND = 1)
        Failed,   // the fetch failed; WNOT_FOUND and the address parts are as before
    };

    explicit OpenPageCommand(const FormControls& form);

    // A start while a run is under way does nothing, and leaves the outcome to that run.
    void Command1_Click();

    Outcome lastOutcome() const { return m_outcome; }
    bool running() const { return m_running; }
    // The file the last run downloaded, in program form; empty when it downloaded none.
    const QString& lastDownload() const { return m_download; }
    // The failure of the last failed fetch.
    const LastError& lastFetchError() const { return m_fetchError; }

private:
    void reportFetchFailure(const LastError& failure);

    FormControls m_form;
    Outcome m_outcome = Outcome::NotRun;
    bool m_running = false;
    LastError m_fetchError;
    QString m_download;
};
