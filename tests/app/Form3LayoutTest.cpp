// The main window as the user gets it: controls, tab order, title, size, icon, credit.
#include "AppTestSupport.h"
#include "display/ImageBox.h"
#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "display/WebBrowser.h"
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>

namespace {

struct Row {
    const char *name, *kind;
    char focus;    // 't' by Tab and click, 'c' only by click, '-' never
    QString text;  // caption or initial text
    int checked;   // check boxes: 0 or 1; others -1
    std::array<double, 4> twips; // left, top, width, height
};

// Rows in tab order 0 to 34; the picture box has none.
std::vector<Row> table() {
    const QString credit = "Mirasito - A. Fontana", dest = QDir::separator() == '\\' ? "C:\\TMP" : "/tmp";
    return {
        {"Command1", "QPushButton", 'c', "GO", -1, {9645, 645, 375, 240}},
        {"RichTextBox1", "RichTextBox", 't', "RichTextBox1", -1, {60, 855, 9255, 4125}},
        {"Label1", "QLabel", '-', "URL", -1, {90, 75, 465, 285}},
        {"Text1", "QLineEdit", 't', "", -1, {555, 45, 4920, 300}},
        {"WebBrowser1", "WebBrowser", 't', "", -1, {75, 5160, 11775, 2985}},
        {"Check1", "QCheckBox", 't', "Elimina CR", 0, {10860, 480, 1110, 195}},
        {"Check2", "QCheckBox", 't', "Elimina LF", 0, {10860, 690, 1095, 195}},
        {"cmdREGISTRA", "QPushButton", 'c', "Registra sorgente", -1, {9345, 420, 1395, 225}},
        {"Command2", "QPushButton", 't', "Trascina pulsante per ingrandire una delle due finestre", -1, {210, 4995, 11505, 195}},
        {"Command5", "QPushButton", 't', "Sito Archeo", -1, {8160, 0, 1185, 225}},
        {"Command3", "QPushButton", 't', "Sfoglia ...", -1, {6435, 30, 795, 375}},
        {"Command4", "QPushButton", 't', "Copia sito", -1, {5520, 30, 915, 375}},
        {"Command6", "QPushButton", 't', "Sito Vela", -1, {8160, 210, 1185, 225}},
        {"Label2", "QLabel", '-', "N.liv.max", -1, {7320, -15, 765, 165}},
        {"Text2", "QLineEdit", 't', "4", -1, {7260, 195, 900, 285}},
        {"Text3", "QLineEdit", 't', dest, -1, {90, 540, 5385, 300}},
        {"Label3", "QLabel", '-', "Path destinazione copia Sito Internet", -1, {90, 345, 2655, 285}},
        {"cmdSFOGLIA2", "QPushButton", 't', "Sfoglia ...", -1, {5535, 540, 900, 330}},
        {"Command7", "QPushButton", 't', "Ricette", -1, {8175, 645, 750, 240}},
        {"Command8", "QPushButton", 't', "Bonsai", -1, {8940, 645, 705, 240}},
        {"Command9", "QPushButton", 't', "Sito Fossili", -1, {8160, 420, 1185, 225}},
        {"txtLOGIN", "QLineEdit", 't', "", -1, {10335, 930, 1440, 285}},
        {"Label4", "QLabel", '-', "Login IE", -1, {9435, 960, 765, 255}},
        {"txtPASSWORD", "QLineEdit", 't', "", -1, {10335, 1275, 1440, 285}},
        {"Label5", "QLabel", '-', "Password", -1, {9435, 1305, 765, 165}},
        {"Check3", "QCheckBox", 'c', "Visualizza sorgente .HTML", 1, {9420, 2100, 2325, 195}},
        {"txtPROXY", "QLineEdit", 't', "", -1, {10335, 1560, 1440, 285}},
        {"Label15", "QLabel", '-', "Proxy", -1, {9435, 1605, 765, 210}},
        {"txtPORTA", "QLineEdit", 't', "", -1, {10335, 1890, 1440, 285}},
        {"Label7", "QLabel", '-', "Porta out", -1, {9435, 1920, 765, 165}},
        {"txtLIVELLO", "QLineEdit", 't', "0", -1, {7275, 540, 900, 285}},
        {"Label8", "QLabel", '-', "Livello", -1, {6705, 570, 540, 195}},
        {"Label6(1)", "QLabel", '-', credit, -1, {9510, 105, 2295, 255}},
        {"Label6(0)", "QLabel", '-', credit, -1, {9525, 120, 2295, 255}},
        {"Check4", "QCheckBox", 't', "Visualizza Immagini copiate", 1, {9420, 2325, 2325, 195}},
        {"Image1", "ImageBox", '-', "", -1, {9390, 2520, 2415, 2475}},
    };
}

} // namespace

