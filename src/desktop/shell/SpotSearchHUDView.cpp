#include "desktop/shell/SpotSearchHUDView.h"

#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "desktop/shell/SpotSearchResultDelegate.h"
#include "desktop/shell/SpotSearchResultsModel.h"

#include <QAbstractButton>
#include <QEasingCurve>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace mv {

namespace {

constexpr double surfaceCornerRadius = 24;
constexpr double surfaceGlassOpacity = 0.85;
constexpr qreal footerFontSize = 10.5;
// Unlike a fence, the panel floats over ordinary windows, whose text and colours would show
// through the glass: a near-solid wash under it keeps its rows readable over any of them.
constexpr double surfaceWashOpacity = 0.96;

// The system's ease-out pacing.
QEasingCurve easeOut()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

// A symbol that acts as a plain button: no background, never takes the focus from the field.
class SymbolPlainButton final : public QAbstractButton {
public:
    SymbolPlainButton(const QString& symbolName, qreal fontSize, QWidget* parent)
        : QAbstractButton(parent)
        , m_symbolName(symbolName)
        , m_side(SymbolIcons::sideForFontSize(fontSize))
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::ArrowCursor);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void setColor(const QColor& color)
    {
        if (m_color == color)
            return;
        m_color = color;
        update();
    }

    QSize sizeHint() const override { return QSize(int(std::ceil(m_side)), int(std::ceil(m_side))); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        SymbolIcons::paint(painter, QRectF(rect()), m_symbolName, m_side, isDown() ? m_color.darker(130) : m_color);
    }

private:
    QString m_symbolName;
    qreal m_side;
    QColor m_color = Qt::gray;
};

// A hairline across the panel, in the separator colour at `opacity`.
class DividerLine final : public QWidget {
public:
    DividerLine(DesignEnvironment* environment, double opacity, QWidget* parent)
        : QWidget(parent)
        , m_environment(environment)
        , m_opacity(opacity)
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
        // The separator colour is the primary colour at a tenth.
        painter.fillRect(rect(), withOpacity(GlassPalette::primary(scheme), 0.1 * m_opacity));
    }

private:
    QPointer<DesignEnvironment> m_environment;
    double m_opacity;
};

// The list of hits: no focus of its own (the keys belong to the field), no selection of its
// own (the highlight is the view's), transparent over the glass, inset like the stack it stands
// for: 12 left and right, 10 top and bottom.
class ResultsListView final : public QListView {
public:
    explicit ResultsListView(QWidget* parent)
        : QListView(parent)
    {
        setViewportMargins(12, 10, 12, 10);
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSelectionMode(QAbstractItemView::NoSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setUniformItemSizes(true);
        setResizeMode(QListView::Adjust);
        setMouseTracking(true);
        setAutoFillBackground(false);
        viewport()->setAutoFillBackground(false);
    }
};

} // namespace

// ---- field

SpotSearchField::SpotSearchField(QWidget* parent)
    : QLineEdit(parent)
{
}

void SpotSearchField::inputMethodEvent(QInputMethodEvent* event)
{
    QLineEdit::inputMethodEvent(event);
    m_isComposing = !event->preeditString().isEmpty();
}

void SpotSearchField::replaceText(const QString& text)
{
    if (this->text() == text && !m_isComposing)
        return;
    if (m_isComposing) {
        QGuiApplication::inputMethod()->reset();
        m_isComposing = false;
    }
    setText(text);
}

// ---- view

