#include "display/CommonDialog.h"
#include "display/DialogFilter.h"
#include "fs/NativePath.h"
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

namespace {

CommonDialog::Script& script() {
    static CommonDialog::Script s;
    return s;
}

} // namespace

CommonDialog::CommonDialog(QWidget* parent) : m_parent(parent) {}

bool CommonDialog::ShowOpen() {
    return show(false);
}

bool CommonDialog::ShowSave() {
    return show(true);
}

void CommonDialog::setScript(Script s) {
    script() = std::move(s);
}

bool CommonDialog::show(bool save) {
    if (script())
        return script()(*this, save);

    const QStringList filters = dialogNameFilters(Filter); // refuses a bad filter first

    // Qt's own dialog, not the desktop's: the same on every host, and one that a
    // test can drive.
    QFileDialog dialog(m_parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(save ? QStringLiteral("Salva con nome") : QStringLiteral("Apri"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The open dialog takes a name that does not exist yet (a folder to create).
    dialog.setFileMode(QFileDialog::AnyFile);
    // Replacing a file asks nothing, as the classic dialog's default.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (filters.contains(m_lastNameFilter))
            dialog.selectNameFilter(m_lastNameFilter);
    }
    dialog.setDefaultSuffix(dialogDefaultSuffix(DefaultExt));

    // The initial folder and name: a folder is shown with an empty name; a file in an
    // existing folder is shown in its folder; anything else is put in the name field
    // as it stands, over the folder last used.
    QString folder = m_lastFolder.isEmpty() ? QDir::currentPath() : m_lastFolder;
    QString name;
    const QString native = nativePath(FileName);
    if (!native.isEmpty()) {
        const QFileInfo info(native);
        if (info.isDir()) {
            folder = info.absoluteFilePath();
        } else if (!info.fileName().isEmpty() && QFileInfo(info.absolutePath()).isDir()) {
            folder = info.absolutePath();
            name = info.fileName();
        } else {
            name = native;
        }
    }
    dialog.setDirectory(folder);
    if (!name.isEmpty()) {
        if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(name);
        else
            dialog.selectFile(name);
    }

    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    FileName = QDir::toNativeSeparators(QFileInfo(chosen.first()).absoluteFilePath());
    m_lastFolder = dialog.directory().absolutePath();
    m_lastNameFilter = dialog.selectedNameFilter();
    return true;
}
