// The main window as the user gets it: every control with its name, kind, caption
// or initial text, check state and twips geometry; the window's title, size, icon
// and credit labels.
#include "AppTestSupport.h"
#include "app/AppIcon.h"
#include "display/ImageBox.h"
#include "display/RichTextBox.h"
#include "display/Twips.h"
#include "display/WebBrowser.h"
#include "tools/PresetSites.h"
#include <QAccessible>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <gtest/gtest.h>

namespace {

enum class Kind { Button, TextBox, CheckBox, Label, RichText, Browser, Image };

struct Row {
    int tab; // -1: not in the tab order
    const char* name;
    Kind kind;
    QString text;  // caption or initial text
    int checked;   // check boxes: 0 or 1; others -1
    double left, top, width, height;
};

QString preset(const char* button) {
    for (const auto& s : kPresetSites)
        if (qstrcmp(s.button, button) == 0)
            return s.caption;
    return QStringLiteral("<missing>");
}

QString destination() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\TMP");
#else
    return QStringLiteral("/tmp");
#endif
}

std::vector<Row> table() {
    const QString credit = QStringLiteral("Mirasito") + Form3::kCreditSuffix;
    return {
        {0, "Command1", Kind::Button, "GO", -1, 9645, 645, 375, 240},
        {1, "RichTextBox1", Kind::RichText, "RichTextBox1", -1, 60, 855, 9255, 4125},
        {2, "Label1", Kind::Label, "URL", -1, 90, 75, 465, 285},
        {3, "Text1", Kind::TextBox, "", -1, 555, 45, 4920, 300},
        {4, "WebBrowser1", Kind::Browser, "", -1, 75, 5160, 11775, 2985},
        {5, "Check1", Kind::CheckBox, "Elimina CR", 0, 10860, 480, 1110, 195},
        {6, "Check2", Kind::CheckBox, "Elimina LF", 0, 10860, 690, 1095, 195},
        {7, "cmdREGISTRA", Kind::Button, "Registra sorgente", -1, 9345, 420, 1395, 225},
        {8, "Command2", Kind::Button, "Trascina pulsante per ingrandire una delle due finestre", -1, 210, 4995, 11505, 195},
        {9, "Command5", Kind::Button, preset("Command5"), -1, 8160, 0, 1185, 225},
        {10, "Command3", Kind::Button, "Sfoglia ...", -1, 6435, 30, 795, 375},
        {11, "Command4", Kind::Button, "Copia sito", -1, 5520, 30, 915, 375},
        {12, "Command6", Kind::Button, preset("Command6"), -1, 8160, 210, 1185, 225},
        {13, "Label2", Kind::Label, "N.liv.max", -1, 7320, -15, 765, 165},
        {14, "Text2", Kind::TextBox, "4", -1, 7260, 195, 900, 285},
        {15, "Text3", Kind::TextBox, destination(), -1, 90, 540, 5385, 300},
        {16, "Label3", Kind::Label, "Path destinazione copia Sito Internet", -1, 90, 345, 2655, 285},
        {17, "cmdSFOGLIA2", Kind::Button, "Sfoglia ...", -1, 5535, 540, 900, 330},
        {18, "Command7", Kind::Button, preset("Command7"), -1, 8175, 645, 750, 240},
        {19, "Command8", Kind::Button, preset("Command8"), -1, 8940, 645, 705, 240},
        {20, "Command9", Kind::Button, preset("Command9"), -1, 8160, 420, 1185, 225},
        {21, "txtLOGIN", Kind::TextBox, "", -1, 10335, 930, 1440, 285},
        {22, "Label4", Kind::Label, "Login IE", -1, 9435, 960, 765, 255},
        {23, "txtPASSWORD", Kind::TextBox, "", -1, 10335, 1275, 1440, 285},
        {24, "Label5", Kind::Label, "Password", -1, 9435, 1305, 765, 165},
        {25, "Check3", Kind::CheckBox, "Visualizza sorgente .HTML", 1, 9420, 2100, 2325, 195},
        {26, "txtPROXY", Kind::TextBox, "", -1, 10335, 1560, 1440, 285},
        {27, "Label15", Kind::Label, "Proxy", -1, 9435, 1605, 765, 210},
        {28, "txtPORTA", Kind::TextBox, "", -1, 10335, 1890, 1440, 285},
        {29, "Label7", Kind::Label, "Porta out", -1, 9435, 1920, 765, 165},
        {30, "txtLIVELLO", Kind::TextBox, "0", -1, 7275, 540, 900, 285},
        {31, "Label8", Kind::Label, "Livello", -1, 6705, 570, 540, 195},
        {32, "Label6(1)", Kind::Label, credit, -1, 9510, 105, 2295, 255},
        {33, "Label6(0)", Kind::Label, credit, -1, 9525, 120, 2295, 255},
        {34, "Check4", Kind::CheckBox, "Visualizza Immagini copiate", 1, 9420, 2325, 2325, 195},
        {-1, "Image1", Kind::Image, "", -1, 9390, 2520, 2415, 2475},
    };
}