SpotSearchHUDView::SpotSearchHUDView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
    , m_store(store)
{
    setFixedSize(fixedWidth, fixedHeight);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Search bar.
    auto* bar = new QHBoxLayout();
    bar->setContentsMargins(16, 14, 16, 14);
    bar->setSpacing(10);
    m_searchSymbol = new GlassSymbolMark(QStringLiteral("magnifyingglass"), 17, this);
    m_searchSymbol->setObjectName(QStringLiteral("searchSymbol"));
    bar->addWidget(m_searchSymbol, 0, Qt::AlignVCenter);
    m_field = new SpotSearchField(this);
    m_field->setObjectName(QStringLiteral("searchField"));
    m_field->setPlaceholderText(QStringLiteral("SpotSearch：搜索围栏、传送门文件、待办、便签或命令…"));
    m_field->setAccessibleName(m_field->placeholderText());
    m_field->setFrame(false);
    m_field->setFont(designFont(16, QFont::Medium));
    m_field->installEventFilter(this);
    bar->addWidget(m_field, 1);
    auto* clear = new SymbolPlainButton(QStringLiteral("xmark.circle.fill"), 14, this);
    m_clearButton = clear;
    m_clearButton->setObjectName(QStringLiteral("clearButton"));
    m_clearButton->setAccessibleName(QStringLiteral("清除"));
    m_clearButton->hide();
    bar->addWidget(m_clearButton, 0, Qt::AlignVCenter);
    m_workspaceBadge = new LiquidGlassBadge(environment, QString(), FenceTintPalette::cerulean, std::nullopt, this);
    m_workspaceBadge->setObjectName(QStringLiteral("workspaceBadge"));
    m_workspaceBadge->hide();
    bar->addWidget(m_workspaceBadge, 0, Qt::AlignVCenter);
    column->addLayout(bar);
    connect(m_field, &QLineEdit::textEdited, this, &SpotSearchHUDView::applyQuery);
    connect(m_field, &QLineEdit::returnPressed, this, &SpotSearchHUDView::activateSelection);
    connect(m_clearButton, &QAbstractButton::clicked, this, &SpotSearchHUDView::clearQuery);

    column->addWidget(new DividerLine(environment, 0.25, this));

    // Hits, or the empty state.
    m_body = new QStackedWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_model = new SpotSearchResultsModel(this);
    m_list = new ResultsListView(m_body);
    m_list->setObjectName(QStringLiteral("resultList"));
    m_list->setModel(m_model);
    m_delegate = new SpotSearchResultDelegate(environment, this);
    m_delegate->onActivateRow = [this](int row) { activateRow(row); };
    m_delegate->onPreviewRow = [this](int row) { previewRow(row); };
    m_list->setItemDelegate(m_delegate);
    m_body->addWidget(m_list);

    m_emptyState = new QWidget(m_body);
    m_emptyState->setObjectName(QStringLiteral("emptyState"));
    auto* emptyColumn = new QVBoxLayout(m_emptyState);
    emptyColumn->setContentsMargins(16, 0, 16, 0);
    emptyColumn->setSpacing(8);
    emptyColumn->addStretch(1);
    m_emptySymbol = new GlassSymbolMark(QStringLiteral("sparkles.rectangle.stack"), 30, m_emptyState);
    m_emptySymbol->setObjectName(QStringLiteral("emptySymbol"));
    emptyColumn->addWidget(m_emptySymbol, 0, Qt::AlignHCenter);
    m_emptyText = new GlassTextLabel(m_emptyState);
    m_emptyText->setObjectName(QStringLiteral("emptyText"));
    m_emptyText->setFont(designFont(13.5, QFont::Medium));
    m_emptyText->setAlignment(Qt::AlignCenter);
    // A long query wraps rather than hiding the end of the sentence.
    m_emptyText->setMaximumLines(2);
    m_emptyText->setMinimumHeight(int(std::ceil(2 * QFontMetricsF(m_emptyText->textFont()).height())));
    emptyColumn->addWidget(m_emptyText);
    emptyColumn->addStretch(1);
    m_body->addWidget(m_emptyState);
    column->addWidget(m_body, 1);

    column->addWidget(new DividerLine(environment, 0.2, this));

    // Footer.
    auto* footer = new QHBoxLayout();
    footer->setContentsMargins(16, 9, 16, 9);
    footer->setSpacing(14);
    const struct {
        const char* symbol;
        QString text;
    } hints[] = {
        {"arrow.up.arrow.down", QStringLiteral("↑↓ 选择")},
        {"return", QStringLiteral("↵ 定位 / 打开 / 切换待办")},
        {"escape", QStringLiteral("⎋ 关闭")},
    };
    for (const auto& hint : hints) {
        auto* label = new QHBoxLayout();
        label->setSpacing(4);
        auto* symbol = new GlassSymbolMark(QString::fromLatin1(hint.symbol), footerFontSize, this);
        auto* text = new GlassTextLabel(this);
        text->setFont(designFont(footerFontSize, QFont::Medium));
        text->setText(hint.text);
        label->addWidget(symbol, 0, Qt::AlignVCenter);
        label->addWidget(text, 0, Qt::AlignVCenter);
        footer->addLayout(label);
        m_footerSymbols.append(symbol);
        m_footerTexts.append(text);
    }
    footer->addStretch(1);
    m_footerCount = new GlassTextLabel(this);
    m_footerCount->setObjectName(QStringLiteral("footerCount"));
    m_footerCount->setFont(designFont(footerFontSize, QFont::Medium));
    m_footerCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    footer->addWidget(m_footerCount);
    m_footerTexts.append(m_footerCount);
    column->addLayout(footer);

    // What the search and the tint are made of.
    connect(&m_store, &MorvanteelStore::fencesChanged, this, &SpotSearchHUDView::scheduleRefresh);
    connect(&m_store, &MorvanteelStore::workspacesChanged, this, &SpotSearchHUDView::scheduleRefresh);
    connect(&m_store, &MorvanteelStore::activeWorkspaceIDChanged, this, &SpotSearchHUDView::scheduleRefresh);
    // Portal folders still being read at start-up are searched once they are.
    connect(&m_store, &MorvanteelStore::portalListingsWarmed, this, &SpotSearchHUDView::scheduleRefresh);
    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &SpotSearchHUDView::refreshColors);
    refresh();
}

