#pragma once
#include <QString>
#include <functional>

class QWidget;

// The file dialog, one object for the whole window. It keeps its settings from one
// showing to the next; no caller resets it.
class CommonDialog {
public:
    explicit CommonDialog(QWidget* parent = nullptr);

    // Descriptions and patterns alternate, separated by "|": "Pagine Internet (*.HTM)|*.HTM".
    QString Filter;
    // The further text setting: the default extension as a pattern ("*.HTM", "*.*").
    // A pattern with a real suffix ("*.HTM") is appended to a typed name without one.
    QString DefaultExt;
    // Initial name when shown; after the dialog closes with a choice, the full path
    // of the chosen or typed name (in program form).
    QString FileName;

    // Modal. Return true when the user confirmed, false when cancelled (FileName is
    // then left as it was). The open dialog accepts a name that does not exist yet.
    // A setting the dialog cannot take raises RunError.
    bool ShowOpen();
    bool ShowSave();

    // Scriptable stand-in for tests: while set, ShowOpen/ShowSave call the script
    // (save = true for ShowSave) instead of showing anything; the script may set
    // FileName, return false for a cancel, or throw RunError.
    using Script = std::function<bool(CommonDialog& dialog, bool save)>;
    static void setScript(Script script);

private:
    bool show(bool save);
    QWidget* m_parent;
    // Kept from the last confirmed showing: the folder shown when FileName names
    // none, and the file type chosen in the list.
    QString m_lastFolder;
    QString m_lastNameFilter;
};
