#pragma once

class QWidget;
class QPushButton;
class QLineEdit;
class QCheckBox;
class RichTextBox;
class WebBrowser;
class ImageBox;
class CommonDialog;
class Inet;
struct SharedState;

// The main window's controls and components that the commands read and write, by
// their names in the window. The window fills this once it has built its controls.
struct FormControls {
    QWidget* Form = nullptr;
    QPushButton* Command1 = nullptr;     // "GO"
    RichTextBox* RichTextBox1 = nullptr; // source pane
    QLineEdit* Text1 = nullptr;          // address
    WebBrowser* WebBrowser1 = nullptr;   // browser pane
    QCheckBox* Check1 = nullptr;         // "Elimina CR"
    QCheckBox* Check2 = nullptr;         // "Elimina LF"
    QPushButton* cmdREGISTRA = nullptr;  // "Registra sorgente"
    QPushButton* Command2 = nullptr;     // splitter button
    QPushButton* Command3 = nullptr;     // "Sfoglia ..." beside the address
    QPushButton* Command4 = nullptr;     // "Copia sito"
    QPushButton* Command5 = nullptr;     // preset sites
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    QLineEdit* Text2 = nullptr;          // maximum crawl level
    QLineEdit* Text3 = nullptr;          // destination folder
    QPushButton* cmdSFOGLIA2 = nullptr;  // "Sfoglia ..." beside the destination
    QLineEdit* txtLOGIN = nullptr;
    QLineEdit* txtPASSWORD = nullptr;
    QCheckBox* Check3 = nullptr;         // "Visualizza sorgente .HTML"
    QLineEdit* txtPROXY = nullptr;
    QLineEdit* txtPORTA = nullptr;
    QLineEdit* txtLIVELLO = nullptr;     // current crawl level
    QCheckBox* Check4 = nullptr;         // "Visualizza Immagini copiate"
    ImageBox* Image1 = nullptr;
    CommonDialog* CommonDialog1 = nullptr;
    Inet* Inet1 = nullptr;
    SharedState* state = nullptr;
};
