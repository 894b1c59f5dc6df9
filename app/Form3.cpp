#include "app/Form3.h"
#include "completecopy/CopyProgress.h"
#include "app/AppIcon.h"
#include "app/ProgramEnd.h"
#include "app/WindowFont.h"
#include "display/CommonDialog.h"
#include "display/Messages.h"
#include "display/ImageBox.h"
#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "display/WebBrowser.h"
#include "fs/RicavaPath.h"
#include "net/Inet.h"
#include "net/InternetSettings.h"
#include "net/ScaricaFile.h"
#include "tools/AddressBox.h"
#include "tools/BrowseCommands.h"
#include "tools/PaneSplitter.h"
#include "tools/PresetSites.h"
#include "tools/SaveSourceCommand.h"
#include "tools/SplitterButton.h"
#include <QCheckBox>
#include <QShortcut>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Names a control and places it at its twips geometry.
template <typename W>
W* place(W* w, const char* name, double left, double top, double width, double height) {
    w->setObjectName(QString::fromLatin1(name));
    Twips::setGeometry(w, left, top, width, height);
    return w;
}

QString presetCaption(const char* button) {
    for (const PresetSite& site : kPresetSites)
        if (qstrcmp(site.button, button) == 0)
            return site.caption;
    return QString();
}

QString destinationDefault() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\TMP");
#else
    return QStringLiteral("/tmp");
#endif
}

} // namespace

Form3::Form3(InHousePaths inHouse, SharedState* state, QWidget* parent)
    : QWidget(parent), m_inHouse(std::move(inHouse)), m_endProgram(&endProgramNow) {
    if (!state) {
        m_ownState = std::make_unique<SharedState>();
        state = m_ownState.get();
    }
    m_controls.state = state;

    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(kCaption + kCreditSuffix);
    setWindowIcon(appIcon());
    setFont(windowFont());
    resize(Twips::toPixels(kClientWidth, logicalDpiX()), Twips::toPixels(kClientHeight, logicalDpiY()));

    createControls();
    applyTabOrder();
    describeForAccessibility();
    fillControls();
    m_openPage = std::make_unique<OpenPageCommand>(m_controls);
    m_copySite = std::make_unique<CopySiteCommand>(m_controls, *m_openPage, m_crawlTable);
    m_completeCopy = std::make_unique<CompleteCopyCommand>(m_controls);
    // While a complete copy runs, the title says how far it has come.
    m_completeCopy->setProgressObserver([this](const CopyProgress& progress) {
        setWindowTitle(QStringLiteral("Mirasito \u2014 ") + progressText(progress));
        if (m_progressListener)
            m_progressListener(progress);
    });
    // Escape asks whether to stop a complete copy under way (and means nothing else).
    m_stopKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopKey->setContext(Qt::WindowShortcut);
    m_stopKey->setEnabled(false);
    connect(m_stopKey, &QShortcut::activated, this, [this] { askToStopCompleteCopy(); });
    connectHandlers();

    Form_Load();
}

Form3::~Form3() = default;

