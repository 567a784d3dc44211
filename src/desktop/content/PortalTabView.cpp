#include "desktop/content/PortalTabView.h"

#include "core/engine/FilePaths.h"
#include "core/models/PlatformWords.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/GlassSymbolMark.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/content/FenceDropHandling.h"
#include "desktop/content/PortalBreadcrumbBar.h"
#include "desktop/content/PortalBrowser.h"
#include "desktop/content/PortalEntryListView.h"
#include "desktop/content/PortalEntryModel.h"
#include "desktop/content/PortalFilterField.h"
#include "desktop/content/SinglePathDialog.h"
#include "platform/gui/FileRevealer.h"
#include "platform/gui/FileTrash.h"

#include <QActionGroup>
#include <QDesktopServices>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace mv {

namespace {

QString folderName(const QUrl& url)
{
    const QString name = url.fileName();
    return name.isEmpty() ? filepaths::standardizedPath(url).value_or(url.toDisplayString()) : name;
}

LiquidGlassButton* makeMenuButton(DesignEnvironment* environment, const QString& symbol, const QString& name,
                                  QWidget* parent)
{
    auto* button = new LiquidGlassButton(environment, parent);
    button->setObjectName(name);
    button->setSymbolName(symbol);
    button->setSymbolFont(10.5, QFont::DemiBold);
    button->setFixedFrame(QSize(24, 24));
    return button;
}

// The symbol shows in the colour of the menu's text.
void setSymbol(QAction* action, const QMenu* menu, const QString& symbol)
{
    action->setIcon(SymbolIcons::tintedIcon(symbol, menu->palette().color(QPalette::Text)));
    action->setProperty("symbolName", symbol);
}

QAction* addSymbolAction(QMenu* into, const QString& text, const QString& symbol)
{
    QAction* action = into->addAction(text);
    setSymbol(action, into, symbol);
    return action;
}

} // namespace

QString PortalTabView::emptyFolderText()
{
    return withPlatformWords(QStringLiteral("拖拽访达文件到这里自动归入"));
}

QString PortalTabView::sortHelp(FenceSortMode mode)
{
    return QStringLiteral("排序方式：") + displayName(mode);
}

std::optional<QString> PortalTabView::chooseFolderWithDialog(QWidget* parent)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setLabelText(QFileDialog::Accept, bindPrompt);
    return runSinglePathDialog(dialog);
}

PortalTabView::FileActions PortalTabView::desktopFileActions()
{
    FileActions actions;
    // Made at the first reveal: a tab that never reveals never reaches for the session bus.
    auto revealer = std::make_shared<std::unique_ptr<platform::FileManagerRevealer>>();
    actions.reveal = [revealer](const QUrl& file) {
        if (!*revealer)
            *revealer = std::make_unique<platform::FileManagerRevealer>();
        (*revealer)->reveal(file);
    };
    actions.trash = [](const QUrl& file) -> std::optional<QString> {
        const auto trashed = platform::FreedesktopTrash().moveToTrash(file);
        return trashed ? std::nullopt : std::optional(trashed.error());
    };
    actions.drag = &nativefilebridge::execFileDrag;
    return actions;
}

QString PortalTabView::trashFailedStatus(const QString& name, const QString& reason)
{
    return withPlatformWords(QStringLiteral("未能将“%1”移到废纸篓：")).arg(name) + reason;
}

