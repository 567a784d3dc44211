// Start-up with many fences, measured from outside: the real program binary is launched on an
// X server of the bench's own (Xvfb with openbox) with a prepared state of 4, 50 or 100 fences
// in a private home, and timed from the launch until every window is mapped (each fence's and
// the control center's, which every start shows), as the X server reports it (MapNotify of
// each top-level window whose _NET_WM_PID is the program's).
// Then its resident memory is read from /proc/<pid>/status, at that moment and after the program
// has settled for two seconds. Each printed beside its target for 100 fences (under 1 s and
// under 90 MB); per-fence costs come from the spread between the fence counts.
//
// The fences are a realistic mix: a quarter each portal (a folder of 30 files), notes,
// checklist (six tasks) and curated (four links), some with a second tab.
#include "core/store/MorvanteelStore.h"
#include "platform/KeyValueStore.h"
#include "support/PrivateHome.h"
#include "support/XvfbSession.h"
#include "PrivateSessionBus.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

#include <poll.h>
#include <unistd.h>
#include <signal.h>

using namespace mv;
using namespace Qt::StringLiterals;

namespace {

QString programPath()
{
    return QStringLiteral(MORVANTEEL_BUILD_DIR) + u"/app/morvanteel"_s;
}

bool touch(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Writes the state of `count` fences into `home` the way the program keeps it, through the store.
bool prepareHome(const QString& home, int count)
{
    const QString support = home + u"/.local/share/Morvanteel"_s;
    if (!QDir().mkpath(support) || !QDir().mkpath(home + u"/.config/Morvanteel"_s))
        return false;
    StoreEnvironment environment;
    environment.standardDefaults =
        std::make_shared<platform::FileKeyValueStore>(home + u"/.config/Morvanteel/defaults.json"_s);
    StoreLocations locations;
    locations.persistencePath = support + u"/state.json"_s;
    locations.widgetSnapshotPath = support + u"/widget_snapshot.json"_s;
    locations.demoRootPath = support + u"/DemoDesktop"_s;
    MorvanteelStore store(locations, Seeding::disabled, environment);
    if (!store.fences().isEmpty())
        return false;
    if (store.workspaces().isEmpty()) {
        const WorkspaceProfile desk = store.createWorkspace(u"桌面"_s, u"desktopcomputer"_s, FenceTintPalette::cerulean,
                                                            WallpaperPreset::tahoeAurora);
        store.setActiveWorkspaceID(desk.id);
    }

    const FenceKind kinds[] = {FenceKind::portal, FenceKind::notes, FenceKind::checklist, FenceKind::curated};
    const FenceTintPalette tints[] = {FenceTintPalette::cerulean, FenceTintPalette::mint, FenceTintPalette::amber,
                                      FenceTintPalette::graphite};
    for (int i = 0; i < count; ++i) {
        const FenceKind kind = kinds[i % 4];
        std::optional<QString> portalPath;
        if (kind == FenceKind::portal) {
            const QString folder = home + u"/Desktop/文件夹 %1"_s.arg(i);
            if (!QDir().mkpath(folder))
                return false;
            for (int f = 0; f < 30; ++f) {
                const QString name = f % 3 == 0 ? u"报告 %1.pdf"_s.arg(f) : f % 3 == 1 ? u"IMG_%1.png"_s.arg(f) : u"notes-%1.md"_s.arg(f);
                if (!touch(folder + u'/' + name, QByteArray(f * 10, 'x')))
                    return false;
            }
            portalPath = folder;
        }
        // Ten columns, overlapping, over the 1440 x 900 screen of the bench's X server.
        const FenceFrameRect frame{20.0 + (i % 10) * 112.0, 40.0 + (i / 10 % 10) * 70.0, 300.0, 220.0};
        const FenceModel fence = store.createFence(u"围栏 %1"_s.arg(i), kind, std::nullopt, tints[i % 4], portalPath,
                                                   std::nullopt, frame);
        switch (kind) {
        case FenceKind::notes:
            store.updateNoteText(u"第 %1 个围栏的笔记：明天上午十点开会，带上季度报告。"_s.arg(i), fence.id);
            break;
        case FenceKind::checklist:
            for (int t = 0; t < 6; ++t)
                store.addTask(u"任务 %1"_s.arg(t), fence.id);
            break;
        case FenceKind::curated:
            for (int l = 0; l < 4; ++l) {
                FenceItem item;
                item.id = newUuid();
                item.title = u"链接 %1"_s.arg(l);
                item.kind = FenceItemKind::url;
                item.target = u"https://example.com/%1"_s.arg(l);
                item.symbolName = u"link"_s;
                store.addItem(item, fence.id);
            }
            break;
        case FenceKind::portal:
            break;
        }
        // Every third fence has a second tab, which is not the one shown.
        if (i % 3 == 0)
            store.addTab(fence.id, u"笔记"_s, FenceKind::notes);
    }
    store.save();
    if (store.activeFences().size() != count || store.lastSaveError()) {
        std::fprintf(stderr, "prepared %d of %d fences\n", int(store.activeFences().size()), count);
        return false;
    }
    return true;
}

// One "Vm…" or "Rss…" line of /proc/<pid>/status, in kilobytes; -1 when it cannot be read.
qint64 statusKilobytes(qint64 pid, const QByteArray& field)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 residentKilobytes(qint64 pid)
{
    return statusKilobytes(pid, "VmRSS");
}

// For finding where the memory goes: with MORVANTEEL_BENCH_MEMORY_MAPS naming a folder, the
// settled program's /proc/<pid>/smaps is copied there, one file per launch, and the prepared home
// is copied beside it once, for running the program by hand (under a heap profiler) on that state.
void keepMemoryMap(qint64 pid, int count, const QString& templateHome)
{
    const QString folder = qEnvironmentVariable("MORVANTEEL_BENCH_MEMORY_MAPS");
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return;
    static int launch = 0;
    QFile smaps(u"/proc/%1/smaps"_s.arg(pid));
    if (smaps.open(QIODevice::ReadOnly))
        touch(folder + u"/smaps-%1-%2.txt"_s.arg(count).arg(++launch), smaps.readAll());
    const QString home = folder + u"/home-%1"_s.arg(count);
    if (!QFileInfo::exists(home)) {
        QProcess copy;
        copy.start(u"cp"_s, {u"-a"_s, templateHome, home});
        copy.waitForFinished(60000);
    }
}

// User and system CPU time of a process so far, in milliseconds; -1 when it cannot be read.
double cpuMilliseconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which may hold spaces, in parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = double(fields.at(11).toLongLong() + fields.at(12).toLongLong());
    return ticks * 1000.0 / double(::sysconf(_SC_CLK_TCK));
}

// The X server this bench started: its child named Xvfb.
qint64 serverPid()
{
    const QString self = QString::number(::getpid());
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(Xvfb)") && fields.size() > 1 && fields.at(1) == self.toLatin1())
            return entry.toLongLong();
    }
    return -1;
}