bool focusable(Kind k) { return k != Kind::Label && k != Kind::Image; }

// What the control shows: caption, text, or the source pane's text.
QString shownText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* r = qobject_cast<RichTextBox*>(w)) return r->Text();
    return QString();
}

bool isKind(QWidget* w, Kind k) {
    switch (k) {
    case Kind::Button: return qobject_cast<QPushButton*>(w) != nullptr;
    case Kind::TextBox: return qobject_cast<QLineEdit*>(w) != nullptr;
    case Kind::CheckBox: return qobject_cast<QCheckBox*>(w) != nullptr;
    case Kind::Label: return qobject_cast<QLabel*>(w) != nullptr && !qobject_cast<ImageBox*>(w);
    case Kind::RichText: return qobject_cast<RichTextBox*>(w) != nullptr;
    case Kind::Browser: return qobject_cast<WebBrowser*>(w) != nullptr;
    case Kind::Image: return qobject_cast<ImageBox*>(w) != nullptr;
    }
    return false;
}

QWidget* control(Form3& f, const char* name) {
    return f.findChild<QWidget*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

} // namespace

TEST(Form3Layout, EveryControlHasItsNameKindTextStateAndTwipsGeometry) {
    OrdinaryForm f;
    for (const Row& r : table()) {
        SCOPED_TRACE(r.name);
        QWidget* w = control(*f, r.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(isKind(w, r.kind));
        if (r.kind != Kind::Browser && r.kind != Kind::Image)
            EXPECT_EQ(shownText(w), r.text);
        if (r.checked >= 0)
            EXPECT_EQ(qobject_cast<QCheckBox*>(w)->isChecked(), r.checked == 1);
        EXPECT_DOUBLE_EQ(Twips::left(w), r.left);
        EXPECT_DOUBLE_EQ(Twips::top(w), r.top);
        EXPECT_DOUBLE_EQ(Twips::width(w), r.width);
        EXPECT_DOUBLE_EQ(Twips::height(w), r.height);
        const double dx = w->logicalDpiX(), dy = w->logicalDpiY();
        EXPECT_EQ(w->geometry(), QRect(Twips::toPixels(r.left, dx), Twips::toPixels(r.top, dy),
                                       Twips::toPixels(r.width, dx), Twips::toPixels(r.height, dy)));
        EXPECT_FALSE(w->isHidden());
    }
    // The empty picture box and the blank browser pane.
    EXPECT_TRUE(f->Image1->Picture().isNull());
    // Single-line boxes; the password box shows every character as "*".
    EXPECT_EQ(f->txtPASSWORD->echoMode(), QLineEdit::Password);
    EXPECT_EQ(f->txtPASSWORD->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, f->txtPASSWORD),
              int('*'));
    for (QLineEdit* box : {f->Text1, f->Text2, f->Text3, f->txtLOGIN, f->txtPROXY, f->txtPORTA, f->txtLIVELLO})
        EXPECT_EQ(box->echoMode(), QLineEdit::Normal) << box->objectName().toStdString();
}

