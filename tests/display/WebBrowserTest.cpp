#include "DisplayTestSupport.h"
#include "display/BrowserUrl.h"
#include "display/ControlDrag.h"
#include "display/RichTextBox.h"
#include "display/WebBrowser.h"
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

// The browser loads a local page until no longer busy; the splitter button dropped on either pane reaches it.
TEST(Panes, TheBrowserLoadsALocalPageAndBothPanesTakeTheSplitterButton) {
    QTemporaryDir dir;
    const QString page = dir.filePath("pagina.htm");
    displaytest::writeFile(page, "<html><body><p>contenuto</p></body></html>");
    QWidget window;
    auto* button = new QPushButton(&window);
    button->setObjectName("Command2");
    auto* box = new RichTextBox(&window);
    auto* browser = new WebBrowser(&window);
    window.show();
    // Navigate, then yield while busy, as the open-page command does; a failed load ends too.
    for (const QString& address : QStringList{"http://127.0.0.1:1/a.htm", "file://" + displaytest::programForm(page)}) {
        browser->Navigate(address);
        EXPECT_TRUE(browser->Busy()) << "busy at once after Navigate";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !browser->Busy(); }, 30000)) << "still busy";
    }
    EXPECT_EQ(browser->url(), QUrl::fromLocalFile(page));
    QString body;
    browser->page()->runJavaScript("document.body.innerText", [&](const QVariant& v) { body = v.toString(); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !body.isNull(); }, 10000));
    EXPECT_EQ(body.trimmed(), QStringLiteral("contenuto"));

    using Drop = std::tuple<QWidget*, QWidget*, double, double>; // pane, source, x, y
    QList<Drop> drops;
    QObject::connect(box, &RichTextBox::DragDrop, [&](QWidget* s, double x, double y) { drops.append({box, s, x, y}); });
    QObject::connect(browser, &WebBrowser::DragDrop, [&](QWidget* s, double x, double y) { drops.append({browser, s, x, y}); });
    const QPoint pos(10, 20);
    EXPECT_GT(box->viewport()->y(), 0); // a frame lies between the pane's edge and the widget dropped on
    // The widgets that really receive the drops: the text's viewport, the page's render widget.
    for (auto [pane, target] : {std::pair<QWidget*, QWidget*>{box, box->viewport()}, {browser, browser->focusProxy()}}) {
        ASSERT_TRUE(target && target != pane);
        for (const QString& type : {QStringLiteral("application/x-altro"), kControlDragMime}) {
            QMimeData mime;
            mime.setData(type, "Command2");
            QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QDropEvent drop(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
        }
        const QPoint at = target->mapTo(pane, pos);
        const Drop want{pane, button, at.x() * 1440.0 / pane->logicalDpiX(), at.y() * 1440.0 / pane->logicalDpiY()};
        EXPECT_EQ(drops, QList<Drop>{want});
        drops.clear();
    }
    EXPECT_EQ(box->Text(), QStringLiteral("RichTextBox1")); // nothing dropped into the text
}

// What the pane loads for an address: a local page opens at its fragment, without the
// "#", unless a file bears the whole name.
TEST(Panes, LocalPagesOpenAtTheirFragment) {
    QTemporaryDir dir;
    displaytest::writeFile(dir.filePath("a.htm"), "<html><a name=capitolo></a></html>");
    displaytest::writeFile(dir.filePath("b#1.htm"), "<html></html>");
    auto local = [&](const char* name, const char* query, const char* fragment) {
        QUrl url = QUrl::fromLocalFile(dir.filePath(name));
        if (query)
            url.setQuery(query);
        if (fragment)
            url.setFragment(fragment);
        return url;
    };
    const struct { QString address; QUrl url; } cases[] = {
        {"file://" + dir.filePath("a.htm") + "#capitolo", local("a.htm", nullptr, "capitolo")},
        {"file://" + displaytest::programForm(dir.filePath("a.htm")) + "?x=1#capitolo", local("a.htm", "x=1", "capitolo")},
        {"file://" + dir.filePath("b#1.htm"), local("b#1.htm", nullptr, nullptr)},
        {"http://server/a.htm#capitolo", QUrl("http://server/a.htm#capitolo")},
    };
    for (const auto& c : cases) {
        const QUrl url = browserUrl(c.address);
        EXPECT_EQ(url, c.url) << c.address.toStdString() << " -> " << url.toString().toStdString();
    }
}
