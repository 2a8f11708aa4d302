// What the browser window shows of a page, read from the screen of a real X server.

#include <QScreen>
#include <QWebEngineView>
#include <QtTest>

#include "browser/frmmain.h"
#include "engine/webbrowser.h"
#include "support/loopbackserver.h"
#include "support/windowtestbase.h"

using namespace skiff;
using namespace skiff::test;

class TestPagePixels : public QObject {
    Q_OBJECT
private slots:
    void thePageFillsTheWebComponent() {
        LoopbackServer server;
        server.addPage("/green",
                       "<html><head><title>Green</title></head>"
                       "<body style='margin:0;background:#00ff00'></body></html>");
        WindowTestEnvironment env(WindowTestEnvironment::Engine::Real);
        FrmMain& w = frmMain();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QSignalSpy done(w.wbMain(), &WebBrowser::DocumentComplete);
        w.wbMain()->Navigate(server.url("/green").toString());
        QVERIFY(done.wait(20000));

        QWidget* web = w.wbMain()->widget();
        const auto pixelAt = [web](QPoint p) {
            const QPoint global = web->mapToGlobal(p);
            return web->screen()
                ->grabWindow(0, global.x(), global.y(), 1, 1)
                .toImage()
                .pixelColor(0, 0);
        };
        const QPoint middle(web->width() / 2, web->height() / 2);
        QTRY_COMPARE_WITH_TIMEOUT(pixelAt(middle), QColor(0, 255, 0), 20000);
        QCOMPARE(pixelAt(QPoint(2, 2)), QColor(0, 255, 0));
        // Left of the web component (75 twips = 5 pixels of margin) is the window's own.
        QVERIFY(pixelAt(QPoint(-3, 2)) != QColor(0, 255, 0));
    }
};

QTEST_MAIN(TestPagePixels)
#include "tst_pagepixels.moc"