// Watches the X server for the mapped top-level windows of one process.
class MapWatcher final {
public:
    MapWatcher()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        const char name[] = "_NET_WM_PID";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr);
        if (atom) {
            m_pidAtom = atom->atom;
            std::free(atom);
        }
        xcb_flush(m_connection);
    }
    ~MapWatcher() { xcb_disconnect(m_connection); }

    bool isConnected() const { return !xcb_connection_has_error(m_connection) && m_pidAtom != XCB_NONE; }

    // Forgets what it saw: the next program is another.
    void reset(qint64 pid)
    {
        m_pid = pid;
        m_mapped.clear();
        m_others.clear();
        drain();
    }

    // Waits until `count` windows of the process are mapped; false on timeout.
    bool waitForMapped(int count, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            drain();
            if (int(m_mapped.size()) >= count)
                return true;
            const qint64 left = timeoutMs - timer.elapsed();
            if (left <= 0)
                return false;
            pollfd request{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&request, 1, int(std::min<qint64>(left, 50)));
        }
    }

    int mappedCount() const { return int(m_mapped.size()); }

private:
    void drain()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            handle(event);
            std::free(event);
        }
    }

    void handle(const xcb_generic_event_t* event)
    {
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const auto* created = reinterpret_cast<const xcb_create_notify_event_t*>(event);
            if (created->parent != m_root)
                break;
            // Its own map and unmap, even after the window manager has reparented it.
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(m_connection, created->window, XCB_CW_EVENT_MASK, &mask);
            // Mapped before the mask took hold: asked once.
            xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
                m_connection, xcb_get_window_attributes(m_connection, created->window), nullptr);
            if (attributes) {
                if (attributes->map_state == XCB_MAP_STATE_VIEWABLE)
                    noteMapped(created->window);
                std::free(attributes);
            }
            break;
        }
        case XCB_MAP_NOTIFY:
            noteMapped(reinterpret_cast<const xcb_map_notify_event_t*>(event)->window);
            break;
        case XCB_UNMAP_NOTIFY:
            m_mapped.erase(reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window);
            break;
        case XCB_DESTROY_NOTIFY:
            m_mapped.erase(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
            break;
        default:
            break;
        }
    }

    void noteMapped(xcb_window_t window)
    {
        if (m_others.count(window))
            return;
        if (ownerOf(window) == m_pid)
            m_mapped.insert(window);
        else
            m_others.insert(window);
    }

    qint64 ownerOf(xcb_window_t window)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        qint64 pid = -1;
        if (reply) {
            if (xcb_get_property_value_length(reply) == 4)
                pid = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
            std::free(reply);
        }
        return pid;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
    xcb_atom_t m_pidAtom = XCB_NONE;
    qint64 m_pid = -1;
    std::set<xcb_window_t> m_mapped;
    std::set<xcb_window_t> m_others;
};

