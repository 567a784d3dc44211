#include "design/FenceHeaderView.h"

#include "design/DesignFonts.h"
#include "design/GlassSymbolMark.h"
#include "design/GlassTextLabel.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/LiquidGlassToolbarGroup.h"
#include "design/SymbolIcons.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace mv {

namespace {

QString chevronSymbol(bool collapsed)
{
    return collapsed ? QStringLiteral("chevron.down") : QStringLiteral("chevron.up");
}

// The rounded field behind the rename editor.
class RenameBox final : public QWidget {
public:
    RenameBox(DesignEnvironment* environment, QWidget* parent)
        : QWidget(parent)
        , m_environment(environment)
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const ColorScheme scheme = m_environment ? m_environment->colorScheme() : ColorScheme::light;
        painter.fillPath(LiquidGlassShapeKind::roundedRect(6).path(QRectF(rect())),
                         withOpacity(GlassPalette::primary(scheme), 0.09));
    }

private:
    QPointer<DesignEnvironment> m_environment;
};

void styleLineEdit(QLineEdit* field, const QFont& font, ColorScheme scheme)
{
    field->setFrame(false);
    field->setFont(font);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, GlassPalette::primaryForeground(scheme));
    palette.setColor(QPalette::PlaceholderText, GlassPalette::secondaryForeground(scheme));
    field->setPalette(palette);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
}

} // namespace

FenceHeaderView::FenceHeaderView(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    setFixedHeight(fixedHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->setSpacing(8);

    m_iconBadge = new LiquidGlassIconBadge(environment, QString(), m_tint, 26, this);
    m_iconBadge->setObjectName(QStringLiteral("iconBadge"));
    row->addWidget(m_iconBadge, 0, Qt::AlignVCenter);

    m_titleArea = new QWidget(this);
    m_titleArea->setObjectName(QStringLiteral("titleArea"));
    m_titleArea->setContextMenuPolicy(Qt::DefaultContextMenu);
    m_titleArea->installEventFilter(this);
    auto* titleRow = new QHBoxLayout(m_titleArea);
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(6);
    m_titleLabel = new GlassTextLabel(m_titleArea);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setFont(designFont(13.5, QFont::DemiBold));
    m_titleLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    titleRow->addWidget(m_titleLabel, 0, Qt::AlignVCenter);
    row->addWidget(m_titleArea, 0, Qt::AlignVCenter);

    row->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::Expanding, QSizePolicy::Minimum));

    m_badge = new LiquidGlassBadge(environment, QString(), m_tint, std::nullopt, this);
    m_badge->setObjectName(QStringLiteral("badge"));
    row->addWidget(m_badge, 0, Qt::AlignVCenter);

    m_actionsGroup = new LiquidGlassToolbarGroup(6, this);
    m_actionsGroup->setObjectName(QStringLiteral("actionsGroup"));
    m_collapseButton = new LiquidGlassButton(environment, m_actionsGroup);
    m_collapseButton->setObjectName(QStringLiteral("collapseButton"));
    m_collapseButton->setFixedFrame(QSize(24, 24));
    m_collapseButton->setSymbolFont(11, QFont::Bold);
    m_actionsGroup->addWidget(m_collapseButton);
    row->addWidget(m_actionsGroup, 0, Qt::AlignVCenter);
    connect(m_collapseButton, &QAbstractButton::clicked, this, &FenceHeaderView::collapseButtonClicked);

    m_collapseTransition = new GlassTransition(this);
    connect(m_collapseTransition, &GlassTransition::progressChanged, this, [this] {
        m_collapseButton->setSymbolTransition(m_chevronBeforeToggle, m_collapseTransition->progress(),
                                              m_collapseTransition->lastKind().value_or(GlassAnimationKind::uiDefault));
    });

    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &FenceHeaderView::refresh);
    refresh();
}

FenceHeaderView::~FenceHeaderView() = default;