TEST(Form3Layout, ControlsHandedToTheCommandsAreTheWindowsOwn) {
    OrdinaryForm f;
    const FormControls& c = f->controls();
    const std::pair<const char*, QWidget*> named[] = {
        {"Command1", c.Command1}, {"RichTextBox1", c.RichTextBox1}, {"Text1", c.Text1},
        {"WebBrowser1", c.WebBrowser1}, {"Check1", c.Check1}, {"Check2", c.Check2},
        {"cmdREGISTRA", c.cmdREGISTRA}, {"Command2", c.Command2}, {"Command3", c.Command3},
        {"Command4", c.Command4}, {"Command5", c.Command5}, {"Command6", c.Command6},
        {"Command7", c.Command7}, {"Command8", c.Command8}, {"Command9", c.Command9},
        {"Text2", c.Text2}, {"Text3", c.Text3}, {"cmdSFOGLIA2", c.cmdSFOGLIA2},
        {"txtLOGIN", c.txtLOGIN}, {"txtPASSWORD", c.txtPASSWORD}, {"Check3", c.Check3},
        {"txtPROXY", c.txtPROXY}, {"txtPORTA", c.txtPORTA}, {"txtLIVELLO", c.txtLIVELLO},
        {"Check4", c.Check4}, {"Image1", c.Image1},
    };
    for (const auto& [name, w] : named) {
        SCOPED_TRACE(name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w, control(*f, name));
    }
    EXPECT_EQ(c.Form, &*f);
    EXPECT_NE(c.CommonDialog1, nullptr);
    EXPECT_NE(c.Inet1, nullptr);
    EXPECT_EQ(c.CommonDialog1, f->CommonDialog1);
    EXPECT_EQ(c.Inet1, f->Inet1);
    ASSERT_NE(c.state, nullptr);
    EXPECT_EQ(c.state, &f->state());
}

TEST(Form3Layout, TitleClientAreaAndIcon) {
    OrdinaryForm f;
    EXPECT_EQ(f->windowTitle(), Form3::kCaption + Form3::kCreditSuffix);
    EXPECT_TRUE(f->windowTitle().startsWith("Mirasito Internet (Immagini e Sorgenti Pagine Internet .HTM)"));
    EXPECT_GT(Form3::kCreditSuffix.trimmed().size(), 0);
    EXPECT_EQ(f->width(), Twips::toPixels(11880, f->logicalDpiX()));
    EXPECT_EQ(f->height(), Twips::toPixels(8190, f->logicalDpiY()));
    f->show();
    EXPECT_EQ(f->width(), Twips::toPixels(11880, f->logicalDpiX()));
    EXPECT_EQ(f->height(), Twips::toPixels(8190, f->logicalDpiY()));

    const QList<QSize> sizes = f->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
}

TEST(Form3Layout, IconImagesUseAtMostSixteenColoursOfTheClassicPalette) {
    const QSet<QRgb> palette = {
        qRgb(0, 0, 0),     qRgb(128, 0, 0),     qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),   qRgb(128, 0, 128),   qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),   qRgb(255, 0, 255),   qRgb(0, 255, 255), qRgb(255, 255, 255)};
    const QIcon icon = appIcon();
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        const QImage img = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(img.size(), QSize(size, size));
        QSet<QRgb> used;
        int transparent = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) == 0) { ++transparent; continue; }
                EXPECT_EQ(qAlpha(p), 255);
                used.insert(p | 0xff000000u);
            }
        for (QRgb c : used)
            EXPECT_TRUE(palette.contains(c)) << std::hex << c;
        EXPECT_LE(used.size(), 16);
        EXPECT_GE(used.size(), 4);           // a real drawing, not a blank square
        EXPECT_GT(transparent, 0);           // a round shape on a clear background
        EXPECT_LT(transparent, size * size / 2);
    }
}