void Form3::createControls() {
    // The labels and the image box are drawn beneath the other controls (Label3 reaches
    // into Text3), so they are made first. Label6(1) is the credit text, Label6(0) its
    // shadow, 15 twips further right and down, behind it.
    Image1 = place(new ImageBox(this), "Image1", 9390, 2520, 2415, 2475);
    Label1 = place(new QLabel(QStringLiteral("URL"), this), "Label1", 90, 75, 465, 285);
    Label2 = place(new QLabel(QStringLiteral("N.liv.max"), this), "Label2", 7320, -15, 765, 165);
    Label3 = place(new QLabel(QStringLiteral("Path destinazione copia Sito Internet"), this), "Label3",
                   90, 345, 2655, 285);
    Label4 = place(new QLabel(QStringLiteral("Login IE"), this), "Label4", 9435, 960, 765, 255);
    Label5 = place(new QLabel(QStringLiteral("Password"), this), "Label5", 9435, 1305, 765, 165);
    Label15 = place(new QLabel(QStringLiteral("Proxy"), this), "Label15", 9435, 1605, 765, 210);
    Label7 = place(new QLabel(QStringLiteral("Porta out"), this), "Label7", 9435, 1920, 765, 165);
    Label8 = place(new QLabel(QStringLiteral("Livello"), this), "Label8", 6705, 570, 540, 195);
    for (QLabel* label : {Label1, Label2, Label3, Label4, Label5, Label15, Label7, Label8})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const struct { int index; double left, top; QColor colour; } credits[] = {
        {0, 9525, 120, QColor(128, 128, 255)},
        {1, 9510, 105, QColor(0, 0, 128)},
    };
    QFont creditFont(QStringLiteral("Arial"));
    creditFont.setPointSizeF(9.75);
    creditFont.setBold(true);
    for (const auto& c : credits) {
        QLabel* label = new QLabel(kCreditText, this);
        label->setObjectName(QStringLiteral("Label6(%1)").arg(c.index));
        Twips::setGeometry(label, c.left, c.top, 2295, 255);
        label->setFont(creditFont);
        label->setAutoFillBackground(false);
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, c.colour);
        label->setPalette(pal);
        Label6[c.index] = label;
    }
    Label6[1]->raise();

    // The other controls, in tab order.
    Command1 = place(new QPushButton(QStringLiteral("GO"), this), "Command1", 9645, 645, 375, 240);
    RichTextBox1 = place(new RichTextBox(this), "RichTextBox1", 60, 855, 9255, 4125);
    Text1 = place(new QLineEdit(this), "Text1", 555, 45, 4920, 300);
    WebBrowser1 = place(new WebBrowser(this), "WebBrowser1", 75, 5160, 11775, 2985);
    Check1 = place(new QCheckBox(QStringLiteral("Elimina CR"), this), "Check1", 10860, 480, 1110, 195);
    Check2 = place(new QCheckBox(QStringLiteral("Elimina LF"), this), "Check2", 10860, 690, 1095, 195);
    cmdREGISTRA = place(new QPushButton(QStringLiteral("Registra sorgente"), this), "cmdREGISTRA",
                        9345, 420, 1395, 225);
    // The splitter: pressed and moved, it starts a drag of itself at once.
    Command2 = place(new SplitterButton(QStringLiteral("Trascina pulsante per ingrandire una delle due finestre"), this),
                     "Command2", 210, 4995, 11505, 195);
    Command5 = place(new QPushButton(presetCaption("Command5"), this), "Command5", 8160, 0, 1185, 225);
    Command3 = place(new QPushButton(QStringLiteral("Sfoglia ..."), this), "Command3", 6435, 30, 795, 375);
    Command4 = place(new QPushButton(QStringLiteral("Copia sito"), this), "Command4", 5520, 30, 915, 375);
    Command6 = place(new QPushButton(presetCaption("Command6"), this), "Command6", 8160, 210, 1185, 225);
    Text2 = place(new QLineEdit(QStringLiteral("4"), this), "Text2", 7260, 195, 900, 285);
    Text3 = place(new QLineEdit(destinationDefault(), this), "Text3", 90, 540, 5385, 300);
    cmdSFOGLIA2 = place(new QPushButton(QStringLiteral("Sfoglia ..."), this), "cmdSFOGLIA2", 5535, 540, 900, 330);
    Command7 = place(new QPushButton(presetCaption("Command7"), this), "Command7", 8175, 645, 750, 240);
    Command8 = place(new QPushButton(presetCaption("Command8"), this), "Command8", 8940, 645, 705, 240);
    Command9 = place(new QPushButton(presetCaption("Command9"), this), "Command9", 8160, 420, 1185, 225);
    txtLOGIN = place(new QLineEdit(this), "txtLOGIN", 10335, 930, 1440, 285);
    txtPASSWORD = place(new QLineEdit(this), "txtPASSWORD", 10335, 1275, 1440, 285);
    Check3 = place(new QCheckBox(QStringLiteral("Visualizza sorgente .HTML"), this), "Check3", 9420, 2100, 2325, 195);
    txtPROXY = place(new QLineEdit(this), "txtPROXY", 10335, 1560, 1440, 285);
    txtPORTA = place(new QLineEdit(this), "txtPORTA", 10335, 1890, 1440, 285);
    txtLIVELLO = place(new QLineEdit(QStringLiteral("0"), this), "txtLIVELLO", 7275, 540, 900, 285);
    Check4 = place(new QCheckBox(QStringLiteral("Visualizza Immagini copiate"), this), "Check4", 9420, 2325, 2325, 195);
    // The choice of a complete copy, below the other check boxes and last in the Tab cycle.
    Check5 = place(new QCheckBox(QStringLiteral("Copia completa"), this), "Check5", 9420, 2550, 2325, 195);

    RichTextBox1->setText(QStringLiteral("RichTextBox1"));
    // Tab leaves the source pane like any other control instead of typing a tab.
    RichTextBox1->setTabChangesFocus(true);
    // The browser pane takes its turn in the Tab cycle also before its first page
    // (the page's own widget, made with the page, then receives the focus).
    WebBrowser1->setFocusPolicy(Qt::StrongFocus);

    txtPASSWORD->setEchoMode(QLineEdit::Password);
    txtPASSWORD->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    Check1->setChecked(false);
    Check2->setChecked(false);
    Check3->setChecked(true);
    Check4->setChecked(true);
    Check5->setChecked(false);

    // Buttons keep their look but never become the dialog-style default button.
    for (QPushButton* b : {Command1, cmdREGISTRA, Command2, Command5, Command3, Command4, Command6,
                           cmdSFOGLIA2, Command7, Command8, Command9})
        b->setAutoDefault(false);

    // The three controls that take the focus only when clicked, never by Tab.
    for (QWidget* w : std::initializer_list<QWidget*>{Command1, cmdREGISTRA, Check3})
        w->setFocusPolicy(Qt::ClickFocus);

    m_dialog = std::make_unique<CommonDialog>(this);
    CommonDialog1 = m_dialog.get();
    m_inet = std::make_unique<Inet>();
    Inet1 = m_inet.get();
}