void FenceHeaderView::refresh()
{
    const ColorScheme scheme = m_environment ? m_environment->colorScheme() : ColorScheme::light;
    m_iconBadge->setSystemName(m_symbolName);
    m_iconBadge->setTint(m_tint);
    m_titleLabel->setText(m_title);
    m_titleLabel->setColor(GlassPalette::primaryForeground(scheme));
    // The marks follow the title, the pin first; each is made when first shown.
    if (m_isPinned && !m_pinMark)
        m_pinMark = makeTitleMark(QStringLiteral("pin.fill"), QStringLiteral("pinMark"), QStringLiteral("已置顶"), 1);
    if (m_isLocked && !m_lockMark)
        m_lockMark = makeTitleMark(QStringLiteral("lock.fill"), QStringLiteral("lockMark"), QStringLiteral("已锁定"), -1);
    if (m_pinMark) {
        m_pinMark->setColor(swiftUIColor(m_tint));
        m_pinMark->setVisible(m_isPinned);
    }
    if (m_lockMark) {
        m_lockMark->setColor(GlassPalette::secondaryForeground(scheme));
        m_lockMark->setVisible(m_isLocked);
    }

    const bool editing = m_isEditingTitle && m_onRename;
    m_titleArea->setVisible(!editing);
    if (m_renameBox) {
        m_renameBox->setVisible(editing);
        styleLineEdit(m_renameField, designFont(13.5, QFont::DemiBold), scheme);
    }

    m_badge->setText(m_badgeSummary);
    m_badge->setTint(m_tint);
    if (m_trailingActions)
        m_trailingActions->setVisible(!m_isCollapsed);

    m_collapseButton->setSymbolName(chevronSymbol(m_isCollapsed));
    m_collapseButton->setToolTip(m_isCollapsed ? QStringLiteral("展开围栏") : QStringLiteral("卷起为胶囊"));
    m_collapseButton->setAccessibleName(m_isCollapsed ? QStringLiteral("展开围栏") : QStringLiteral("卷起围栏"));
}

void FenceHeaderView::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    refresh();
}

void FenceHeaderView::setSymbolName(const QString& symbolName)
{
    if (m_symbolName == symbolName)
        return;
    m_symbolName = symbolName;
    refresh();
}

void FenceHeaderView::setBadgeSummary(const QString& badgeSummary)
{
    if (m_badgeSummary == badgeSummary)
        return;
    m_badgeSummary = badgeSummary;
    refresh();
}

void FenceHeaderView::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    refresh();
}

void FenceHeaderView::setCollapsed(bool collapsed)
{
    if (m_isCollapsed == collapsed)
        return;
    m_isCollapsed = collapsed;
    refresh();
}

void FenceHeaderView::setPinned(bool pinned)
{
    if (m_isPinned == pinned)
        return;
    m_isPinned = pinned;
    refresh();
}

void FenceHeaderView::setLocked(bool locked)
{
    if (m_isLocked == locked)
        return;
    m_isLocked = locked;
    refresh();
}

void FenceHeaderView::setOnRename(std::function<void(const QString&)> onRename)
{
    m_onRename = std::move(onRename);
    refresh();
}

void FenceHeaderView::setTrailingActions(QWidget* actions)
{
    if (m_trailingActions == actions)
        return;
    if (m_trailingActions)
        m_trailingActions->deleteLater();
    m_trailingActions = actions;
    if (m_trailingActions) {
        m_actionsGroup->rowLayout()->insertWidget(0, m_trailingActions, 0, Qt::AlignVCenter);
        m_trailingActions->setVisible(!m_isCollapsed);
    }
}

QMenu* FenceHeaderView::createTitleMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const QColor iconColor = menu->palette().color(QPalette::Text);
    const auto addItem = [&](const QString& text, const QString& symbol, auto handler) {
        QAction* action = menu->addAction(SymbolIcons::tintedIcon(symbol, iconColor), text);
        action->setProperty("symbolName", symbol);
        // Queued: the menu closes before the header acts, so a handler may rebuild what it likes.
        connect(action, &QAction::triggered, this, handler, Qt::QueuedConnection);
    };
    if (m_onRename)
        addItem(QStringLiteral("重命名围栏"), QStringLiteral("pencil"), [this] { beginRename(); });
    if (m_isCollapsed)
        addItem(QStringLiteral("展开围栏"), QStringLiteral("chevron.down"), [this] { toggleWithoutAnimation(); });
    else
        addItem(QStringLiteral("卷起为胶囊"), QStringLiteral("chevron.up"), [this] { toggleWithoutAnimation(); });
    return menu;
}

