#pragma once
#include "copier/CopyEvent.h"
#include "fs/RunError.h"
#include "reader/FormControls.h"
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class CrawlTable;
class DestinationTree;
class OpenPageCommand;

// A failure that ends the whole crawl: every level it leaves stops at once, and the
// copy-site command reports it.
struct CrawlEnded : RunError {
    explicit CrawlEnded(const RunError& e) : RunError(e) {}
};

// The crawl, one level a call: reads a page file that lies in the destination tree,
// records its references, and has the open-page command fetch each page and image
// among them that the copy has not taken yet; page sources are saved into the
// destination tree and every fetched file is crawled in its turn, one level deeper,
// down to the maximum level typed in Text2.
class CrawlLevelProcessor {
public:
    CrawlLevelProcessor(const FormControls& form, OpenPageCommand& openPage, CrawlTable& table,
                        const DestinationTree& destination);
    ~CrawlLevelProcessor();
    CrawlLevelProcessor(const CrawlLevelProcessor&) = delete;
    CrawlLevelProcessor& operator=(const CrawlLevelProcessor&) = delete;

    // Crawls the page file WHREF (a bare name, looked up in the crawl's working
    // folder first, then in WDIR). Both strings are used as scratch. Throws
    // CrawlEnded for a failure that ends the crawl; every other failure ends this
    // level quietly.
    void SUB_ELAB_LIV(QString& WDIR, QString& WHREF);

    // Where a bare page name is looked up first: a folder of the crawl's own that
    // holds no page, so that a stray file of the same name is never read.
    QString workingFolder() const { return m_workingFolder.path(); }

    // Told of every address the crawl fetches and every page it reads.
    void setObserver(CopyObserver observer) { m_observer = std::move(observer); }
    // Tells the observer what the open-page command did with the address, and with
    // the file when the copy wrote one itself (empty: nothing more to say).
    void report(int level, const QString& address, const QString& savedFile, const RunError* saveFailure) const;

private:
    bool readPage(QString& WDIR, QString& WHREF, QStringList& HREF_PAG);
    void followReferences(QString& WDIR, QStringList& HREF_PAG, const QString& pageUrlDir,
                          const QString& pageDest);
    void leaveLevel();
    QString hostPathOf(const QString& name) const;

    FormControls m_form;
    OpenPageCommand& m_openPage;
    CrawlTable& m_table;
    const DestinationTree& m_destination;
    QTemporaryDir m_workingFolder;
    CopyObserver m_observer;
};
