#include "completecopy/ShownPage.h"
#include "completecopy/address/SiteAddress.h"
#include "display/BrowserWait.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include "reader/SorgenteDaByte.h"

#include <QCheckBox>

namespace {

bool ticked(const QCheckBox* box) {
    return box->checkState() == Qt::Checked;
}

} // namespace

void showCopiedPage(const FormControls& form, const FetchedFile& page) {
    if (!form.WebBrowser1->showsPages())
        return;
    form.WebBrowser1->Navigate(addressKey(page.finalAddress));
    yieldWhileBusy(form.WebBrowser1);
    if (ticked(form.Check3)) {
        form.RichTextBox1->setText(SORGENTE_DA_BYTE(page.body, ticked(form.Check1), ticked(form.Check2), false).text);
        form.RichTextBox1->Refresh();
    }
}