PortalTabView::PortalTabView(MorvanteelStore& store, PortalBrowser& browser, DesignEnvironment* environment,
                             QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_browser(browser)
    , m_environment(environment)
{
    urlOpener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    setAcceptDrops(true);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 4, 0, 0);
    column->setSpacing(6);

    // Toolbar.
    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("portalToolbar"));
    auto* toolbarRow = new QHBoxLayout(toolbar);
    toolbarRow->setContentsMargins(12, 0, 12, 0);
    toolbarRow->setSpacing(6);
    m_filter = new PortalFilterField(environment, toolbar);
    m_filter->setObjectName(QStringLiteral("portalFilter"));
    m_filter->onTextEdited = [this](const QString& text) {
        // Every keystroke is saved; the watcher lists the folder anew with it.
        changeTab([&text](FenceTab& tab) { tab.portalFilter = text; });
    };
    m_filter->onClear = [this] { changeTab([](FenceTab& tab) { tab.portalFilter.clear(); }); };
    toolbarRow->addWidget(m_filter, 1, Qt::AlignVCenter);

    m_sortButton = makeMenuButton(environment, QStringLiteral("arrow.up.arrow.down"), QStringLiteral("portalSortButton"),
                                  toolbar);
    toolbarRow->addWidget(m_sortButton, 0, Qt::AlignVCenter);
    connect(m_sortButton, &QAbstractButton::clicked, this,
            [this] { openMenu(createSortMenu(this), m_sortButton); });

    m_viewSettingsButton = makeMenuButton(environment, QStringLiteral("slider.horizontal.3"),
                                          QStringLiteral("portalViewSettingsButton"), toolbar);
    m_viewSettingsButton->setToolTip(viewSettingsHelp);
    m_viewSettingsButton->setAccessibleName(viewSettingsHelp);
    toolbarRow->addWidget(m_viewSettingsButton, 0, Qt::AlignVCenter);
    connect(m_viewSettingsButton, &QAbstractButton::clicked, this,
            [this] { openMenu(createViewSettingsMenu(this), m_viewSettingsButton); });
    column->addWidget(toolbar);

    // The breadcrumbs, while a subfolder is shown, go below the toolbar (see breadcrumbBar).

    // The states: missing or empty, or the entries.
    m_states = new QStackedWidget(this);
    m_states->setObjectName(QStringLiteral("portalStates"));

    m_statePage = new QWidget(m_states);
    m_statePage->setObjectName(QStringLiteral("portalStatePage"));
    m_stateColumn = new QVBoxLayout(m_statePage);
    m_stateColumn->setContentsMargins(0, 0, 0, 0);
    m_stateColumn->addStretch(1);
    m_missingSymbol = new GlassSymbolMark(QStringLiteral("folder.badge.questionmark"), 28, m_statePage);
    m_missingSymbol->setObjectName(QStringLiteral("portalMissingSymbol"));
    m_stateColumn->addWidget(m_missingSymbol, 0, Qt::AlignHCenter);
    m_emptySymbol = new GlassSymbolMark(QStringLiteral("tray"), 24, m_statePage);
    m_emptySymbol->setObjectName(QStringLiteral("portalEmptySymbol"));
    m_stateColumn->addWidget(m_emptySymbol, 0, Qt::AlignHCenter);
    m_stateLabel = new GlassTextLabel(m_statePage);
    m_stateLabel->setObjectName(QStringLiteral("portalState"));
    m_stateLabel->setAlignment(Qt::AlignCenter);
    m_stateLabel->setMaximumLines(3);
    m_stateColumn->addWidget(m_stateLabel);
    m_chooseFolderButton = new LiquidGlassPillButton(environment, chooseFolderTitle, QStringLiteral("folder.badge.plus"),
                                                     FenceTintPalette::crystal, m_statePage);
    m_chooseFolderButton->setObjectName(QStringLiteral("portalChooseFolder"));
    m_chooseFolderButton->setProminent(true);
    m_chooseFolderButton->setCompact(true);
    // After the click has been handled: the picker runs a loop of its own.
    m_chooseFolderButton->action = [this] {
        QMetaObject::invokeMethod(this, &PortalTabView::choosePortalFolder, Qt::QueuedConnection);
    };
    m_stateColumn->addWidget(m_chooseFolderButton, 0, Qt::AlignHCenter);
    m_stateColumn->addStretch(1);
    m_states->addWidget(m_statePage);

    m_model = new PortalEntryModel(this);
    m_list = new PortalEntryListView(environment, m_states);
    m_list->setObjectName(QStringLiteral("portalEntries"));
    m_list->setModel(m_model);
    m_list->onEntryPressed = [this](const QModelIndex& index) { entryPressed(index); };
    m_list->onEntryActivated = [this](const QModelIndex& index) { entryActivated(index); };
    m_list->onEntryDragStarted = [this](const QModelIndex& index, const QPointF& position, const QSizeF& tileSize) {
        if (const PortalFileEntry* entry = m_model->entry(index))
            dragEntry(PortalFileEntry(*entry), position, tileSize);
    };
    m_list->onEntryContextMenu = [this](const QModelIndex& index, const QPoint& at) { showEntryMenu(index, at); };
    m_states->addWidget(m_list);
    column->addWidget(m_states, 1);

    connect(&m_browser, &PortalBrowser::listingChanged, this, &PortalTabView::refreshFromStore);
    connect(&m_browser, &PortalBrowser::breadcrumbsChanged, this, &PortalTabView::refreshFromStore);
    // A selection changes the tiles' highlight alone: the listing stays as it is.
    connect(&m_browser, &PortalBrowser::selectionChanged, this,
            [this] { m_list->setSelectedEntryID(m_browser.selectedEntryID()); });
}

