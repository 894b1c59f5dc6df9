#pragma once
#include "copier/CrawlLevelProcessor.h"
#include "copier/DestinationTree.h"
#include "reader/FormControls.h"

class CrawlTable;
class OpenPageCommand;

// "Copia sito": copies the site whose start address is in Text1 into the
// destination folder in Text3. Opens the start page through the open-page command,
// saves its source, and crawls it down to the maximum level; ends with the
// completion message, or the limit message when the copy found more than 2000
// references.
class CopySiteCommand {
public:
    CopySiteCommand(const FormControls& form, OpenPageCommand& openPage, CrawlTable& table);

    // A start while a copy, or an open-page run, is under way does nothing.
    void Command4_Click();

    bool running() const { return m_running; }
    // How the last copy ended: with the completion message, with the limit message,
    // or earlier, after a message that stopped it (no address or destination, a
    // folder that cannot be made, a start page that cannot be read or saved).
    enum class Ending { Finished, LimitReached, Stopped };
    Ending lastEnding() const { return m_ending; }
    // Told of every address the copy fetches and every page it reads.
    void setObserver(CopyObserver observer) { m_crawl.setObserver(std::move(observer)); }
    CrawlLevelProcessor& crawl() { return m_crawl; }

private:
    void copy();

    FormControls m_form;
    OpenPageCommand& m_openPage;
    CrawlTable& m_table;
    DestinationTree m_destination;
    CrawlLevelProcessor m_crawl;
    bool m_running = false;
    Ending m_ending = Ending::Stopped;
};