void Form3::applyTabOrder() {
    const QWidget* order[] = {Command1, RichTextBox1, Text1, WebBrowser1, Check1, Check2, cmdREGISTRA,
                              Command2, Command5, Command3, Command4, Command6, Text2, Text3, cmdSFOGLIA2,
                              Command7, Command8, Command9, txtLOGIN, txtPASSWORD, Check3, txtPROXY,
                              txtPORTA, txtLIVELLO, Check4, Check5};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

void Form3::describeForAccessibility() {
    // Each box is named after the label beside it; buttons and check boxes speak their captions.
    const struct { QLineEdit* box; QLabel* label; } boxes[] = {
        {Text1, Label1},    {Text2, Label2},     {Text3, Label3},     {txtLOGIN, Label4},
        {txtPASSWORD, Label5}, {txtPROXY, Label15}, {txtPORTA, Label7}, {txtLIVELLO, Label8},
    };
    for (const auto& b : boxes) {
        b.box->setAccessibleName(b.label->text());
        b.label->setBuddy(b.box);
    }
    RichTextBox1->setAccessibleName(QStringLiteral("Sorgente pagina"));
    WebBrowser1->setAccessibleName(QStringLiteral("Pagina"));
    if (QWidget* view = WebBrowser1->view())
        view->setAccessibleName(WebBrowser1->accessibleName());
    Image1->setAccessibleName(QStringLiteral("Anteprima immagine"));
    Command3->setAccessibleDescription(QStringLiteral("Sfoglia pagina locale"));
    cmdSFOGLIA2->setAccessibleDescription(QStringLiteral("Sfoglia cartella destinazione"));
    Command2->setAccessibleDescription(QStringLiteral("Divisore tra sorgente e pagina"));
}

void Form3::fillControls() {
    FormControls& c = m_controls;
    c.Form = this;
    c.Command1 = Command1;
    c.RichTextBox1 = RichTextBox1;
    c.Text1 = Text1;
    c.WebBrowser1 = WebBrowser1;
    c.Check1 = Check1;
    c.Check2 = Check2;
    c.cmdREGISTRA = cmdREGISTRA;
    c.Command2 = Command2;
    c.Command3 = Command3;
    c.Command4 = Command4;
    c.Command5 = Command5;
    c.Command6 = Command6;
    c.Command7 = Command7;
    c.Command8 = Command8;
    c.Command9 = Command9;
    c.Text2 = Text2;
    c.Text3 = Text3;
    c.cmdSFOGLIA2 = cmdSFOGLIA2;
    c.txtLOGIN = txtLOGIN;
    c.txtPASSWORD = txtPASSWORD;
    c.Check3 = Check3;
    c.txtPROXY = txtPROXY;
    c.txtPORTA = txtPORTA;
    c.txtLIVELLO = txtLIVELLO;
    c.Check4 = Check4;
    c.Image1 = Image1;
    c.CommonDialog1 = CommonDialog1;
    c.Inet1 = Inet1;
}

void Form3::connectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4_Click);
    connect(cmdREGISTRA, &QPushButton::clicked, this, &Form3::cmdREGISTRA_Click);
    connect(cmdSFOGLIA2, &QPushButton::clicked, this, &Form3::cmdSFOGLIA2_Click);
    connect(Command5, &QPushButton::clicked, this, &Form3::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form3::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form3::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form3::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form3::Command9_Click);
    connect(RichTextBox1, &RichTextBox::DragDrop, this, &Form3::RichTextBox1_DragDrop);
    connect(WebBrowser1, &WebBrowser::DragDrop, this, &Form3::WebBrowser1_DragDrop);
    Text1->installEventFilter(this);
    WebBrowser1->installEventFilter(this);
    if (QWidget* view = WebBrowser1->view())
        view->installEventFilter(this);
}