PortalTabView::~PortalTabView() = default;

ColorScheme PortalTabView::scheme() const
{
    return m_environment ? m_environment->colorScheme() : ColorScheme::light;
}

std::optional<FenceModel> PortalTabView::currentFence() const
{
    return m_store.fence(m_browser.fenceID());
}

std::optional<FenceModel> PortalTabView::currentFenceWithTab() const
{
    std::optional<FenceModel> fence = currentFence();
    if (!fence || !fence->activeTab())
        return std::nullopt;
    return fence;
}

// -- showing the store and the listing ----------------------------------------------------------

void PortalTabView::refreshFromStore()
{
    const std::optional<FenceModel> fence = currentFenceWithTab();
    if (fence && fence->activeTab()->kind == FenceKind::portal)
        refresh(*fence, *fence->activeTab());
}

void PortalTabView::refresh(const FenceModel& fence, const FenceTab& tab)
{
    m_filter->setFilterText(tab.portalFilter);
    const QString help = sortHelp(tab.sortMode);
    if (m_sortButton->toolTip() != help) {
        m_sortButton->setToolTip(help);
        m_sortButton->setAccessibleName(help);
    }
    refreshBreadcrumbs(fence);

    const PortalScanResult& listing = m_browser.listing();
    m_list->setAppearance(fence.style.displayDensity, fence.style.iconScale, fence.style.tint);
    m_model->setEntries(listing.entries);
    m_list->setSelectedEntryID(m_browser.selectedEntryID());

    State state = State::entries;
    if (listing.isMissing)
        state = State::missing;
    else if (listing.entries.isEmpty())
        state = State::empty;
    showState(state, fence, tab);
}

PortalBreadcrumbBar* PortalTabView::breadcrumbBar() const
{
    if (m_breadcrumbs)
        return m_breadcrumbs;
    // Made when a subfolder is first entered: most portals are never browsed into.
    auto* self = const_cast<PortalTabView*>(this);
    m_breadcrumbs = new PortalBreadcrumbBar(m_environment, self);
    m_breadcrumbs->setObjectName(QStringLiteral("portalBreadcrumbs"));
    m_breadcrumbs->onBack = [self] { self->m_browser.goUp(); };
    m_breadcrumbs->onRoot = [self] { self->m_browser.goToRoot(); };
    m_breadcrumbs->onCrumb = [self](int index) { self->m_browser.goToCrumb(index); };
    m_breadcrumbs->hide();
    // Between the toolbar and the states.
    auto* column = static_cast<QVBoxLayout*>(self->layout());
    column->insertWidget(column->indexOf(m_states), m_breadcrumbs);
    return m_breadcrumbs;
}

void PortalTabView::refreshBreadcrumbs(const FenceModel& fence)
{
    const QList<QUrl>& trail = m_browser.breadcrumbURLs();
    const std::optional<QUrl> root = m_browser.rootPortalURL();
    const bool shown = !trail.isEmpty() && root.has_value();
    if (shown) {
        QStringList names;
        for (const QUrl& url : trail)
            names.append(folderName(url));
        breadcrumbBar()->setTrail(folderName(*root), names, fence.style.tint);
    }
    if (m_breadcrumbs)
        m_breadcrumbs->setVisible(shown);
}

