// A morvanteel:// link opened the ways a desktop opens it: `xdg-open` (generic mode, no desktop
// environment named) finds the entry that the project's installer put into a home of the test's
// own and runs its Exec line, which hands the link to the program already running on the test's
// X server (openbox on Xvfb) and private session bus; `gio open` finds the same entry and, as it
// is D-Bus-activatable, sends the link to the program's bus name.

#include "platform/gui/support/PrivateSessionBus.h"
#include "support/PrivateHome.h"
#include "support/XTestKeyboard.h"
#include "support/XvfbSession.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <xcb/xcb.h>

#include <X11/keysym.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString busName = u"org.morvanteel.Morvanteel"_s;

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

// Looks at the X server as any other client does: which windows of a name are on screen.
class ScreenReader final {
public:
    ScreenReader()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~ScreenReader() { xcb_disconnect(m_connection); }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    bool isConnected() const { return m_root != XCB_NONE; }

    // Whether a viewable window anywhere in the tree carries this title (as UTF-8 in
    // _NET_WM_NAME: WM_NAME holds a title that is not Latin-1 in another encoding).
    bool showsWindowNamed(const QString& title)
    {
        const QByteArray name = title.toUtf8();
        const xcb_atom_t netName = atom("_NET_WM_NAME");
        return showsWindow(m_root, [&](xcb_window_t window) { return property(window, netName) == name; });
    }
private:
    bool showsWindow(xcb_window_t window, const std::function<bool(xcb_window_t)>& matches)
    {
        const ReplyPointer<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr), &std::free);
        if (!tree)
            return false;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            if ((isViewable(children[i]) && matches(children[i])) || showsWindow(children[i], matches))
                return true;
        }
        return false;
    }

    xcb_atom_t atom(const char* name)
    {
        const ReplyPointer<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : XCB_ATOM_NONE;
    }

    bool isViewable(xcb_window_t window)
    {
        const ReplyPointer<xcb_get_window_attributes_reply_t> reply(
            xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr),
            &std::free);
        return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name)
    {
        const ReplyPointer<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                   nullptr),
            &std::free);
        if (!reply)
            return {};
        return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()));
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
};

QString sourceRoot()
{
    return QDir::cleanPath(QStringLiteral(MORVANTEEL_TEST_DATA) + u"/../../../.."_s);
}

} // namespace

class XdgOpenLinkTest final : public QObject {
    Q_OBJECT

    PrivateSessionBus m_bus;
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
    QProcess m_program;

    QString programPath() const { return QStringLiteral(MORVANTEEL_BUILD_DIR) + u"/app/morvanteel"_s; }

    // Runs a program in the test's home, X server and bus; all it printed goes to `output`.
    int run(const QString& program, const QStringList& arguments, QByteArray* output)
    {
        QByteArray errors;
        const int code = runWhileServing(m_environment, program, arguments, output, &errors, 60000);
        output->append(errors);
        return code;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString tool = firstMissingProgram({u"xdg-open"_s, u"xdg-mime"_s, u"bash"_s, u"cmake"_s}); !tool.isEmpty())
            QSKIP(qPrintable(tool + u" is not installed (Debian packages xdg-utils, bash, cmake)"_s));
        if (!QFileInfo(programPath()).isExecutable())
            QSKIP(qPrintable(u"the program is not built at "_s + programPath()));
        if (const QString why = m_bus.start(); !why.isEmpty())
            QSKIP(qPrintable(u"no private session bus: "_s + why));
        QVERIFY(m_home.isValid());

        // No desktop environment is named: xdg-open falls back to reading the entries itself.
        m_environment = privateHomeEnvironment(m_home.path(), m_bus.address());
        QVERIFY(!m_environment.isEmpty());

        QByteArray installed;
        QCOMPARE(run(u"bash"_s, {sourceRoot() + u"/scripts/install-desktop-entry"_s, programPath()}, &installed), 0);
        QVERIFY2(QFileInfo::exists(m_home.filePath(u".local/share/applications/org.morvanteel.Morvanteel.desktop"_s)),
                 installed.constData());
        QByteArray handler;
        QCOMPARE(run(u"xdg-mime"_s, {u"query"_s, u"default"_s, u"x-scheme-handler/morvanteel"_s}, &handler), 0);
        QCOMPARE(handler.trimmed(), QByteArray("org.morvanteel.Morvanteel.desktop"));

        m_program.setProcessEnvironment(m_environment);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(programPath(), {});
        QDBusConnection bus = QDBusConnection::connectToBus(m_bus.address(), u"test"_s);
        QVERIFY(bus.isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(bus.interface()->isServiceRegistered(busName), 60000);
        // It takes hand-overs once its start-up is through (a launch meanwhile waits for that,
        // but one that gives up would say so on X in a message box). A link it ignores, from a
        // launch without a screen (which says so in words instead), shows when.
        QProcessEnvironment probeEnvironment = m_environment;
        probeEnvironment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT(runWhileServing(probeEnvironment, programPath(), {u"morvanteel://no-such-request"_s},
                                                 nullptr, &said) == 0,
                                 120000);
    }

    void cleanupTestCase()
    {
        endProgram(m_program);
        QDBusConnection::disconnectFromBus(u"test"_s);
    }

    // Each opener hands the link to the running program, which shows what it asks for; the
    // program that xdg-open started only handed it over, and gio, finding the entry
    // D-Bus-activatable, sends it over the bus itself. The one running stays.
    void linkReachesTheRunningProgram_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("xdg-open") << QStringList{u"xdg-open"_s, u"morvanteel://spot-search"_s};
        QTest::newRow("gio open") << QStringList{u"gio"_s, u"open"_s, u"morvanteel://spot-search"_s};
    }

    void linkReachesTheRunningProgram()
    {
        QFETCH(QStringList, command);
        const QString window = u"SpotSearch"_s;
        if (const QString tool = firstMissingProgram({command.first()}); !tool.isEmpty())
            QSKIP(qPrintable(tool + u" is not installed"_s));
        ScreenReader screen;
        QVERIFY(screen.isConnected());
        QVERIFY(!screen.showsWindowNamed(window));

        QByteArray output;
        const int code = run(command.first(), command.mid(1), &output);
        QVERIFY2(code == 0, output.constData());
        QTRY_VERIFY2_WITH_TIMEOUT(screen.showsWindowNamed(window), output.constData(), 20000);
        QCOMPARE(m_program.state(), QProcess::Running);

        // Escape, typed into the panel, puts it away for the next opener.
        XTestKeyboard keyboard;
        QVERIFY(keyboard.isConnected());
        QTest::qWait(300);
        keyboard.type({}, XK_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!screen.showsWindowNamed(window), 10000);
    }
};

MORVANTEEL_X11_TEST_MAIN(XdgOpenLinkTest)
#include "tst_xdgopenlink.moc"
