#include "platform/gui/DesktopWindowLayer.h"

#include <QtTest>
#include <QWidget>
#include <QWindow>

using namespace mv::platform;

Q_DECLARE_METATYPE(mv::platform::DesktopLayer)

// Off X11 (here Qt's offscreen platform) there is no window manager to ask: the call says so
// and leaves the window as it was.
class DesktopWindowLayerOffscreenTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusedAndWindowLeftAlone_data()
    {
        QTest::addColumn<DesktopLayer>("layer");
        QTest::newRow("desktop") << DesktopLayer::desktop;
        QTest::newRow("floating") << DesktopLayer::floating;
    }

    void refusedAndWindowLeftAlone()
    {
        QFETCH(DesktopLayer, layer);
        if (QGuiApplication::platformName() == QStringLiteral("xcb"))
            QSKIP("run on X11: its window layers are checked under Xvfb");
        QWidget widget(nullptr, Qt::FramelessWindowHint);
        widget.winId();
        QWindow* window = widget.windowHandle();
        QVERIFY(window && window->handle());
        const Qt::WindowFlags flags = window->flags();

        QVERIFY(!applyDesktopLayer(window, layer));
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QVERIFY(!applyDesktopLayer(window, layer));
        QCOMPARE(window->flags(), flags);
        QVERIFY(window->children().isEmpty());
    }
};

QTEST_MAIN(DesktopWindowLayerOffscreenTest)
#include "tst_desktopwindowlayeroffscreen.moc"
