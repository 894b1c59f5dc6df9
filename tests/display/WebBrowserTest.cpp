#include "DisplayTestSupport.h"
#include "display/BrowserUrl.h"
#include "display/Twips.h"
#include "display/WebBrowser.h"
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <gtest/gtest.h>

namespace {

using displaytest::waitUntil;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// "\" between folders, as the program writes paths.
QString programForm(const QString& path) {
    return QString(path).replace('/', '\\');
}

TEST(BrowserUrl, AddressesBecomeTheUrlsTheBrowserLoads) {
    QTemporaryDir dir;
    writeFile(dir.filePath("a.htm"), "<html></html>");
    writeFile(dir.filePath("b#1.htm"), "<html></html>");
    const QString abs = dir.filePath("a.htm");
    const QString cwd = QDir::currentPath();
    struct Case {
        QString address;
        QUrl url;
    };
    const Case cases[] = {
        {"http://server/dir/a.htm", QUrl("http://server/dir/a.htm")},
        {"HTTP://Server/x.htm", QUrl("http://server/x.htm")},
        {"https://server/x.htm?a=1&b=2", QUrl("https://server/x.htm?a=1&b=2")},
        {"ftp://server/pub/f.htm", QUrl("ftp://server/pub/f.htm")},
        {"file://" + abs, QUrl::fromLocalFile(abs)},
        {"file://" + programForm(abs), QUrl::fromLocalFile(abs)},
        {"FILE://" + abs, QUrl::fromLocalFile(abs)},
        {"file://a.htm", QUrl::fromLocalFile(cwd + "/a.htm")},
        {"file://pagine\\a.htm", QUrl::fromLocalFile(cwd + "/pagine/a.htm")},
        {"file://" + abs + "#fondo", [&] { QUrl u = QUrl::fromLocalFile(abs); u.setFragment("fondo"); return u; }()},
        {"file://" + dir.filePath("b#1.htm"), QUrl::fromLocalFile(dir.filePath("b#1.htm"))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(browserUrl(c.address), c.url) << c.address.toStdString();
#ifndef _WIN32
    // A drive path read on a host without drives: a folder "C:" below the current one.
    EXPECT_EQ(browserUrl("file://C:\\pagine\\a.htm"), QUrl::fromLocalFile(cwd + "/C:/pagine/a.htm"));
#endif
}

class WebBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(800, 600);
        button = new QPushButton(&window);
        button->setObjectName("Command2");
        browser = new WebBrowser(&window);
        Twips::setGeometry(browser, 75, 5160, 11775, 2985);
        window.show();
        page = dir.filePath("pagina.htm");
        writeFile(page, "<html><head><title>Pagina di prova</title></head>"
                        "<body><p>contenuto della pagina</p><p id=\"fondo\">fondo</p></body></html>");
    }

    // Navigate, then yield while busy, as the open-page command does.
    qint64 navigateAndWait(const QString& address) {
        QElapsedTimer t;
        t.start();
        browser->Navigate(address);
        EXPECT_TRUE(browser->Busy()) << "busy at once after Navigate";
        EXPECT_TRUE(waitUntil([&] { return !browser->Busy(); }, 30000)) << "still busy";
        return t.elapsed();
    }

    QString runScript(const QString& script) {
        QString result = "<no answer>";
        bool done = false;
        browser->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v.toString();
            done = true;
        });
        waitUntil([&] { return done; }, 10000);
        return result;
    }

    QTemporaryDir dir;
    QString page;
    QWidget window;
    QPushButton* button = nullptr;
    WebBrowser* browser = nullptr;
};

TEST_F(WebBrowserTest, LoadsALocalPageUntilNoLongerBusy) {
    EXPECT_FALSE(browser->Busy());
    navigateAndWait("file://" + programForm(page));
    EXPECT_EQ(browser->url(), QUrl::fromLocalFile(page));
    EXPECT_EQ(browser->title(), QStringLiteral("Pagina di prova"));
    EXPECT_EQ(runScript("document.body.innerText").simplified(), QStringLiteral("contenuto della pagina fondo"));

    // A move to an anchor of the page shown starts no load: not busy for long.
    EXPECT_LT(navigateAndWait("file://" + page + "#fondo"), 5000);
    EXPECT_EQ(browser->url().fragment(), QStringLiteral("fondo"));
}

TEST_F(WebBrowserTest, AFailedLoadEndsTheBusyState) {
    navigateAndWait("http://127.0.0.1:1/pagina.htm"); // nothing listens on port 1
    navigateAndWait("file://" + dir.filePath("manca.htm"));
    // Addresses that start no load at all are not busy for long either.
    EXPECT_LT(navigateAndWait("http://"), 15000);
    EXPECT_LT(navigateAndWait("javascript://x"), 15000);
}

TEST_F(WebBrowserTest, DropOfTheSplitterButtonOnTheRenderWidgetGivesTwips) {
    navigateAndWait("file://" + page);
    // The widget that really receives drops: the view's render widget, made for the page.
    QWidget* render = browser->focusProxy();
    ASSERT_NE(render, nullptr);
    ASSERT_NE(render, browser);
    QList<std::tuple<QWidget*, double, double>> drops;
    QObject::connect(browser, &WebBrowser::DragDrop, [&](QWidget* s, double x, double y) { drops.append({s, x, y}); });

    auto other = std::make_unique<QMimeData>();
    other->setData("application/x-altro", "Command2");
    displaytest::dragAndDrop(render, QPoint(30, 40), other.get());
    EXPECT_TRUE(drops.isEmpty());

    const auto mime = displaytest::controlMime("Command2");
    EXPECT_TRUE(displaytest::dragAndDrop(render, QPoint(30, 40), mime.get()));
    ASSERT_EQ(drops.size(), 1);
    const QPoint at = render->mapTo(browser, QPoint(30, 40));
    EXPECT_EQ(std::get<0>(drops[0]), button);
    EXPECT_DOUBLE_EQ(std::get<1>(drops[0]), at.x() * 1440.0 / browser->logicalDpiX());
    EXPECT_DOUBLE_EQ(std::get<2>(drops[0]), at.y() * 1440.0 / browser->logicalDpiY());

    // A drop straight on the view itself (its edge) counts as well.
    EXPECT_TRUE(displaytest::dragAndDrop(browser, QPoint(0, 15), mime.get()));
    ASSERT_EQ(drops.size(), 2);
    EXPECT_DOUBLE_EQ(std::get<2>(drops[1]), 15 * 1440.0 / browser->logicalDpiY());
}

} // namespace
