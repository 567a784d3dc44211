#include "desktop/controlcenter/ControlCenterView.h"

#include "core/models/PlatformWords.h"
#include "core/store/MorvanteelStore.h"
#include "design/DesignEnvironment.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassWallpaperBackdrop.h"
#include "design/SymbolIcons.h"
#include "desktop/controlcenter/ControlCenterDivider.h"
#include "desktop/controlcenter/QuickControlSwitch.h"

#include <QAction>
#include <QHBoxLayout>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace mv {

namespace {

ColorScheme schemeOf(const DesignEnvironment* environment)
{
    return environment ? environment->colorScheme() : ColorScheme::light;
}

// The window behind the detail area and the sidebar beside it; opaque, as a window's own
// background is.
QColor windowBackground(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor(0x1e, 0x1f, 0x22) : QColor(0xf4, 0xf4, 0xf6);
}

QColor sidebarBackground(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor(0x27, 0x28, 0x2c) : QColor(0xe9, 0xea, 0xee);
}

// The sidebar column: its own background with a hairline on the trailing edge, 220 to 280
// wide, 246 to begin with.
class SidebarColumn final : public QWidget {
public:
    SidebarColumn(DesignEnvironment* environment, QWidget* parent)
        : QWidget(parent)
        , m_environment(environment)
    {
        setMinimumWidth(220);
        setMaximumWidth(280);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QSize sizeHint() const override { return QSize(246, QWidget::sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const ColorScheme scheme = schemeOf(m_environment);
        QPainter painter(this);
        painter.fillRect(rect(), sidebarBackground(scheme));
        painter.fillRect(QRectF(width() - 1, 0, 1, height()), controlCenterSeparatorColor(scheme));
    }

private:
    QPointer<DesignEnvironment> m_environment;
};

// The box behind the status message: a rounded rectangle of radius 10 washed with the primary
// colour at 0.05.
class StatusBox final : public QWidget {
public:
    StatusBox(DesignEnvironment* environment, QWidget* parent)
        : QWidget(parent)
        , m_environment(environment)
    {
        setObjectName(QStringLiteral("statusBox"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(LiquidGlassShapeKind::roundedRect(10).path(QRectF(rect())),
                         withOpacity(GlassPalette::primary(schemeOf(m_environment)), 0.05));
    }

private:
    QPointer<DesignEnvironment> m_environment;
};

// One page row of the sidebar list: the page's symbol in the accent colour, then its title;
// the selected row (the list's current row, which follows the selected page) on an accent wash.
class SidebarPageDelegate final : public QStyledItemDelegate {
public:
    static constexpr int rowHeight = 32;
    static constexpr qreal fontSize = 13;

    SidebarPageDelegate(QListWidget* list, DesignEnvironment* environment)
        : QStyledItemDelegate(list)
        , m_list(list)
        , m_environment(environment)
    {
    }

    void setAccent(FenceTintPalette tint)
    {
        if (m_accent == tint)
            return;
        m_accent = tint;
        m_list->viewport()->update();
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const ColorScheme scheme = schemeOf(m_environment);
        const bool selected = index.row() == m_list->currentRow();
        const bool hovered = option.state & QStyle::State_MouseOver;
        const QRectF row = QRectF(option.rect).adjusted(8, 1, -8, -1);
        const QColor accent = swiftUIColor(m_accent);

        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QPainterPath shape = LiquidGlassShapeKind::roundedRect(7).path(row);
        if (selected)
            painter->fillPath(shape, withOpacity(accent, 0.22));
        else if (hovered)
            painter->fillPath(shape, withOpacity(GlassPalette::primary(scheme), 0.05));

        const qreal side = SymbolIcons::sideForFontSize(fontSize);
        const QRectF symbol(row.left() + 8, row.top(), side, row.height());
        SymbolIcons::paint(*painter, symbol, index.data(ControlCenterView::pageSymbolRole).toString(), side, accent);

        const QFont font = designFont(fontSize, QFont::Medium);
        const QFontMetricsF metrics(font);
        const QRectF text(symbol.right() + 8, row.top(), std::max<qreal>(0, row.right() - symbol.right() - 16),
                          row.height());
        painter->setFont(font);
        painter->setPen(GlassPalette::primaryForeground(scheme));
        painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                          metrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, text.width()));
        if (selected && (option.state & QStyle::State_HasFocus)) {
            painter->setPen(QPen(withOpacity(accent, 0.6), 1.5));
            painter->drawPath(LiquidGlassShapeKind::roundedRect(7).path(row.adjusted(0.75, 0.75, -0.75, -0.75)));
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return QSize(0, rowHeight); }

private:
    QListWidget* m_list;
    QPointer<DesignEnvironment> m_environment;
    FenceTintPalette m_accent = ControlCenterView::fallbackAccent;
};

} // namespace

// The detail column: the window background, the active workspace's wallpaper over it at 0.2,
// and the page above both.
class ControlCenterDetailArea final : public QWidget {
public:
    ControlCenterDetailArea(DesignEnvironment* environment, QWidget* parent)
        : QWidget(parent)
        , m_environment(environment)
    {
        setObjectName(QStringLiteral("detailArea"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        if (m_environment)
            connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    }

    WallpaperPreset preset() const { return m_preset; }
    void setPreset(WallpaperPreset preset)
    {
        if (m_preset == preset)
            return;
        m_preset = preset;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const ColorScheme scheme = schemeOf(m_environment);
        QPainter painter(this);
        painter.fillRect(rect(), windowBackground(scheme));
        painter.setOpacity(ControlCenterView::backdropOpacity);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QImage& faded = wallpaper(scheme);
        painter.drawImage(QRectF(rect()), faded, QRectF(faded.rect()));
    }

private:
    // The wallpaper is only soft gradients: kept this many times smaller on each side and drawn
    // scaled up it looks the same, for a small part of the memory a full-size copy would hold.
    static constexpr int wallpaperReduction = 4;

    // The wallpaper is faded as one picture, not layer by layer, so it is drawn whole first;
    // kept until the size, preset, scheme or pixel ratio changes.
    const QImage& wallpaper(ColorScheme scheme)
    {
        const qreal ratio = devicePixelRatioF();
        if (m_wallpaper.isNull() || m_wallpaperSize != size() || m_wallpaperPreset != m_preset
            || m_wallpaperScheme != scheme || m_wallpaperRatio != ratio) {
            const QSize device = size() * ratio;
            const QSize reduced(std::max(1, (device.width() + wallpaperReduction - 1) / wallpaperReduction),
                                std::max(1, (device.height() + wallpaperReduction - 1) / wallpaperReduction));
            m_wallpaper = QImage(reduced, QImage::Format_ARGB32_Premultiplied);
            m_wallpaper.fill(Qt::transparent);
            QPainter painter(&m_wallpaper);
            painter.scale(qreal(reduced.width()) / std::max(1, width()), qreal(reduced.height()) / std::max(1, height()));
            LiquidGlassWallpaperBackdrop::paint(painter, QRectF(QPointF(), QSizeF(size())), m_preset, scheme);
            m_wallpaperSize = size();
            m_wallpaperPreset = m_preset;
            m_wallpaperScheme = scheme;
            m_wallpaperRatio = ratio;
        }
        return m_wallpaper;
    }

    QPointer<DesignEnvironment> m_environment;
    WallpaperPreset m_preset = ControlCenterView::fallbackWallpaper;
    QImage m_wallpaper;
    QSize m_wallpaperSize;
    WallpaperPreset m_wallpaperPreset = ControlCenterView::fallbackWallpaper;
    ColorScheme m_wallpaperScheme = ColorScheme::light;
    qreal m_wallpaperRatio = 1.0;
};

QString ControlCenterView::peekSwitchLabel()
{
    return withPlatformWords(QStringLiteral("Peek 桌面透视 (⌥Space)"));
}

QString ControlCenterView::curtainSwitchLabel()
{
    return withPlatformWords(QStringLiteral("隐身隐藏围栏 (⌥H)"));
}

QString ControlCenterView::spotSearchButtonTitle()
{
    return withPlatformWords(QStringLiteral("SpotSearch 检索 (⌘K)"));
}

ControlCenterView::ControlCenterView(MorvanteelStore& store, DesktopPanelManager& panelManager,
                                     ControlCenterTabBinding selectedTab, std::function<void()> onOpenSpotSearch,
                                     DesignEnvironment* environment, PageFactory makePage, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_panelManager(panelManager)
    , m_selectedTab(std::move(selectedTab))
    , m_onOpenSpotSearch(std::move(onOpenSpotSearch))
    , m_environment(environment)
    , m_makePage(std::move(makePage))
{
    setMinimumSize(960, 640);
    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setChildrenCollapsible(false);
    m_split->setHandleWidth(1);
    root->addWidget(m_split);

    m_split->addWidget(buildSidebar());
    m_detail = new ControlCenterDetailArea(environment, m_split);
    m_detailLayout = new QVBoxLayout(m_detail);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    m_split->addWidget(m_detail);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);

    connect(&m_store, &MorvanteelStore::workspacesChanged, this, &ControlCenterView::refreshAccent);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &ControlCenterView::refreshAccent);
    connect(&m_store, &MorvanteelStore::preferencesChanged, this, &ControlCenterView::refreshSwitches);
    connect(&m_store, &MorvanteelStore::lastStatusMessageChanged, this, &ControlCenterView::refreshStatus);
    if (m_selectedTab.observe)
        m_selectedTab.observe(this, [this] { refreshSelectedPage(); });
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &ControlCenterView::refreshColors);

    refreshColors();
    refreshAccent();
    refreshSwitches();
    refreshStatus();
    refreshSelectedPage();
}

ControlCenterView::~ControlCenterView() = default;

QWidget* ControlCenterView::buildSidebar()
{
    auto* sidebar = new SidebarColumn(m_environment, this);
    sidebar->setObjectName(QStringLiteral("sidebar"));
    auto* column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(buildHeader());

    m_pageList = new QListWidget(sidebar);
    m_pageList->setObjectName(QStringLiteral("pageList"));
    m_pageList->setFrameShape(QFrame::NoFrame);
    m_pageList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pageList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageList->setMouseTracking(true);
    m_pageList->viewport()->setAutoFillBackground(false);
    QPalette listPalette = m_pageList->palette();
    listPalette.setColor(QPalette::Base, Qt::transparent);
    m_pageList->setPalette(listPalette);
    m_pageList->setItemDelegate(new SidebarPageDelegate(m_pageList, m_environment));
    for (const ControlCenterTab tab : allCases<ControlCenterTab>()) {
        auto* item = new QListWidgetItem(title(tab), m_pageList);
        item->setData(pageTabRole, rawValue(tab));
        item->setData(pageSymbolRole, symbolName(tab));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    connect(m_pageList, &QListWidget::currentRowChanged, this, &ControlCenterView::selectRow);
    column->addWidget(m_pageList, 1);

    column->addWidget(new ControlCenterDivider(m_environment, 0.3, sidebar));
    column->addWidget(buildQuickControls());
    return sidebar;
}

QWidget* ControlCenterView::buildHeader()
{
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("sidebarHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(12, 10, 12, 0);
    row->setSpacing(10);
    m_headerBadge = new LiquidGlassIconBadge(m_environment, headerSymbol, fallbackAccent, 34, header);
    row->addWidget(m_headerBadge, 0, Qt::AlignVCenter);

    auto* names = new QVBoxLayout();
    names->setSpacing(2);
    m_productLabel = makeGlassTextLabel(productName, designFont(15, QFont::Bold), header);
    m_subtitleLabel = makeGlassTextLabel(productSubtitle, designFont(11), header);
    names->addWidget(m_productLabel);
    names->addWidget(m_subtitleLabel);
    row->addLayout(names, 1);
    return header;
}

QWidget* ControlCenterView::buildQuickControls()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("quickControls"));
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(12, 0, 12, 12);
    column->setSpacing(8);

    m_quickControlsHeading = makeGlassTextLabel(quickControlsHeading, designFont(11, QFont::DemiBold), panel);
    column->addWidget(m_quickControlsHeading);

    m_peekSwitch = new QuickControlSwitch(m_environment, peekSwitchLabel(), panel);
    m_curtainSwitch = new QuickControlSwitch(m_environment, curtainSwitchLabel(), panel);
    m_lockSwitch = new QuickControlSwitch(m_environment, lockSwitchLabel, panel);
    for (QuickControlSwitch* control : {m_peekSwitch, m_curtainSwitch, m_lockSwitch})
        column->addWidget(control);
    // The switches write the value they now show; the store's change signal then confirms it.
    connect(m_peekSwitch, &QAbstractButton::clicked, this, [this](bool active) {
        m_store.setPeek(active);
        refreshSwitches();
    });
    connect(m_curtainSwitch, &QAbstractButton::clicked, this, &ControlCenterView::setCurtainHidden);
    connect(m_lockSwitch, &QAbstractButton::clicked, this, &ControlCenterView::setLayoutLocked);

    m_spotSearchButton = new LiquidGlassPillButton(m_environment, spotSearchButtonTitle(),
                                                   QStringLiteral("magnifyingglass"), fallbackAccent, panel);
    m_spotSearchButton->setObjectName(QStringLiteral("spotSearchButton"));
    m_spotSearchButton->setCompact(true);
    m_spotSearchButton->setProminent(false);
    m_spotSearchButton->action = [this] {
        if (m_onOpenSpotSearch)
            m_onOpenSpotSearch();
    };
    auto* buttonRow = new QHBoxLayout();
    buttonRow->setContentsMargins(0, 2, 0, 0);
    buttonRow->addWidget(m_spotSearchButton);
    buttonRow->addStretch(1);
    column->addLayout(buttonRow);

    m_statusBox = new StatusBox(m_environment, panel);
    auto* statusPadding = new QVBoxLayout(m_statusBox);
    statusPadding->setContentsMargins(8, 8, 8, 8);
    m_statusLabel = makeGlassTextLabel(QString(), designFont(10.5), m_statusBox);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setMaximumLines(3);
    m_statusLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    // As tall as its wrapped lines, not one line high.
    m_statusLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    statusPadding->addWidget(m_statusLabel);
    column->addWidget(m_statusBox);

    // Without a tray host this is the only way out, so the window itself offers it.
    m_quitAction = new QAction(quitButtonTitle, this);
    m_quitAction->setObjectName(QStringLiteral("quitAction"));
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_quitAction, &QAction::triggered, this, [this] {
        if (onQuit)
            onQuit();
    });
    addAction(m_quitAction);
    m_quitButton = new LiquidGlassPillButton(m_environment, quitButtonTitle, QStringLiteral("power"),
                                             fallbackAccent, panel);
    m_quitButton->setObjectName(QStringLiteral("quitButton"));
    m_quitButton->setCompact(true);
    m_quitButton->setProminent(false);
    m_quitButton->setToolTip(m_quitAction->shortcut().toString(QKeySequence::NativeText));
    m_quitButton->action = [this] { m_quitAction->trigger(); };
    auto* quitRow = new QHBoxLayout();
    quitRow->setContentsMargins(0, 2, 0, 0);
    quitRow->addWidget(m_quitButton);
    quitRow->addStretch(1);
    column->addLayout(quitRow);
    return panel;
}

QWidget* ControlCenterView::makePlaceholderPage(ControlCenterTab tab, const ControlCenterPageInputs& inputs)
{
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("pagePlaceholder"));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(28, 24, 28, 24);
    auto* heading = makeGlassTextLabel(title(tab), designFont(20, QFont::Bold), page);
    heading->setObjectName(QStringLiteral("pageTitle"));
    heading->setColor(GlassPalette::primaryForeground(schemeOf(inputs.environment)));
    column->addWidget(heading);
    column->addStretch(1);
    return page;
}

ControlCenterPageInputs ControlCenterView::pageInputs()
{
    // The page may outlive a click in flight; the closures do nothing once the view is gone.
    const QPointer<ControlCenterView> self(this);
    return ControlCenterPageInputs{
        m_store,
        m_panelManager,
        m_environment,
        [self](const QUuid& fenceID) {
            if (self)
                self->inspectAppearance(fenceID);
        },
        [self] {
            if (self && self->m_onOpenSpotSearch)
                self->m_onOpenSpotSearch();
        },
        m_fileDialogs,
    };
}

void ControlCenterView::inspectAppearance(const QUuid& fenceID)
{
    m_store.setSelectedFenceID(fenceID);
    if (m_selectedTab.write)
        m_selectedTab.write(ControlCenterTab::appearance);
    refreshSelectedPage();
}

void ControlCenterView::selectRow(int row)
{
    if (m_isFollowingSelection)
        return;
    const QList<ControlCenterTab> tabs = allCases<ControlCenterTab>();
    if (row < 0 || row >= tabs.size())
        return;
    if (m_selectedTab.write)
        m_selectedTab.write(tabs.at(row));
    // The owner may keep its page; the list then goes back to it.
    refreshSelectedPage();
}

void ControlCenterView::setCurtainHidden(bool hidden)
{
    GlobalPreferences preferences = m_store.preferences();
    preferences.isDesktopCurtainHidden = hidden;
    m_store.setPreferences(std::move(preferences));
    m_store.save();
    refreshSwitches();
}

void ControlCenterView::setLayoutLocked(bool locked)
{
    GlobalPreferences preferences = m_store.preferences();
    preferences.isLayoutLocked = locked;
    m_store.setPreferences(std::move(preferences));
    m_store.save();
    refreshSwitches();
}

FenceTintPalette ControlCenterView::accentTint() const
{
    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    return workspace ? workspace->accentTint : fallbackAccent;
}

WallpaperPreset ControlCenterView::wallpaperPreset() const
{
    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    return workspace ? workspace->wallpaperPreset : fallbackWallpaper;
}

WallpaperPreset ControlCenterView::backdropPreset() const
{
    return m_detail->preset();
}

void ControlCenterView::refreshSelectedPage()
{
    const ControlCenterTab tab = m_selectedTab.read ? m_selectedTab.read() : ControlCenterTab::workspaces;
    const int row = int(allCases<ControlCenterTab>().indexOf(tab));
    if (m_pageList->currentRow() != row) {
        // The list follows the page here; that is no choice of the user's to write back.
        m_isFollowingSelection = true;
        m_pageList->setCurrentRow(row);
        m_isFollowingSelection = false;
    }
    m_pageList->viewport()->update();

    if (m_page && m_pageTab == tab)
        return;
    // One page at a time: the page shown before goes with all its state. It may be the sender
    // of this change (a button on it), so it is only hidden now and deleted once control has
    // left its handlers.
    if (m_page) {
        m_detailLayout->removeWidget(m_page);
        m_page->hide();
        m_page->deleteLater();
        m_page = nullptr;
    }
    const ControlCenterPageInputs inputs = pageInputs();
    QWidget* page = m_makePage ? m_makePage(tab, inputs) : nullptr;
    if (!page)
        page = makePlaceholderPage(tab, inputs);
    page->setParent(m_detail);
    m_detailLayout->addWidget(page);
    page->show();
    m_page = page;
    m_pageTab = tab;
}

void ControlCenterView::refreshAccent()
{
    const FenceTintPalette tint = accentTint();
    m_headerBadge->setTint(tint);
    m_spotSearchButton->setTint(tint);
    static_cast<SidebarPageDelegate*>(m_pageList->itemDelegate())->setAccent(tint);
    m_detail->setPreset(wallpaperPreset());
}

void ControlCenterView::refreshSwitches()
{
    const GlobalPreferences& preferences = m_store.preferences();
    const auto show = [](QuickControlSwitch* control, bool on) {
        if (control->isChecked() != on)
            control->setChecked(on);
    };
    show(m_peekSwitch, preferences.isPeekActive);
    show(m_curtainSwitch, preferences.isDesktopCurtainHidden);
    show(m_lockSwitch, preferences.isLayoutLocked);
}

void ControlCenterView::refreshStatus()
{
    const std::optional<QString>& message = m_store.lastStatusMessage();
    const bool shown = message && !message->isEmpty();
    m_statusLabel->setText(shown ? *message : QString());
    m_statusBox->setVisible(shown);
}

void ControlCenterView::refreshColors()
{
    const ColorScheme scheme = schemeOf(m_environment);
    m_productLabel->setColor(GlassPalette::primaryForeground(scheme));
    for (GlassTextLabel* label : {m_subtitleLabel, m_quickControlsHeading, m_statusLabel})
        label->setColor(GlassPalette::secondaryForeground(scheme));
    m_pageList->viewport()->update();
    update();
}

} // namespace mv