void PortalTabView::showState(State state, const FenceModel& fence, const FenceTab& tab)
{
    m_state = state;
    if (state == State::entries) {
        m_states->setCurrentWidget(m_list);
        return;
    }
    const ColorScheme colors = scheme();
    const bool missing = state == State::missing;
    // The filter counts as set only when it holds more than spaces.
    const bool hasFilter = !tab.portalFilter.trimmed().isEmpty();
    m_missingSymbol->setVisible(missing);
    m_missingSymbol->setColor(GlassPalette::secondaryForeground(colors));
    m_emptySymbol->setVisible(!missing);
    m_emptySymbol->setSymbolName(hasFilter ? QStringLiteral("magnifyingglass") : QStringLiteral("tray"));
    m_emptySymbol->setColor(GlassPalette::secondaryForeground(colors));
    m_chooseFolderButton->setVisible(missing);
    m_chooseFolderButton->setTint(fence.style.tint);
    m_stateColumn->setSpacing(missing ? 8 : 6);
    m_stateColumn->setContentsMargins(missing ? 0 : 16, 0, missing ? 0 : 16, 0);
    if (missing) {
        m_stateLabel->setText(missingText);
        m_stateLabel->setFont(designFont(12.5, QFont::DemiBold));
        m_stateLabel->setColor(GlassPalette::primaryForeground(colors));
    } else {
        m_stateLabel->setText(hasFilter ? noMatchText : emptyFolderText());
        m_stateLabel->setFont(designFont(12, QFont::Medium));
        m_stateLabel->setColor(GlassPalette::secondaryForeground(colors));
    }
    m_states->setCurrentWidget(m_statePage);
}

QString PortalTabView::stateSymbolName() const
{
    switch (m_state) {
    case State::missing:
        return m_missingSymbol->symbolName();
    case State::empty:
        return m_emptySymbol->symbolName();
    case State::entries:
        break;
    }
    return {};
}

// -- writing through the store -------------------------------------------------------------

void PortalTabView::changeTab(const std::function<void(FenceTab&)>& change)
{
    // Read at the moment of the action: a menu may outlive the tab it was opened for.
    const std::optional<FenceModel> fence = currentFenceWithTab();
    if (!fence || fence->activeTab()->kind != FenceKind::portal)
        return;
    m_store.updateActiveTab(fence->id, change);
}

void PortalTabView::setDensity(FenceDisplayDensity density)
{
    // The density belongs to the fence: one field of the fence as it is now.
    std::optional<FenceModel> fence = currentFence();
    if (!fence || fence->style.displayDensity == density)
        return;
    fence->style.displayDensity = density;
    m_store.updateFence(*fence);
}

void PortalTabView::choosePortalFolder()
{
    const QPointer<PortalTabView> self(this);
    // A copy: the picker's loop may take this view, and the chooser with it, away.
    const FolderChooser chooser = folderChooser;
    const std::optional<QString> chosen = chooser ? chooser(window()) : std::nullopt;
    // The picker's loop may have outlived this view, or the fence.
    if (!self || !chosen)
        return;
    // A relative answer never binds against the working folder.
    const std::optional<QString> standardized = filepaths::standardizedPath(*chosen);
    if (!standardized)
        return;
    const QString path = *standardized;
    const std::optional<FenceModel> fence = currentFenceWithTab();
    if (!fence)
        return;
    // No bookmarks on this desktop: the path alone binds, and an earlier bookmark goes.
    m_store.updateActiveTab(fence->id, [&path](FenceTab& tab) {
        tab.portalPath = path;
        tab.portalBookmarkBase64.reset();
    });
    if (!self)
        return;
    // The same folder bound again is no new path for the browser: leave the trail here too.
    m_browser.goToRoot();
    if (self)
        m_browser.syncWatch();
}

// -- entries --------------------------------------------------------------------------------

void PortalTabView::entryPressed(const QModelIndex& index)
{
    if (const PortalFileEntry* entry = m_model->entry(index))
        selectEntry(PortalFileEntry(*entry));
}

void PortalTabView::entryActivated(const QModelIndex& index)
{
    if (const PortalFileEntry* entry = m_model->entry(index))
        activateEntry(PortalFileEntry(*entry));
}

void PortalTabView::selectEntry(const PortalFileEntry& entry)
{
    m_browser.selectEntry(entry);
}

