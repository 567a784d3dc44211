#include "platform/gui/GlobalHotKeys.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mv::platform;

// Off X11 (here Qt's offscreen platform) there is no key to grab: registration says so and
// nothing is ever raised.
class GlobalHotKeysOffscreenTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refusedAndSilent()
    {
        if (QGuiApplication::platformName() == QStringLiteral("xcb"))
            QSKIP("run on X11: its hot keys are checked under Xvfb");
        GlobalHotKeys hotKeys;
        QSignalSpy activated(&hotKeys, &GlobalHotKeys::activated);
        QVERIFY(!hotKeys.registerHotKey(1, Qt::Key_Space, Qt::AltModifier));
        QVERIFY(!hotKeys.isRegistered(1));
        hotKeys.unregisterHotKey(1);
        hotKeys.unregisterAll();

        QWidget widget;
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTest::keyClick(&widget, Qt::Key_Space, Qt::AltModifier);
        QCoreApplication::processEvents();
        QVERIFY(activated.isEmpty());
    }
};

QTEST_MAIN(GlobalHotKeysOffscreenTest)
#include "tst_globalhotkeysoffscreen.moc"