TEST(Form3Layout, CreditLabelsAreATextWithAShadow) {
    OrdinaryForm f;
    QLabel* front = f->Label6[1];
    QLabel* shadow = f->Label6[0];
    ASSERT_TRUE(front && shadow);
    EXPECT_EQ(front->objectName(), "Label6(1)");
    EXPECT_EQ(shadow->objectName(), "Label6(0)");
    const struct { QLabel* l; QColor colour; } expected[] = {{front, QColor(0, 0, 128)}, {shadow, QColor(128, 128, 255)}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.l->objectName().toStdString());
        EXPECT_EQ(e.l->text(), Form3::kCreditText);
        EXPECT_TRUE(e.l->text().startsWith("Mirasito"));
        EXPECT_EQ(e.l->font().family(), "Arial");
        EXPECT_DOUBLE_EQ(e.l->font().pointSizeF(), 9.75);
        EXPECT_TRUE(e.l->font().bold());
        EXPECT_EQ(e.l->palette().color(QPalette::WindowText), e.colour);
        EXPECT_FALSE(e.l->autoFillBackground());
        EXPECT_TRUE(e.l->isVisibleTo(&*f));
    }
    // The dark text is drawn over its light shadow.
    const QObjectList& z = f->children();
    EXPECT_GT(z.indexOf(front), z.indexOf(shadow));

    // On screen both colours appear in the credit's area: the shadow peeks out
    // right and below the text.
    f->show();
    const QRect area = front->geometry().united(shadow->geometry());
    const QImage shot = f->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    int dark = 0, light = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb p = shot.pixel(x, y) & 0xffffff;
            dark += p == (qRgb(0, 0, 128) & 0xffffff);
            light += p == (qRgb(128, 128, 255) & 0xffffff);
        }
    EXPECT_GT(dark, 20);
    EXPECT_GT(light, 5);
}

TEST(Form3Layout, LabelsLieBeneathTheBoxesTheyTouch) {
    // Label3 reaches down into Text3: the box must stay whole on top of it.
    OrdinaryForm f;
    const QObjectList& z = f->children();
    for (QLabel* label : {f->Label1, f->Label2, f->Label3, f->Label4, f->Label5, f->Label15, f->Label7,
                          f->Label8, f->Label6[0], f->Label6[1]})
        for (QWidget* box : {static_cast<QWidget*>(f->Text1), static_cast<QWidget*>(f->Text3),
                             static_cast<QWidget*>(f->Text2), static_cast<QWidget*>(f->txtLOGIN)})
            EXPECT_LT(z.indexOf(label), z.indexOf(box)) << label->objectName().toStdString();
    EXPECT_TRUE(f->Label3->geometry().intersects(f->Text3->geometry()));
}

TEST(Form3Layout, CaptionsFitTheirControls) {
    const QStringList families = QFontDatabase::families();
    if (!families.contains("Liberation Sans") && !families.contains("Arial") &&
        !families.contains("Microsoft Sans Serif"))
        GTEST_SKIP() << "no font with Arial's widths installed (Debian: fonts-liberation)";
    OrdinaryForm f;
    for (const Row& r : table()) {
        QWidget* w = control(*f, r.name);
        ASSERT_NE(w, nullptr);
        const int advance = w->fontMetrics().horizontalAdvance(r.text);
        int room = w->width();
        if (r.kind == Kind::Button) {
            room -= 4; // the frame
        } else if (r.kind == Kind::CheckBox) {
            QStyleOptionButton opt;
            opt.initFrom(w);
            room -= w->style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, w) +
                    w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, w);
        } else if (r.kind != Kind::Label) {
            continue;
        }
        EXPECT_LE(advance, room) << r.name;
    }
}

TEST(Form3Layout, EveryBoxIsNamedAfterItsLabelForAccessibility) {
    OrdinaryForm f;
    auto name = [](QWidget* w) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    const std::pair<QWidget*, QString> boxes[] = {
        {f->Text1, "URL"}, {f->Text2, "N.liv.max"}, {f->Text3, "Path destinazione copia Sito Internet"},
        {f->txtLOGIN, "Login IE"}, {f->txtPASSWORD, "Password"}, {f->txtPROXY, "Proxy"},
        {f->txtPORTA, "Porta out"}, {f->txtLIVELLO, "Livello"},
    };
    for (const auto& [w, expected] : boxes)
        EXPECT_EQ(name(w), expected) << w->objectName().toStdString();
    for (const Row& r : table()) {
        if (r.kind != Kind::Button && r.kind != Kind::CheckBox)
            continue;
        QWidget* w = control(*f, r.name);
        EXPECT_EQ(name(w), r.text) << r.name;
    }
    for (QWidget* pane : {static_cast<QWidget*>(f->RichTextBox1), static_cast<QWidget*>(f->WebBrowser1),
                          static_cast<QWidget*>(f->Image1)})
        EXPECT_FALSE(pane->accessibleName().isEmpty()) << pane->objectName().toStdString();
    // The two "Sfoglia ..." buttons tell apart what they browse for.
    EXPECT_NE(f->Command3->accessibleDescription(), f->cmdSFOGLIA2->accessibleDescription());
}