void PortalTabView::activateEntry(const PortalFileEntry& entry)
{
    if (!entry.isDirectory) {
        // The selection and the trail stay; a file that cannot be opened fails silently.
        if (urlOpener)
            urlOpener(entry.url);
        return;
    }
    m_browser.enterFolder(entry.url);
}

bool PortalTabView::togglePreviewOfSelection()
{
    if (!onTogglePreview)
        return false;
    const std::optional<PortalFileEntry> entry = m_browser.listedSelection();
    if (!entry)
        return false;
    // A copy: the presenter may replace the callback.
    const auto toggle = onTogglePreview;
    toggle(entry->url, entry->displayName);
    return true;
}

// -- an entry's file actions -------------------------------------------------------------------

QList<PortalFenceTarget> PortalTabView::otherPortalFences() const
{
    QList<PortalFenceTarget> targets;
    for (const FenceModel& fence : m_store.activeFences()) {
        const FenceTab* tab = fence.activeTab();
        if (fence.id != m_browser.fenceID() && tab && tab->kind == FenceKind::portal)
            targets.append({fence.id, fence.title});
    }
    return targets;
}

NativeFileContextActions PortalTabView::contextActions(const PortalFileEntry& entry)
{
    // Each action runs while this view lives (the menu runs them with it as the context).
    NativeFileContextActions actions;
    actions.isDirectory = entry.isDirectory;
    actions.targetFences = otherPortalFences();
    actions.onQuickLook = [this, entry] {
        const QPointer<PortalTabView> self(this);
        selectEntry(entry);
        const auto present = onPresentPreview;
        if (self && present)
            present(entry.url, entry.displayName);
    };
    actions.onOpen = [this, entry] { activateEntry(entry); };
    actions.onRevealInFinder = [this, entry] {
        const auto reveal = fileActions.reveal;
        if (reveal)
            reveal(entry.url);
    };
    actions.onMoveToFence = [this, entry](const QUuid& fenceID) { moveEntryToFence(entry, fenceID); };
    actions.onTrash = [this, entry] { trashEntry(entry); };
    return actions;
}

QMenu* PortalTabView::createEntryMenu(const PortalFileEntry& entry, QWidget* parent)
{
    return nativefilebridge::createContextMenu(contextActions(entry), this, parent);
}

