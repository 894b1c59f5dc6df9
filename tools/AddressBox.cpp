#include "tools/AddressBox.h"

#include "reader/FormControls.h"
#include "tools/PresetSites.h"

#include <QLineEdit>
#include <cstring>

void Text1_GotFocus(QLineEdit* Text1) {
    Text1->setSelection(0, Text1->text().size());
}

void Text1_KeyPress(int& KeyAscii, const std::function<void()>& openPage) {
    if (KeyAscii == 13 && openPage)
        openPage();
}

namespace {

void fillPreset(const FormControls& form, const char* button) {
    for (const PresetSite& site : kPresetSites) {
        if (std::strcmp(site.button, button) == 0) {
            form.Text1->setText(site.address);
            return;
        }
    }
}

} // namespace

void Command5_Click(const FormControls& form) { fillPreset(form, "Command5"); }
void Command6_Click(const FormControls& form) { fillPreset(form, "Command6"); }
void Command7_Click(const FormControls& form) { fillPreset(form, "Command7"); }
void Command8_Click(const FormControls& form) { fillPreset(form, "Command8"); }
void Command9_Click(const FormControls& form) { fillPreset(form, "Command9"); }
