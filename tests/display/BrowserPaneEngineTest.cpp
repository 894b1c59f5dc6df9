// The browser pane with its engine from the module: filled by the engine's view, busy
// while its page loads, even after the engine shows the new address, every load that ends told, and a move to
// an anchor of the page shown no load at all.
#include "display/WebBrowser.h"
#include "tests/support/HttpServer.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

TEST(BrowserPaneEngine, BusyUntilThePageAndWhatItLoadsAreInAndEveryEndTold) {
    HttpServer server;
    server.setPage("/lenta.htm", "<html><body><a name=fine></a><img src=\"lenta.png\">lenta</body></html>");
    server.setPage("/lenta.png", "\x89PNG", "image/png");
    server.setDelay("/lenta.png", 1500);
    QWidget window;
    auto* browser = new WebBrowser(&window);
    window.show();
    ASSERT_NE(browser->view(), nullptr);
    // The engine's view fills the pane, whatever size the pane is given.
    for (const QRect& place : {QRect(0, 0, 400, 300), QRect(10, 20, 640, 120)}) {
        browser->setGeometry(place);
        QApplication::processEvents();
        EXPECT_EQ(browser->view()->geometry(), QRect(QPoint(0, 0), place.size()));
    }
    QSignalSpy ended(browser, &WebBrowser::loadFinished);

    const QString page = server.url("/lenta.htm");
    browser->Navigate(page);
    // The engine shows the page's address once it has the page, well before its picture.
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser->url() == QUrl(page); }, 10000));
    QTest::qWait(200);
    EXPECT_TRUE(browser->Busy()) << "idle while the picture is still coming";
    EXPECT_EQ(ended.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser->Busy(); }, 30000));
    EXPECT_EQ(ended.count(), 1);
    bool pictureAsked = false;
    for (const auto& request : server.requests())
        pictureAsked = pictureAsked || request.line.contains("/lenta.png");
    EXPECT_TRUE(pictureAsked);

    // A move to an anchor of the page shown starts no load: the new address alone
    // ends the wait, long before a navigation that never starts would count as ended.
    browser->Navigate(page + "#fine");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !browser->Busy(); }, 3000));
    EXPECT_EQ(browser->url(), QUrl(page + "#fine"));
}
