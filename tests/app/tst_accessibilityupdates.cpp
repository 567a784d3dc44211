// The program drops the widgets' accessibility reports while no assistive technology listens,
// so that Qt makes no accessibility object for each widget shown; once one listens, the reports
// reach Qt again. Run on a real X server with a session bus of the test's own, twice: as on a
// desktop whose accessibility is off, and (with --listening) as on one where it is on, whose
// session bus has the accessibility service saying so and naming the bus an assistive technology
// listens on. The test plays that service; its own bus stands in for the accessibility bus.
// A note, which draws its own text until its editor is needed, makes the editor at once while
// one listens.
#include "support/PrivateSessionBus.h"
#include "support/XvfbSession.h"

#include "design/FenceNoteEditorView.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool listening = false;

// The widgets Qt was asked to make accessibility objects for.
QList<QObject*> asked;

QAccessibleInterface* recordingFactory(const QString&, QObject* object)
{
    // Asked already while a widget is made, before it has a name: known by its window.
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (widget && widget->window()->objectName() == QLatin1StringView("probeWindow") && !asked.contains(object))
        asked.append(object);
    return nullptr;
}

std::unique_ptr<QWidget> showProbe()
{
    auto window = std::make_unique<QWidget>();
    window->setObjectName(QStringLiteral("probeWindow"));
    auto* column = new QVBoxLayout(window.get());
    auto* label = new QLabel(QStringLiteral("标签"), window.get());
    column->addWidget(label);
    window->show();
    label->setAccessibleName(QStringLiteral("说明"));
    label->setText(QStringLiteral("新的标签"));
    return window;
}

// The accessibility service of a desktop whose accessibility is on, at its well-known name.
class AccessibilityStatus final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Status")
    Q_PROPERTY(bool IsEnabled READ isEnabled)
    Q_PROPERTY(bool ScreenReaderEnabled READ isEnabled)

public:
    explicit AccessibilityStatus(QObject* parent)
        : QDBusAbstractAdaptor(parent)
    {
    }
    bool isEnabled() const { return true; }
};

class AccessibilityBus final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.a11y.Bus")

public:
    explicit AccessibilityBus(QObject* parent)
        : QDBusAbstractAdaptor(parent)
    {
    }

public Q_SLOTS:
    QString GetAddress() const { return QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")); }
};

} // namespace

class AccessibilityUpdatesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QAccessible::installFactory(recordingFactory);
        if (listening) {
            auto* service = new QObject(this);
            new AccessibilityStatus(service);
            new AccessibilityBus(service);
            QDBusConnection bus = QDBusConnection::sessionBus();
            QVERIFY(bus.registerObject(QStringLiteral("/org/a11y/bus"), service, QDBusConnection::ExportAdaptors));
            QVERIFY(bus.registerService(QStringLiteral("org.a11y.Bus")));
            // Qt's bridge sees the service come, asks it, and connects to the bus it names.
            QTRY_VERIFY(QAccessible::isActive());
        } else {
            QVERIFY(!QAccessible::isActive());
        }
    }

    void init() { asked.clear(); }

    void shownWidgetsReachQtOnlyWhileOneListens()
    {
        const auto window = showProbe();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCoreApplication::processEvents();
        auto* label = window->findChild<QLabel*>();
        if (listening) {
            QVERIFY(asked.contains(window.get()));
            QVERIFY(asked.contains(label));
        } else {
            QCOMPARE(asked.size(), 0);
        }
    }

    // A note's text is read out from its editor: while one listens the editor is there at once,
    // else it waits for the first press or focus.
    void aNoteShowsItsEditorWhileOneListens()
    {
        QWidget window;
        auto* column = new QVBoxLayout(&window);
        auto* note = new mv::FenceNoteEditorView(nullptr, &window);
        column->addWidget(note);
        note->setText(QStringLiteral("读给我听"));
        window.resize(320, 220);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(note->hasEditor(), listening);
        if (listening) {
            QVERIFY(note->editor()->isVisible());
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(note->editor());
            QVERIFY(face && face->textInterface());
            QCOMPARE(face->textInterface()->text(0, face->textInterface()->characterCount()), QStringLiteral("读给我听"));
        }
    }

    // Asked for, as an assistive technology asks, an object is made either way.
    void askedForItIsMade()
    {
        const auto window = showProbe();
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(window->findChild<QLabel*>());
        QVERIFY(face);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("说明"));
    }
};

int main(int argc, char** argv)
{
    std::vector<char*> arguments(argv, argv + argc);
    const auto flag = std::find_if(arguments.begin(), arguments.end(),
                                   [](const char* argument) { return std::strcmp(argument, "--listening") == 0; });
    listening = flag != arguments.end();
    if (listening)
        arguments.erase(flag);

    XvfbSession session;
    PrivateSessionBus bus;
    QString failure = session.start();
    if (failure.isEmpty())
        failure = bus.start();
    if (failure.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());
    if (!failure.isEmpty()) {
        std::printf("skipped: %s\n", failure.toLocal8Bit().constData());
        std::fflush(stdout);
        return XvfbSession::skipExitCode;
    }
    int count = int(arguments.size());
    QApplication app(count, arguments.data());
    AccessibilityUpdatesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, count, arguments.data());
}

#include "tst_accessibilityupdates.moc"