bool Form3::eventFilter(QObject* watched, QEvent* e) {
    if ((watched == WebBrowser1 || (watched && watched == WebBrowser1->view())) && e->type() == QEvent::ChildAdded &&
        !m_tabOrderPending) {
        // The browser pane makes the widget of its page (its focus proxy) when it is
        // first shown and again when the page's renderer changes, and that moves the
        // pane out of its place in the Tab cycle: put it back once it has settled.
        m_tabOrderPending = true;
        QTimer::singleShot(0, this, [this] {
            m_tabOrderPending = false;
            applyTabOrder();
        });
    }
    if (watched == Text1) {
        if (e->type() == QEvent::FocusIn) {
            // After the box has handled the focus (and the click that gave it), so
            // that the handler's selection is what remains.
            QTimer::singleShot(0, this, [this] { Text1_GotFocus(); });
        } else if (e->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(e);
            if (!key->text().isEmpty()) {
                int KeyAscii = key->text().at(0).unicode();
                Text1_KeyPress(KeyAscii);
                if (KeyAscii == 0)
                    return true; // the handler swallowed the key
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

bool Form3::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(e);
}

void Form3::closeEvent(QCloseEvent* e) {
    e->accept();
    Form_Unload();
}

// ---- Handlers -------------------------------------------------------------------

void Form3::Command1_Click() {
    // Opens the address in Text1: shows the page and its source, or downloads it. Not
    // while a complete copy shows its own pages in the panes.
    if (m_completeCopy->running())
        return;
    m_openPage->Command1_Click();
}

void Form3::Command3_Click() {
    // Lets the user pick a local page (".HTM") into Text1.
    ::Command3_Click(m_controls);
}

void Form3::Command4_Click() {
    // Copies the site in Text1 into the destination folder of Text3, whole when
    // "Copia completa" is ticked. A click in the middle of a complete copy asks
    // whether to stop it; a copy started in the middle of the other copy, or while a
    // page is being opened, is refused quietly.
    if (m_completeCopy->running()) {
        askToStopCompleteCopy();
        return;
    }
    if (m_copySite->running())
        return;
    if (Check5->checkState() != Qt::Checked) {
        m_copySite->Command4_Click();
        return;
    }
    if (m_openPage->running())
        return;
    // The title shows the copy's progress; the caption comes back at its end.
    const QString caption = windowTitle();
    m_stopKey->setEnabled(true);
    m_completeCopy->start();
    m_stopKey->setEnabled(false);
    setWindowTitle(caption);
}

void Form3::askToStopCompleteCopy() {
    if (m_completeCopy->running() && !m_askingToStop) {
        m_askingToStop = true;
        const bool stop = Messages::Question(QStringLiteral("Interrompere la copia?"));
        m_askingToStop = false;
        if (stop)
            m_completeCopy->stop();
    }
}

void Form3::cmdREGISTRA_Click() {
    // Saves the source pane under a name the user picks.
    ::cmdREGISTRA_Click(m_controls);
}

void Form3::cmdSFOGLIA2_Click() {
    // Lets the user pick the destination folder into Text3 and creates it.
    ::cmdSFOGLIA2_Click(m_controls);
}

void Form3::Command5_Click() {
    // Puts the address of the first preset site into Text1.
    ::Command5_Click(m_controls);
}

void Form3::Command6_Click() {
    // Puts the address of the second preset site into Text1.
    ::Command6_Click(m_controls);
}

void Form3::Command7_Click() {
    // Puts the address of the third preset site into Text1.
    ::Command7_Click(m_controls);
}

void Form3::Command8_Click() {
    // Puts the address of the fourth preset site into Text1.
    ::Command8_Click(m_controls);
}

void Form3::Command9_Click() {
    // Puts the address of the fifth preset site into Text1.
    ::Command9_Click(m_controls);
}

void Form3::Text1_GotFocus() {
    // Selects the whole text of the address box.
    ::Text1_GotFocus(Text1);
}

void Form3::Text1_KeyPress(int& KeyAscii) {
    // Enter (13) runs Command1_Click; every other key is left alone.
    ::Text1_KeyPress(KeyAscii, [this] { Command1_Click(); });
}

void Form3::RichTextBox1_DragDrop(QWidget* source, double x, double y) {
    // Splitter dropped on the source pane: the source pane shrinks to the drop point.
    ::RichTextBox1_DragDrop(m_controls, source, x, y);
}

void Form3::WebBrowser1_DragDrop(QWidget* source, double x, double y) {
    // Splitter dropped on the browser pane: the browser pane shrinks from the top.
    ::WebBrowser1_DragDrop(m_controls, source, x, y);
}

void Form3::Form_Load() {
    // In-house installation: the marker file opens and the program folder exists.
    // Any failure ends the preset silently, keeping what was already done.
    try {
        if (!InHousePreset::recognised(m_inHouse))
            return;
        setWindowTitle(kCaption);
        Label6[0]->setVisible(false);
        Label6[1]->setVisible(false);
        txtLOGIN->setText(InHousePreset::kLogin);
        txtPASSWORD->setText(InHousePreset::kPassword);
        txtPROXY->setText(InHousePreset::kProxy);
        txtPORTA->setText(InHousePreset::kPort);
    } catch (...) {
    }
}

void Form3::Form_Activate() {
    // Activation starts no command and changes nothing.
}

void Form3::Form_Unload() {
    if (m_endProgram)
        m_endProgram();
}

void Form3::Scarica_File_2(const QString& htmPage, const QString& Nome_File) {
    const InternetSettings boxes{txtLOGIN->text(), txtPASSWORD->text(), txtPROXY->text(), txtPORTA->text()};
    ::Scarica_File_2(*Inet1, boxes, htmPage, Nome_File);
}

void Form3::RICAVA_PATH(QString& WDIR, const QString& N) {
    ::RICAVA_PATH(WDIR, N);
}
