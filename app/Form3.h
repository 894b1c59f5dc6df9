#pragma once
#include "app/InHousePreset.h"
#include "completecopy/CompleteCopyCommand.h"
#include "completecopy/CopyProgress.h"
#include "copier/CopySiteCommand.h"
#include "copier/CrawlTable.h"
#include "reader/FormControls.h"
#include "reader/OpenPageCommand.h"
#include "reader/SharedState.h"
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QLabel;

// The main window: every control of the program, with its design name, initial
// caption or text, check state, twips layout and tab order. Loading it applies the
// in-house preset; closing it ends the program. The commands behind the controls are
// its public handlers, named after control and event.
class QShortcut;

class Form3 : public QWidget {
    Q_OBJECT
    // The crawl's level and counters, readable and writable like any of the window's properties.
    Q_PROPERTY(qint16 WLIVELLO READ WLIVELLO WRITE setWLIVELLO)
    Q_PROPERTY(qint16 N_RIF READ N_RIF WRITE setN_RIF)
    Q_PROPERTY(qint16 N_HTM READ N_HTM WRITE setN_HTM)
public:
    static inline const QString kCaption =
        QStringLiteral("Mirasito Internet (Immagini e Sorgenti Pagine Internet .HTM)");
    static inline const QString kCreditSuffix = QStringLiteral(" - A. Fontana");
    static inline const QString kCreditText = QStringLiteral("Mirasito") + kCreditSuffix;
    // Client area in twips.
    static constexpr double kClientWidth = 11880;
    static constexpr double kClientHeight = 8190;

    // Builds the window and runs Form_Load. The preset looks for the installation at
    // inHouse (program form, the real places by default). With no state given, the
    // window keeps shared variables of its own; the program passes Module1's.
    explicit Form3(InHousePaths inHouse = InHousePaths(), SharedState* state = nullptr,
                   QWidget* parent = nullptr);
    ~Form3() override;

    // Every control and component the commands use, and the shared variables.
    const FormControls& controls() const { return m_controls; }
    SharedState& state() { return *m_controls.state; }
    // The open-page command behind "GO", with the outcome of its last run.
    OpenPageCommand& openPage() { return *m_openPage; }

    // "Copia sito", and the table of the copy's references, which lives as long as the window.
    CopySiteCommand& copySite() { return *m_copySite; }
    // "Copia sito" with "Copia completa" ticked.
    CompleteCopyCommand& completeCopy() { return *m_completeCopy; }
    CrawlTable& crawlTable() { return m_crawlTable; }
    qint16 WLIVELLO() const { return m_crawlTable.WLIVELLO; }
    qint16 N_RIF() const { return m_crawlTable.N_RIF; }
    qint16 N_HTM() const { return m_crawlTable.N_HTM; }
    void setWLIVELLO(qint16 v) { m_crawlTable.WLIVELLO = v; }
    void setN_RIF(qint16 v) { m_crawlTable.N_RIF = v; }
    void setN_HTM(qint16 v) { m_crawlTable.N_HTM = v; }

    // What closing the window does; by default endProgramNow(). Tests replace it to
    // watch the close without leaving the process.
    void setEndProgram(std::function<void()> action) { m_endProgram = std::move(action); }
    // Told, beside the title, how far a complete copy has come (the command line's
    // progress line).
    void setCopyProgressListener(std::function<void(const CopyProgress&)> listener) {
        m_progressListener = std::move(listener);
    }

    // Controls, in tab order, then the image box and the components.
    QPushButton* Command1 = nullptr;
    RichTextBox* RichTextBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    WebBrowser* WebBrowser1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QPushButton* cmdREGISTRA = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command6 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdSFOGLIA2 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    QLineEdit* txtLOGIN = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtPASSWORD = nullptr;
    QLabel* Label5 = nullptr;
    QCheckBox* Check3 = nullptr;
    QLineEdit* txtPROXY = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* txtPORTA = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtLIVELLO = nullptr;
    QLabel* Label8 = nullptr;
    std::array<QLabel*, 2> Label6{}; // credit labels: index 1 dark blue on top, index 0 its shadow
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check5 = nullptr;  // "Copia completa"
    ImageBox* Image1 = nullptr;
    CommonDialog* CommonDialog1 = nullptr;
    Inet* Inet1 = nullptr;

    // Handlers.
    void Command1_Click();        // "GO": opens the address in Text1
    void Command3_Click();        // browse for a local page into Text1
    void Command4_Click();        // "Copia sito": copies the site in Text1 into Text3 (whole with Check5)
    void cmdREGISTRA_Click();     // saves the source pane under a name the user picks
    void cmdSFOGLIA2_Click();     // browse for the destination folder and create it
    void Command5_Click();        // preset sites: put their address into Text1
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Text1_GotFocus();        // selects the whole address
    void Text1_KeyPress(int& KeyAscii); // Enter opens the page; KeyAscii = 0 swallows the key
    void RichTextBox1_DragDrop(QWidget* source, double x, double y); // splitter dropped on the source pane
    void WebBrowser1_DragDrop(QWidget* source, double x, double y);  // splitter dropped on the browser pane

    void Form_Load();     // the in-house preset
    void Form_Activate(); // starts nothing
    void Form_Unload();   // ends the program

    // Downloads htmPage into the file Nome_File with the settings boxes as typed;
    // failures go back to the caller as RunError.
    void Scarica_File_2(const QString& htmPage, const QString& Nome_File);
    // WDIR becomes N up to and including its last separator.
    void RICAVA_PATH(QString& WDIR, const QString& N);

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // A complete copy under way is stopped when the user says so.
    void askToStopCompleteCopy();
    bool m_askingToStop = false;
    QShortcut* m_stopKey = nullptr;
    std::function<void(const CopyProgress&)> m_progressListener;

    void createControls();
    void applyTabOrder();
    void describeForAccessibility();
    void fillControls();
    void connectHandlers();

    InHousePaths m_inHouse;
    std::unique_ptr<SharedState> m_ownState;
    std::unique_ptr<Inet> m_inet;
    std::unique_ptr<CommonDialog> m_dialog;
    FormControls m_controls;
    std::unique_ptr<OpenPageCommand> m_openPage;
    CrawlTable m_crawlTable;
    std::unique_ptr<CopySiteCommand> m_copySite;
    std::unique_ptr<CompleteCopyCommand> m_completeCopy;
    std::function<void()> m_endProgram;
    bool m_tabOrderPending = false;
};