SpotSearchHUDView::~SpotSearchHUDView() = default;

const QList<SpotSearchResult>& SpotSearchHUDView::results() const
{
    return m_model->results();
}

QString SpotSearchHUDView::emptyStateText(const QString& query)
{
    return QStringLiteral("未找到与“") + query + QStringLiteral("”相关的围栏项目");
}

QString SpotSearchHUDView::footerCountText(qsizetype count)
{
    return QStringLiteral("共 ") + QString::number(count) + QStringLiteral(" 条结果");
}

QString SpotSearchHUDView::emptyStateText() const
{
    return m_emptyText->text();
}

QString SpotSearchHUDView::footerCountText() const
{
    return m_footerCount->text();
}

void SpotSearchHUDView::reset()
{
    if (QPropertyAnimation* running = m_scrollAnimation)
        running->stop();
    m_field->replaceText(QString());
    m_query.clear();
    m_selectedIndex = 0;
    refresh();
    scrollToSelected(false);
    // After the view is installed and its window shown.
    const QPointer<SpotSearchField> field(m_field);
    QMetaObject::invokeMethod(
        this,
        [field] {
            if (field)
                field->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void SpotSearchHUDView::paintEvent(QPaintEvent* event)
{
    const DesignEnvironment& design = environmentOrDefault(environment());
    if (!design.reduceTransparency()) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor base = withOpacity(modifier().fallbackFillColor(design.colorScheme()), 1.0);
        painter.fillPath(modifier().shape.path(QRectF(rect())), withOpacity(base, surfaceWashOpacity));
    }
    LiquidGlassSurfaceFrame::paintEvent(event);
}

void SpotSearchHUDView::refresh()
{
    m_model->setResults(m_store.spotSearch(m_query));
    const qsizetype count = m_model->results().size();
    m_body->setCurrentWidget(count == 0 ? m_emptyState : static_cast<QWidget*>(m_list));
    m_emptyText->setText(emptyStateText(m_query));
    m_footerCount->setText(footerCountText(count));
    m_clearButton->setVisible(!m_query.isEmpty());

    const std::optional<WorkspaceProfile> workspace = m_store.activeWorkspace();
    LiquidGlassSurfaceModifier surface = liquidGlassSurface(
        workspace ? workspace->accentTint : FenceTintPalette::crystal, surfaceCornerRadius, surfaceGlassOpacity,
        /*interactive*/ true, /*isCapsule*/ false, /*isHighlighted*/ false);
    if (!(surface == modifier()))
        setModifier(surface);
    m_rowTint = workspace ? workspace->accentTint : FenceTintPalette::cerulean;
    if (workspace) {
        m_workspaceBadge->setText(workspace->name);
        m_workspaceBadge->setTint(workspace->accentTint);
        m_workspaceBadge->setSystemImage(workspace->symbolName);
    }
    m_workspaceBadge->setVisible(workspace.has_value());
    m_delegate->setTint(m_rowTint);
    m_delegate->setSelectedRow(m_selectedIndex);
    refreshColors();
    m_list->viewport()->update();
}

void SpotSearchHUDView::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(environment()).colorScheme();
    const QColor secondary = GlassPalette::secondaryForeground(scheme);
    m_searchSymbol->setColor(swiftUIColor(m_rowTint));
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, GlassPalette::primaryForeground(scheme));
    palette.setColor(QPalette::PlaceholderText, secondary);
    if (palette != m_field->palette())
        m_field->setPalette(palette);
    static_cast<SymbolPlainButton*>(m_clearButton)->setColor(secondary);
    m_emptySymbol->setColor(secondary);
    m_emptyText->setColor(secondary);
    for (GlassSymbolMark* symbol : std::as_const(m_footerSymbols))
        symbol->setColor(secondary);
    for (GlassTextLabel* text : std::as_const(m_footerTexts))
        text->setColor(secondary);
}

void SpotSearchHUDView::scheduleRefresh()
{
    if (m_refreshScheduled)
        return;
    m_refreshScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_refreshScheduled = false;
            // A hidden view is searched afresh when it is shown again.
            if (isVisible())
                refresh();
        },
        Qt::QueuedConnection);
}

void SpotSearchHUDView::applyQuery(const QString& query)
{
    m_query = query;
    m_selectedIndex = 0;
    refresh();
    scrollToSelected(false);
}

