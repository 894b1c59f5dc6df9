#include "tests/support/TypicalPage.h"

QByteArray typicalPage(int items, bool latin1) {
    const QByteArray word = latin1 ? "caf\xE9" : "caf\xC3\xA9";
    QByteArray page = "<!DOCTYPE html>\n<html><head><meta charset=\"" + QByteArray(latin1 ? "iso-8859-1" : "utf-8") +
                      "\"><title>Pagina</title><link rel=stylesheet href=\"/css/site.css\">"
                      "<style>body{background:url(/img/logo.png)} .x{background:url('bg.png')}</style></head><body>\n";
    for (int i = 0; i < items; ++i) {
        const QByteArray n = QByteArray::number(i);
        page += "<div class=\"item\"><h2>Voce " + n + " " + word + "</h2><p>Testo della voce " + n +
                ", con qualche parola in pi\xC3\xB9 per fare una pagina vera. " + word + " " + word + ".</p>\n"
                "<a href=\"/docs/a.html#v" + n + "\">collegamento</a> <a href=\"voce" + n + ".html\">voce</a>\n"
                "<img src=\"/img/logo.png\" srcset=\"/img/logo.png 1x, big" + n + ".png 2x\" alt=\"logo\">"
                "<span style=\"background:url(/img/logo.png)\">x</span></div>\n";
    }
    return page + "</body></html>\n";
}
