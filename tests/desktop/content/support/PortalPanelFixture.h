#pragma once

#include "core/store/support/StoreFixture.h"
#include "design/DesignEnvironment.h"
#include "desktop/content/MacFenceContentView.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"
#include "desktop/content/PortalTabView.h"
#include "desktop/shell/DesktopFencePanel.h"

#include <QDir>
#include <QPointer>
#include <QTest>

#include <memory>
#include <optional>

// A portal fence of the active workspace over a real folder (the files "a.txt" and "b.txt" and
// the folder "sub"), shown in its fence content inside a desktop panel, with a second, empty
// folder for other fences to bind. The desktop's opener is recorded instead of run.
struct PortalPanelFixture : TwoWorkspaceStore {
    mv::DesignEnvironment environment;
    QString folder = path(QStringLiteral("portal"));
    QString otherFolder = path(QStringLiteral("other"));
    mv::FenceModel fence;
    QList<QUrl> opened;
    std::unique_ptr<mv::DesktopFencePanel> panel;
    QPointer<mv::MacFenceContentView> view;

    explicit PortalPanelFixture(const QRect& frame)
    {
        StoreFixture::writeFile(folder + QStringLiteral("/a.txt"), "a");
        StoreFixture::writeFile(folder + QStringLiteral("/b.txt"), "bb");
        StoreFixture::writeFile(folder + QStringLiteral("/sub/inner.txt"), "i");
        QDir().mkpath(otherFolder);

        mv::FenceTab tab = plainTab(mv::FenceKind::portal, QStringLiteral("下载"));
        tab.portalPath = folder;
        fence = appendFence(desk, QStringLiteral("下载"), {tab});
        fence.bentoOrder = 1;
        store->updateFence(fence);

        panel = std::make_unique<mv::DesktopFencePanel>(fence.id, frame);
        view = new mv::MacFenceContentView(*store, fence.id, mv::FencePanelContent::Callbacks(), &environment);
        panel->setContentView(view);
        body()->urlOpener = [this](const QUrl& url) { opened.append(url); };
    }

    // Another fence of a workspace whose active tab is of `kind` (a portal bound to `portalPath`).
    mv::FenceModel addFence(const QUuid& workspace, const QString& title, mv::FenceKind kind, qint64 order,
                            const std::optional<QString>& portalPath = std::nullopt)
    {
        mv::FenceTab tab = plainTab(kind, title);
        tab.portalPath = portalPath;
        mv::FenceModel added = appendFence(workspace, title, {tab});
        added.bentoOrder = order;
        store->updateFence(added);
        return added;
    }

    [[nodiscard]] bool show()
    {
        panel->show();
        return QTest::qWaitForWindowExposed(panel.get());
    }

    mv::PortalTabView* body() const { return view->portalTab(); }
    mv::PortalBrowser& browser() const { return *view->portalBrowser(); }
    mv::PortalEntryListView* list() const { return body()->entryList(); }
    mv::PortalEntryModel* model() const { return body()->entryModel(); }
    QWidget* viewport() const { return list()->viewport(); }
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(folder + u'/' + name); }

    QModelIndex indexOf(const QString& name) const { return model()->index(model()->rowOf(folder + u'/' + name), 0); }
    mv::PortalFileEntry entry(const QString& name) const { return *model()->entry(indexOf(name)); }
    QStringList listed() const
    {
        QStringList names;
        for (const mv::PortalFileEntry& listedEntry : model()->entries())
            names.append(listedEntry.name);
        return names;
    }
    // The centre of an entry's tile, in the list's viewport.
    QPoint centreOf(const QString& name) const { return list()->tileRect(indexOf(name)).center(); }
    // Below the row of tiles: empty space of the list, clear of the panel's resize edges.
    QPoint emptySpot() const { return QPoint(24, viewport()->height() - 40); }
};