void PortalTabView::showEntryMenu(const QModelIndex& index, const QPoint& globalPosition)
{
    const PortalFileEntry* entry = m_model->entry(index);
    if (!entry)
        return;
    QMenu* menu = createEntryMenu(PortalFileEntry(*entry), this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

void PortalTabView::moveEntryToFence(const PortalFileEntry& entry, const QUuid& fenceID)
{
    const QPointer<PortalTabView> self(this);
    // Undoable, with the store's status; the file lands in that fence's bound folder.
    m_store.moveFiles({entry.url}, fenceID);
    if (self)
        m_browser.rescan();
}

void PortalTabView::trashEntry(const PortalFileEntry& entry)
{
    const QPointer<PortalTabView> self(this);
    const auto trash = fileActions.trash;
    // Not recorded for undo: the trash keeps the file.
    const std::optional<QString> failure = trash ? trash(entry.url) : std::nullopt;
    if (self && failure)
        m_store.setLastStatusMessage(trashFailedStatus(entry.displayName, *failure));
    if (self && m_browser.selectedEntryID() == entry.id())
        m_browser.clearSelection();
    if (self)
        m_browser.rescan();
}

void PortalTabView::dragEntry(const PortalFileEntry& entry, const QPointF& position, const QSizeF& tileSize)
{
    const auto drag = fileActions.drag;
    if (!drag)
        return;
    nativefilebridge::FileDrag file;
    file.url = entry.url;
    const qreal ratio = devicePixelRatioF();
    file.pixmap = SymbolIcons::pixmap(entry.symbolName, nativefilebridge::dragImageSide,
                                      GlassPalette::primaryForeground(scheme()), ratio);
    file.hotSpot = nativefilebridge::dragHotSpot(position, tileSize);
    // The drag runs a loop of its own, which may take this view and its fence away. Whatever
    // the receiver did, nothing is done here: a file it moved shows gone through the watcher.
    drag(m_list, file);
}

void PortalTabView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && togglePreviewOfSelection()) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// -- menus ----------------------------------------------------------------------------------

void PortalTabView::openMenu(QMenu* menu, QWidget* button)
{
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

QMenu* PortalTabView::createSortMenu(QWidget* parent)
{
    const std::optional<FenceModel> fence = currentFenceWithTab();
    if (!fence)
        return nullptr;
    auto* menu = new QMenu(parent);
    for (const FenceSortMode mode : allCases<FenceSortMode>()) {
        QAction* action = menu->addAction(displayName(mode));
        if (mode == fence->activeTab()->sortMode)
            setSymbol(action, menu, QStringLiteral("checkmark"));
        // Queued, with this view as the context: the menu has closed before the store changes,
        // and nothing runs once the view is gone. Choosing the manual order only selects it.
        connect(
            action, &QAction::triggered, this,
            [this, mode] { changeTab([mode](FenceTab& changed) { changed.sortMode = mode; }); },
            Qt::QueuedConnection);
    }
    return menu;
}

QMenu* PortalTabView::createViewSettingsMenu(QWidget* parent)
{
    const std::optional<FenceModel> fence = currentFenceWithTab();
    if (!fence)
        return nullptr;
    const FenceTab* tab = fence->activeTab();
    auto* menu = new QMenu(parent);

    QMenu* density = menu->addMenu(QStringLiteral("视图密度"));
    auto* densities = new QActionGroup(density);
    densities->setExclusive(true);
    for (const FenceDisplayDensity option : allCases<FenceDisplayDensity>()) {
        const QString symbol =
            option == FenceDisplayDensity::grid ? QStringLiteral("square.grid.2x2") : QStringLiteral("list.bullet");
        QAction* action = addSymbolAction(density, displayName(option), symbol);
        action->setCheckable(true);
        action->setChecked(option == fence->style.displayDensity);
        densities->addAction(action);
        connect(action, &QAction::triggered, this, [this, option] { setDensity(option); }, Qt::QueuedConnection);
    }
    menu->addSeparator();

    QAction* hidden = menu->addAction(QStringLiteral("显示隐藏文件"));
    hidden->setCheckable(true);
    hidden->setChecked(tab->showHiddenFiles);
    connect(
        hidden, &QAction::triggered, this,
        [this](bool checked) { changeTab([checked](FenceTab& changed) { changed.showHiddenFiles = checked; }); },
        Qt::QueuedConnection);
    QAction* extensions = menu->addAction(QStringLiteral("显示文件扩展名"));
    extensions->setCheckable(true);
    extensions->setChecked(tab->showExtensions);
    connect(
        extensions, &QAction::triggered, this,
        [this](bool checked) { changeTab([checked](FenceTab& changed) { changed.showExtensions = checked; }); },
        Qt::QueuedConnection);
    menu->addSeparator();

    QAction* bind = addSymbolAction(menu, QStringLiteral("绑定文件夹…"), QStringLiteral("folder.badge.plus"));
    connect(bind, &QAction::triggered, this, &PortalTabView::choosePortalFolder, Qt::QueuedConnection);
    if (const std::optional<QUrl> shown = m_browser.currentPortalURL()) {
        QAction* open = addSymbolAction(menu, withPlatformWords(QStringLiteral("在访达中打开")),
                                     QStringLiteral("arrow.up.forward.square"));
        // The folder shown when the menu was opened; one that has vanished fails silently.
        const QUrl folder = *shown;
        connect(
            open, &QAction::triggered, this,
            [this, folder] {
                if (urlOpener)
                    urlOpener(folder);
            },
            Qt::QueuedConnection);
    }
    return menu;
}

// -- drops: the fence's handling decides --------------------------------------------------------

void PortalTabView::dragEnterEvent(QDragEnterEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void PortalTabView::dragMoveEvent(QDragMoveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void PortalTabView::dragLeaveEvent(QDragLeaveEvent* event)
{
    FenceDropHandling::forward(this, event);
}

void PortalTabView::dropEvent(QDropEvent* event)
{
    FenceDropHandling::forward(this, event);
}

} // namespace mv