struct Session {
    PrivateSessionBus bus;
    std::unique_ptr<MapWatcher> watcher;
};

void startToAllMapped(benchmark::State& state, Session& session)
{
    const int count = int(state.range(0));
    QTemporaryDir templateHome;
    if (!templateHome.isValid() || !prepareHome(templateHome.path(), count)) {
        state.SkipWithError("cannot prepare the state");
        return;
    }
    double mappedMs = 0;
    double mappedMB = 0;
    double settledMB = 0;
    double programCpuMs = 0;
    double anonMB = 0;
    double fileMB = 0;
    double shmemMB = 0;
    double serverCpuMs = 0;
    const qint64 server = serverPid();
    for (auto _ : state) {
        // A fresh home each launch, with the prepared state: nothing of the last run is cached.
        QTemporaryDir home;
        QProcess copy;
        copy.start(u"cp"_s, {u"-a"_s, templateHome.path() + u"/."_s, home.path()});
        if (!home.isValid() || !copy.waitForFinished(60000) || copy.exitCode() != 0) {
            state.SkipWithError("cannot copy the prepared home");
            return;
        }
        const QProcessEnvironment environment = privateHomeEnvironment(home.path(), session.bus.address());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.setStandardOutputFile(QProcess::nullDevice());

        const double serverBefore = cpuMilliseconds(server);
        QElapsedTimer timer;
        timer.start();
        program.start(programPath(), {});
        if (!program.waitForStarted(30000)) {
            state.SkipWithError("cannot start the program");
            return;
        }
        session.watcher->reset(program.processId());
        // Every window: the fences and the control center that every start shows.
        const bool mapped = session.watcher->waitForMapped(count + 1, 60000);
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        const qint64 atMapped = residentKilobytes(program.processId());
        programCpuMs += cpuMilliseconds(program.processId());
        serverCpuMs += cpuMilliseconds(server) - serverBefore;
        QThread::msleep(2000);
        const qint64 settled = residentKilobytes(program.processId());
        // What the resident memory is: the heap, mapped files (fonts, libraries) and shared
        // memory (the windows' backing stores, shared with the X server).
        anonMB += double(statusKilobytes(program.processId(), "RssAnon")) / 1024.0;
        fileMB += double(statusKilobytes(program.processId(), "RssFile")) / 1024.0;
        shmemMB += double(statusKilobytes(program.processId(), "RssShmem")) / 1024.0;
        keepMemoryMap(program.processId(), count, templateHome.path());
        program.terminate();
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished(5000);
        }
        if (!mapped) {
            state.SkipWithError(("only " + std::to_string(session.watcher->mappedCount()) + " windows mapped").c_str());
            return;
        }
        state.SetIterationTime(elapsed / 1e3);
        mappedMs += elapsed;
        mappedMB += double(atMapped) / 1024.0;
        settledMB += double(settled) / 1024.0;
    }
    const double runs = double(state.iterations());
    state.counters["fences"] = count;
    state.counters["mapped_ms"] = mappedMs / runs;
    state.counters["rss_mapped_MB"] = mappedMB / runs;
    state.counters["rss_settled_MB"] = settledMB / runs;
    state.counters["settled_anon_MB"] = anonMB / runs;
    state.counters["settled_file_MB"] = fileMB / runs;
    state.counters["settled_shmem_MB"] = shmemMB / runs;
    // Where the time went until then: the program's CPU and the X server's.
    state.counters["program_cpu_ms"] = programCpuMs / runs;
    state.counters["xserver_cpu_ms"] = serverCpuMs / runs;
    if (count == 100) {
        state.counters["target_ms"] = 1000;
        state.counters["target_MB"] = 90;
    }
}

} // namespace

int main(int argc, char** argv)
{
    XvfbSession server;
    if (const QString failure = server.start(); !failure.isEmpty()) {
        std::printf("skipped: %s\n", failure.toLocal8Bit().constData());
        return 0;
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!QFile::exists(programPath())) {
        std::printf("skipped: the program is not built at %s\n", qPrintable(programPath()));
        return 0;
    }
    Session session;
    if (const QString failure = session.bus.start(); !failure.isEmpty()) {
        std::printf("skipped: no private session bus: %s\n", failure.toLocal8Bit().constData());
        return 0;
    }
    session.watcher = std::make_unique<MapWatcher>();
    if (!session.watcher->isConnected()) {
        std::printf("skipped: cannot watch the X server\n");
        return 0;
    }

    for (const int count : {4, 50, 100}) {
        benchmark::RegisterBenchmark("startToAllMapped", [&session](benchmark::State& state) {
            startToAllMapped(state, session);
        })
            ->Arg(count)
            ->Iterations(1)
            ->Repetitions(3)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
