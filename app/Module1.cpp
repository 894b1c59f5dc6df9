#include "app/Module1.h"
#include "app/Form3.h"
#include "display/Messages.h"
#include "reader/SharedState.h"

namespace {
Form3* g_form = nullptr; // one window for the whole run; it ends the program when closed
}

namespace Module1 {

SharedState& state() {
    static SharedState shared;
    return shared;
}

Form3& Main(bool show) {
    if (!g_form) {
        g_form = new Form3(InHousePaths(), &state());
        Messages::setOwner(g_form);
    }
    if (show)
        g_form->show();
    return *g_form;
}

Form3* form() {
    return g_form;
}

void End() {
    delete g_form;
    g_form = nullptr;
}

} // namespace Module1