bool FenceHeaderView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_titleArea) {
        if (event->type() == QEvent::MouseButtonDblClick
            && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // A double click toggles at once and never starts renaming.
            toggleWithoutAnimation();
            return true;
        }
        if (event->type() == QEvent::ContextMenu) {
            QMenu* menu = createTitleMenu(this);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

GlassSymbolMark* FenceHeaderView::makeTitleMark(const QString& symbol, const QString& name,
                                               const QString& accessibleName, int index)
{
    auto* mark = new GlassSymbolMark(symbol, 10, m_titleArea);
    mark->setObjectName(name);
    mark->setAccessibleName(accessibleName);
    static_cast<QHBoxLayout*>(m_titleArea->layout())->insertWidget(index, mark, 0, Qt::AlignVCenter);
    return mark;
}

// Most fences are never renamed, and a text field is one of the heavier widgets: it is made at
// the first rename, in the place of the title, which it takes while it is shown.
void FenceHeaderView::makeRenameField()
{
    if (m_renameBox)
        return;
    m_renameBox = new RenameBox(m_environment, this);
    m_renameBox->setObjectName(QStringLiteral("renameBox"));
    auto* renameRow = new QHBoxLayout(m_renameBox);
    renameRow->setContentsMargins(6, 3, 6, 3);
    m_renameField = new QLineEdit(m_renameBox);
    m_renameField->setObjectName(QStringLiteral("renameField"));
    m_renameField->setPlaceholderText(QStringLiteral("围栏名称"));
    m_renameField->setAccessibleName(QStringLiteral("围栏名称"));
    renameRow->addWidget(m_renameField);
    m_renameBox->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_renameBox->hide();
    auto* row = static_cast<QHBoxLayout*>(layout());
    row->insertWidget(row->indexOf(m_titleArea) + 1, m_renameBox, 1, Qt::AlignVCenter);
    connect(m_renameField, &QLineEdit::textEdited, this, [this](const QString& text) { m_draftTitle = text; });
    connect(m_renameField, &QLineEdit::returnPressed, this, &FenceHeaderView::commitRename);
}

void FenceHeaderView::beginRename()
{
    if (!m_onRename)
        return;
    m_draftTitle = m_title;
    m_isEditingTitle = true;
    makeRenameField();
    if (m_renameField->text() != m_draftTitle)
        m_renameField->setText(m_draftTitle);
    refresh();
    m_renameField->setFocus(Qt::OtherFocusReason);
    m_renameField->selectAll();
}

void FenceHeaderView::commitRename()
{
    if (!m_isEditingTitle)
        return;
    const QString trimmed = m_draftTitle.trimmed();
    m_isEditingTitle = false;
    refresh();
    if (!trimmed.isEmpty() && m_onRename)
        m_onRename(trimmed);
}

void FenceHeaderView::collapseButtonClicked()
{
    m_chevronBeforeToggle = chevronSymbol(m_isCollapsed);
    const GlassAnimation& animation = m_environment
        ? GlassSpringPreset::adaptive(GlassSpringPreset::uiDefault(), *m_environment)
        : GlassSpringPreset::uiDefault();
    m_collapseTransition->run(animation);
    if (onToggleCollapse)
        onToggleCollapse();
}

void FenceHeaderView::toggleWithoutAnimation()
{
    if (onToggleCollapse)
        onToggleCollapse();
}

QSize FenceHeaderView::sizeHint() const
{
    return QSize(QWidget::sizeHint().width(), fixedHeight);
}

} // namespace mv