TEST(Form3Layout, EveryControlHasItsNameKindTextStateFocusAndTwipsGeometry) {
    OrdinaryForm f;
    for (const Row& r : table()) {
        SCOPED_TRACE(r.name);
        QWidget* w = f.findChild<QWidget*>(r.name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->inherits(r.kind)) << w->metaObject()->className();
        auto* source = qobject_cast<RichTextBox*>(w);
        EXPECT_EQ(source ? source->Text() : w->property("text").toString(), r.text);
        if (r.checked >= 0)
            EXPECT_EQ(w->property("checked").toBool(), r.checked == 1);
        EXPECT_EQ((std::array{Twips::left(w), Twips::top(w), Twips::width(w), Twips::height(w)}), r.twips);
        const int p = w->focusPolicy();
        EXPECT_EQ(p == Qt::ClickFocus ? 'c' : (p & Qt::TabFocus) == Qt::TabFocus ? 't' : p == Qt::NoFocus ? '-' : '?', r.focus);
        EXPECT_FALSE(w->isHidden());
    }
    EXPECT_TRUE(f.Image1->Picture().isNull());
    EXPECT_EQ(f.txtPASSWORD->echoMode(), QLineEdit::Password);
}

TEST(Form3Layout, FocusChainFollowsTheTabOrder) {
    OrdinaryForm f;
    // Showing gives the browser pane the widget of its page; the pane keeps its place.
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.WebBrowser1->focusProxy() != nullptr; }, 5000));
    QApplication::processEvents();
    QStringList order, chain;
    for (const Row& r : table())
        if (r.focus != '-') order << r.name;
    QWidget *first = f.Command1, *w = first;
    do {
        if (w->parentWidget() == &f && order.contains(w->objectName())) chain << w->objectName();
    } while ((w = w->nextInFocusChain()) != first);
    EXPECT_EQ(chain, order);
    // Tab leaves the source pane instead of typing a tab into it.
    f.RichTextBox1->setFocus();
    QTest::keyClick(f.RichTextBox1, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.Text1);
    EXPECT_EQ(f.RichTextBox1->Text(), QStringLiteral("RichTextBox1"));
}

TEST(Form3Layout, TitleClientSizeAndIcon) {
    OrdinaryForm f;
    f.show();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Mirasito Internet (Immagini e Sorgenti Pagine Internet .HTM) - A. Fontana"));
    EXPECT_EQ(f.size(), QSize(Twips::toPixels(11880, f.logicalDpiX()), Twips::toPixels(8190, f.logicalDpiY())));
    const QList<QSize> sizes = f.windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)) && sizes.contains(QSize(16, 16)));
}

TEST(Form3Layout, CreditIsADarkBlueTextOverALightShadow) {
    OrdinaryForm f;
    QLabel *front = f.Label6[1], *shadow = f.Label6[0];
    for (const auto& [l, colour] : {std::pair{front, QColor(0, 0, 128)}, std::pair{shadow, QColor(128, 128, 255)}}) {
        SCOPED_TRACE(l->objectName().toStdString());
        const QFont& font = l->font();
        EXPECT_EQ(QString("%1 %2 %3").arg(font.family()).arg(font.pointSizeF()).arg(font.bold()), QStringLiteral("Arial 9.75 1"));
        EXPECT_EQ(l->palette().color(QPalette::WindowText), colour);
        EXPECT_FALSE(l->autoFillBackground());
    }
    EXPECT_GT(f.children().indexOf(front), f.children().indexOf(shadow));
    // On screen both colours show: the shadow peeks out right and below the text.
    f.show();
    EXPECT_TRUE(front->isVisible() && shadow->isVisible());
    const QImage shot = f.grab(front->geometry().united(shadow->geometry())).toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb *px = reinterpret_cast<const QRgb*>(shot.constBits()), *end = px + shot.width() * shot.height();
    EXPECT_GT(std::count(px, end, qRgb(0, 0, 128)), 20);
    EXPECT_GT(std::count(px, end, qRgb(128, 128, 255)), 5);
}

// The choice of a complete copy: below the other check boxes, unticked, last in the
// Tab cycle, read out by its caption.
TEST(Form3Layout, CompleteCopyCheckBoxComesLast) {
    OrdinaryForm f;
    QCheckBox* box = f.findChild<QCheckBox*>("Check5", Qt::FindDirectChildrenOnly);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Copia completa"));
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ((std::array{Twips::left(box), Twips::top(box), Twips::width(box), Twips::height(box)}),
              (std::array<double, 4>{9420, 2550, 2325, 195}));
    EXPECT_GE(Twips::top(box), Twips::top(f.Check4) + Twips::height(f.Check4));
    EXPECT_EQ(f.Check4->nextInFocusChain(), box);
    EXPECT_TRUE(box->focusPolicy() & Qt::TabFocus);
    f.show();
    EXPECT_TRUE(box->isVisible());
}
