#pragma once

#include "core/models/Uuid.h"
#include "core/store/MorvanteelStore.h"
#include "platform/KeyValueStore.h"
#include "platform/WidgetReloader.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <atomic>
#include <memory>
#include <vector>

// A store over a temporary folder, with its own clock, defaults and widget reload recorder.
struct StoreFixture {
    QTemporaryDir dir;
    QDateTime clock = QDateTime(QDate(2026, 12, 9), QTime(8, 19, 47), Qt::UTC);
    std::shared_ptr<mv::platform::MemoryKeyValueStore> defaults = std::make_shared<mv::platform::MemoryKeyValueStore>();
    std::shared_ptr<mv::platform::WidgetReloader> reloader = std::make_shared<mv::platform::WidgetReloader>();
    // Writes of the state file by stores of environment(); counted on the saving thread, so
    // read through savedStateWrites().
    std::atomic<int> stateWrites = 0;
    // The stores made by makeStore (or handed to track), for flushSaves.
    std::vector<QPointer<mv::MorvanteelStore>> stores;

    QString supportPath() const { return dir.filePath(QStringLiteral("support")); }
    QString statePath() const { return dir.filePath(QStringLiteral("support/state.json")); }
    QString snapshotPath() const { return dir.filePath(QStringLiteral("support/widget_snapshot.json")); }
    QString demoPath() const { return dir.filePath(QStringLiteral("demo")); }

    mv::StoreLocations locations() const { return {statePath(), snapshotPath(), demoPath()}; }

    mv::StoreEnvironment environment()
    {
        mv::StoreEnvironment environment;
        environment.now = [this] { return clock; };
        environment.standardDefaults = defaults;
        environment.widgetReloader = reloader;
        // Counts the saves that reach the state file.
        environment.writeFile = [this](const QString& path, const QByteArray& bytes) {
            if (path == statePath())
                ++stateWrites;
            return mv::platform::writeFileAtomically(path, bytes);
        };
        return environment;
    }

    std::unique_ptr<mv::MorvanteelStore> makeStore(mv::Seeding seeding = mv::Seeding::enabled)
    {
        auto store = std::make_unique<mv::MorvanteelStore>(locations(), seeding, environment());
        track(*store);
        return store;
    }

    void track(mv::MorvanteelStore& store) { stores.emplace_back(&store); }

    // Saves are written off the caller's thread: waits until every save of the tracked stores
    // is on disk and its outcome is in the store, before a test reads the files, the defaults
    // or stateWrites, or looks at lastSaveError.
    void flushSaves() const
    {
        for (const QPointer<mv::MorvanteelStore>& store : stores) {
            if (store)
                store->flushPendingSaves();
        }
    }

    // stateWrites once the tracked stores' saves are written.
    int savedStateWrites() const
    {
        flushSaves();
        return stateWrites;
    }

    // The state file as the stores left it once their saves are written.
    QByteArray stateOnDisk() const
    {
        flushSaves();
        return readFile(statePath());
    }

    static bool writeFile(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    // Mode 0755 when `executable` (a program, or a document carrying the bit), else 0644.
    static bool writeFile(const QString& path, const QByteArray& bytes, bool executable)
    {
        const QFile::Permissions readable =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther;
        const QFile::Permissions runnable = QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;
        return writeFile(path, bytes) && QFile::setPermissions(path, executable ? readable | runnable : readable);
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList supportFiles() const
    {
        return QDir(supportPath()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

// A tab of `kind` with a new tab's settings; tests set what else they need.
inline mv::FenceTab plainTab(mv::FenceKind kind, const QString& title)
{
    mv::FenceTab tab;
    tab.id = mv::newUuid();
    tab.title = title;
    tab.symbolName = QStringLiteral("tray");
    tab.kind = kind;
    tab.showExtensions = true;
    tab.sortMode = mv::FenceSortMode::nameAsc;
    return tab;
}

// A store without the seed holding two workspaces, "桌面" (active) and "归档", saved once.
struct TwoWorkspaceStore : StoreFixture {
    std::unique_ptr<mv::MorvanteelStore> store;
    QUuid desk = mv::newUuid();
    QUuid archive = mv::newUuid();

    TwoWorkspaceStore()
    {
        store = makeStore(mv::Seeding::disabled);
        const auto workspace = [this](const QUuid& id, const QString& name) {
            return mv::WorkspaceProfile{id, name, QStringLiteral("desktopcomputer"), mv::FenceTintPalette::crystal,
                                        mv::WallpaperPreset::tahoeAurora, clock};
        };
        store->setWorkspaces({workspace(desk, QStringLiteral("桌面")), workspace(archive, QStringLiteral("归档"))});
        store->setActiveWorkspaceID(desk);
        store->save();
    }

    QString path(const QString& relative) const { return dir.filePath(relative); }

    // A fence of `workspace` with these tabs (the first active), added to the store.
    mv::FenceModel appendFence(const QUuid& workspace, const QString& title, const QList<mv::FenceTab>& tabs)
    {
        mv::FenceModel fence;
        fence.id = mv::newUuid();
        fence.workspaceID = workspace;
        fence.title = title;
        fence.symbolName = QStringLiteral("folder");
        fence.tabs = tabs;
        fence.activeTabID = tabs.isEmpty() ? mv::newUuid() : tabs.first().id;
        fence.createdAt = clock;
        fence.updatedAt = clock;
        QList<mv::FenceModel> fences = store->fences();
        fences.append(fence);
        if (!store->setFences(fences))
            qFatal("the store refused a test fence");
        return fence;
    }
};