void SpotSearchHUDView::clearQuery()
{
    m_field->replaceText(QString());
    applyQuery(QString());
}

void SpotSearchHUDView::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    m_delegate->setSelectedRow(index);
    m_list->viewport()->update();
    scrollToSelected(true);
}

bool SpotSearchHUDView::moveSelectionDown()
{
    const int count = int(m_model->results().size());
    if (count == 0)
        return false;
    setSelectedIndex(std::min(m_selectedIndex + 1, count - 1));
    return true;
}

bool SpotSearchHUDView::moveSelectionUp()
{
    if (m_model->results().isEmpty())
        return false;
    setSelectedIndex(std::max(m_selectedIndex - 1, 0));
    return true;
}

bool SpotSearchHUDView::activateSelection()
{
    const SpotSearchResult* hit = m_model->result(m_selectedIndex);
    if (!hit)
        return false;
    // Copies: acting may search again, and the callback may replace itself.
    const SpotSearchResult chosen = *hit;
    const auto activate = onActivateResult;
    if (activate)
        activate(chosen);
    return true;
}

// The list's own mouse handler is still running: the act comes on the next turn of the loop.
void SpotSearchHUDView::activateRow(int row)
{
    const SpotSearchResult* hit = m_model->result(row);
    if (!hit)
        return;
    setSelectedIndex(row);
    const SpotSearchResult chosen = *hit;
    QMetaObject::invokeMethod(
        this,
        [this, chosen] {
            const auto activate = onActivateResult;
            if (activate)
                activate(chosen);
        },
        Qt::QueuedConnection);
}

void SpotSearchHUDView::previewRow(int row)
{
    const SpotSearchResult* hit = m_model->result(row);
    if (!hit || !SpotSearchResultsModel::isPreviewable(*hit))
        return;
    const QUrl url = *hit->targetURL;
    const QString title = hit->title;
    QMetaObject::invokeMethod(
        this,
        [this, url, title] {
            const auto preview = onPreviewFile;
            if (preview)
                preview(url, title);
        },
        Qt::QueuedConnection);
}

void SpotSearchHUDView::scrollToSelected(bool animated)
{
    if (QPropertyAnimation* running = m_scrollAnimation)
        running->stop();
    const QModelIndex index = m_model->index(m_selectedIndex);
    if (!index.isValid())
        return;
    QScrollBar* bar = m_list->verticalScrollBar();
    const QRect row = m_list->visualRect(index);
    const int target = std::clamp(bar->value() + row.center().y() - m_list->viewport()->height() / 2,
                                  bar->minimum(), bar->maximum());
    if (target == bar->value())
        return;
    if (!animated || !isVisible() || environmentOrDefault(environment()).reduceMotion()) {
        bar->setValue(target);
        return;
    }
    auto* animation = new QPropertyAnimation(bar, QByteArrayLiteral("value"), this);
    animation->setDuration(scrollAnimationMs);
    animation->setEasingCurve(easeOut());
    animation->setEndValue(target);
    m_scrollAnimation = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

QRect SpotSearchHUDView::rowRect(int row) const
{
    return m_list->visualRect(m_model->index(row));
}

QRect SpotSearchHUDView::previewButtonRect(int row) const
{
    const QModelIndex index = m_model->index(row);
    if (!index.isValid())
        return {};
    const SpotSearchRowGeometry g = SpotSearchRowGeometry::compute(
        QRectF(m_list->visualRect(index)), index.data(SpotSearchResultsModel::CategoryLabelRole).toString(),
        index.data(SpotSearchResultsModel::PreviewableRole).toBool());
    return g.previewButton.toAlignedRect();
}

bool SpotSearchHUDView::handleKey(QKeyEvent* event, bool fromField)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Down:
        return moveSelectionDown();
    case Qt::Key_Up:
        return moveSelectionUp();
    case Qt::Key_Escape: {
        const auto dismiss = onDismiss;
        if (dismiss)
            dismiss();
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // In the field Return arrives as its returnPressed; a Return the field passes on after
        // that must not act a second time.
        return fromField || m_field->hasFocus() ? false : activateSelection();
    default:
        return false;
    }
}

// The field would take Up and Down (and, on some platforms, move its cursor with them) before
// the view saw them.
bool SpotSearchHUDView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && handleKey(key, true)) {
            key->accept();
            return true;
        }
    }
    return LiquidGlassSurfaceFrame::eventFilter(watched, event);
}

void SpotSearchHUDView::keyPressEvent(QKeyEvent* event)
{
    if (handleKey(event, false)) {
        event->accept();
        return;
    }
    LiquidGlassSurfaceFrame::keyPressEvent(event);
}

} // namespace mv
