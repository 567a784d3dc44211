#include "design/FenceChecklistListView.h"

#include "design/DesignFonts.h"
#include "design/FenceChecklistModel.h"
#include "design/GlassSymbolMark.h"
#include "design/GlassTextLabel.h"
#include "design/GlassTransition.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace mv {

namespace {

QFont titleFont()
{
    return designFont(FenceChecklistRowGeometry::titleFontSize, QFont::Medium);
}

// The list of rows, inset like the stack it stands for: 12 left and right, 10 at the bottom.
class ChecklistRowsView final : public QListView {
public:
    explicit ChecklistRowsView(QWidget* parent)
        : QListView(parent)
    {
        setViewportMargins(12, 0, 12, 10);
        setFrameShape(QFrame::NoFrame);
        setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSelectionMode(QAbstractItemView::NoSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setUniformItemSizes(false);
        setMouseTracking(true);
        setAutoFillBackground(false);
        viewport()->setAutoFillBackground(false);
        setResizeMode(QListView::Adjust);
    }

    std::function<void(const QModelIndex&)> onSpace;
    std::function<void(const QModelIndex&)> onDelete;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QModelIndex current = currentIndex();
        if (current.isValid() && event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
            if (onSpace)
                onSpace(current);
            return;
        }
        if (current.isValid() && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
            if (onDelete)
                onDelete(current);
            return;
        }
        QListView::keyPressEvent(event);
    }

    void paintEvent(QPaintEvent* event) override
    {
        // The glass behind shows through: no base fill.
        QListView::paintEvent(event);
    }
};

// The rounded add field: a tinted plus, then the text field.
class AddFieldCapsule final : public QWidget {
public:
    AddFieldCapsule(DesignEnvironment* environment, QWidget* parent)
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
        const QRectF bounds(rect());
        painter.fillPath(LiquidGlassShapeKind::capsule().path(bounds), withOpacity(GlassPalette::primary(scheme), 0.06));
        painter.setPen(QPen(withOpacity(GlassPalette::primary(scheme), 0.1), 0.6));
        painter.drawPath(LiquidGlassShapeKind::capsule().path(bounds.adjusted(0.3, 0.3, -0.3, -0.3)));
    }

private:
    QPointer<DesignEnvironment> m_environment;
};

} // namespace

// ---- geometry

FenceChecklistRowGeometry FenceChecklistRowGeometry::compute(const QRectF& rowRect, bool flagged, bool locked)
{
    FenceChecklistRowGeometry g;
    g.background = QRectF(rowRect.left(), rowRect.top(), rowRect.width(), std::max<qreal>(0, rowRect.height() - rowGap));
    const QRectF content = g.background.adjusted(10, 7, -10, -7);
    const qreal toggleSide = SymbolIcons::sideForFontSize(toggleFontSize);
    g.toggle = QRectF(content.left(), g.background.center().y() - toggleSide / 2, toggleSide, toggleSide);
    qreal right = content.right();
    if (!locked) {
        const qreal side = SymbolIcons::sideForFontSize(deleteFontSize);
        g.deleteButton = QRectF(right - side, g.background.center().y() - side / 2, side, side);
        right = g.deleteButton.left() - 8;
    }
    if (flagged) {
        const qreal side = SymbolIcons::sideForFontSize(flagFontSize);
        g.flag = QRectF(right - side, g.background.center().y() - side / 2, side, side);
        right = g.flag.left() - 8;
    }
    const qreal titleLeft = g.toggle.right() + 8;
    g.title = QRectF(titleLeft, content.top(), std::max<qreal>(0, right - titleLeft), content.height());
    return g;
}

qreal FenceChecklistRowGeometry::rowHeight(const QString& title, qreal width, bool flagged, bool locked)
{
    const FenceChecklistRowGeometry probe = compute(QRectF(0, 0, width, 100), flagged, locked);
    const QFontMetricsF metrics(titleFont());
    const qsizetype lines = std::max<qsizetype>(1, layoutTextLines(title, titleFont(), probe.title.width(), 2).size());
    const qreal content = std::max(SymbolIcons::sideForFontSize(toggleFontSize), metrics.height() * qreal(lines));
    return std::ceil(content + 14 + rowGap);
}

// ---- delegate

FenceChecklistDelegate::FenceChecklistDelegate(FenceChecklistListView* view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

QSize FenceChecklistDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const qreal width = std::max(80, m_view->listView()->viewport()->width());
    Q_UNUSED(option);
    const qreal height = FenceChecklistRowGeometry::rowHeight(index.data(Qt::DisplayRole).toString(), width,
                                                              index.data(FenceChecklistModel::FlaggedRole).toBool(),
                                                              m_view->isLocked());
    return QSize(int(width), int(height));
}

void FenceChecklistDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const DesignEnvironment& environment = environmentOrDefault(m_view->environment());
    const ColorScheme scheme = environment.colorScheme();
    const QUuid id = index.data(FenceChecklistModel::TaskIDRole).toUuid();
    const bool completed = index.data(FenceChecklistModel::CompletedRole).toBool();
    const bool flagged = index.data(FenceChecklistModel::FlaggedRole).toBool();
    const QString title = index.data(Qt::DisplayRole).toString();
    const FenceChecklistRowGeometry g = FenceChecklistRowGeometry::compute(QRectF(option.rect), flagged, m_view->isLocked());
    const QColor tintColor = swiftUIColor(m_view->tint());

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    // A task added in the running add animation slides and fades in; under reduce motion it only fades.
    const GlassTransition& adding = *m_view->m_addTransition;
    if (adding.isRunning() && m_view->m_appearingTaskIDs.contains(id)) {
        const qreal p = adding.progress();
        painter->setOpacity(std::clamp<qreal>(p, 0, 1));
        if (adding.lastKind() != GlassAnimationKind::reducedCrossfade)
            painter->translate(0, (1.0 - p) * -8.0);
    }

    const LiquidGlassShapeKind shape = LiquidGlassShapeKind::roundedRect(11);
    painter->fillPath(shape.path(g.background), withOpacity(GlassPalette::primary(scheme), completed ? 0.035 : 0.075));
    if (option.state & QStyle::State_HasFocus && m_view->listView()->hasFocus())
        painter->fillPath(shape.path(g.background), withOpacity(tintColor, 0.10));
    painter->setPen(QPen(withOpacity(GlassPalette::primary(scheme), 0.08), 0.6));
    painter->drawPath(LiquidGlassShapeKind::roundedRect(11 - 0.3).path(g.background.adjusted(0.3, 0.3, -0.3, -0.3)));

    // Toggle circle; the toggled task's circle changes with the toggle animation.
    const qreal toggleSide = SymbolIcons::sideForFontSize(FenceChecklistRowGeometry::toggleFontSize);
    const QString symbol = completed ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle");
    const QColor symbolColor = completed ? tintColor : GlassPalette::secondaryForeground(scheme);
    const GlassTransition& toggling = *m_view->m_toggleTransition;
    if (toggling.isRunning() && id == m_view->m_toggledTaskID) {
        const qreal p = toggling.progress();
        if (toggling.lastKind() == GlassAnimationKind::reducedCrossfade) {
            const QString before = completed ? QStringLiteral("circle") : QStringLiteral("checkmark.circle.fill");
            const QColor beforeColor = completed ? GlassPalette::secondaryForeground(scheme) : tintColor;
            const qreal opacity = painter->opacity();
            painter->setOpacity(opacity * (1.0 - p));
            SymbolIcons::paint(*painter, g.toggle, before, toggleSide, beforeColor);
            painter->setOpacity(opacity * p);
            SymbolIcons::paint(*painter, g.toggle, symbol, toggleSide, symbolColor);
            painter->setOpacity(opacity);
        } else {
            painter->save();
            const qreal scale = 0.7 + 0.3 * p;
            painter->translate(g.toggle.center());
            painter->scale(scale, scale);
            painter->translate(-g.toggle.center());
            SymbolIcons::paint(*painter, g.toggle, symbol, toggleSide, symbolColor);
            painter->restore();
        }
    } else {
        SymbolIcons::paint(*painter, g.toggle, symbol, toggleSide, symbolColor);
    }

    QFont font = titleFont();
    font.setStrikeOut(completed);
    painter->setFont(font);
    painter->setPen(completed ? GlassPalette::secondaryForeground(scheme) : GlassPalette::primaryForeground(scheme));
    const QStringList lines = layoutTextLines(title, font, g.title.width(), 2);
    const QFontMetricsF metrics(font);
    qreal y = g.title.center().y() - metrics.height() * qreal(lines.size()) / 2.0;
    for (const QString& line : lines) {
        painter->drawText(QRectF(g.title.left(), y, g.title.width(), metrics.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += metrics.height();
    }

    if (!g.flag.isEmpty())
        SymbolIcons::paint(*painter, g.flag, QStringLiteral("flag.fill"), g.flag.width(), GlassPalette::systemOrange(scheme));
    if (!g.deleteButton.isEmpty())
        SymbolIcons::paint(*painter, g.deleteButton, QStringLiteral("xmark.circle.fill"), g.deleteButton.width(),
                           withOpacity(GlassPalette::secondaryForeground(scheme), 0.75));
    painter->restore();
}

bool FenceChecklistDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                         const QModelIndex& index)
{
    if (event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const bool flagged = index.data(FenceChecklistModel::FlaggedRole).toBool();
    const FenceChecklistRowGeometry g = FenceChecklistRowGeometry::compute(QRectF(option.rect), flagged, m_view->isLocked());
    const QPointF position = mouse->position();
    const QUuid id = index.data(FenceChecklistModel::TaskIDRole).toUuid();
    // The second click of a double click is a tap of its own.
    if (!g.deleteButton.isEmpty() && g.deleteButton.adjusted(-3, -3, 3, 3).contains(position)) {
        m_view->remove(id);
        return true;
    }
    if (g.background.contains(position)) {
        m_view->toggle(id);
        return true;
    }
    return false;
}

// ---- view

FenceChecklistListView::FenceChecklistListView(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);

    // Add row.
    auto* addRow = new QHBoxLayout();
    addRow->setContentsMargins(12, 0, 12, 0);
    addRow->setSpacing(6);
    m_addCapsule = new AddFieldCapsule(environment, this);
    m_addCapsule->setObjectName(QStringLiteral("addFieldCapsule"));
    auto* capsuleRow = new QHBoxLayout(m_addCapsule);
    capsuleRow->setContentsMargins(10, 6, 10, 6);
    capsuleRow->setSpacing(6);
    auto* plus = new GlassSymbolMark(QStringLiteral("plus.circle.fill"), 13, m_addCapsule);
    plus->setObjectName(QStringLiteral("addFieldSymbol"));
    capsuleRow->addWidget(plus, 0, Qt::AlignVCenter);
    m_addField = new QLineEdit(m_addCapsule);
    m_addField->setObjectName(QStringLiteral("addField"));
    m_addField->setPlaceholderText(QStringLiteral("添加新待办事项…"));
    m_addField->setAccessibleName(QStringLiteral("添加新待办事项…"));
    m_addField->setFrame(false);
    m_addField->setFont(designFont(12.5));
    capsuleRow->addWidget(m_addField, 1);
    addRow->addWidget(m_addCapsule, 1);
    m_addButton = new LiquidGlassPillButton(environment, QString(), QStringLiteral("plus"), m_tint, this);
    m_addButton->setObjectName(QStringLiteral("addTaskButton"));
    m_addButton->setProminent(true);
    m_addButton->setCompact(true);
    m_addButton->action = [this] { submitNewTask(); };
    addRow->addWidget(m_addButton, 0, Qt::AlignVCenter);
    column->addLayout(addRow);
    connect(m_addField, &QLineEdit::textEdited, this, &FenceChecklistListView::refreshAddButton);
    connect(m_addField, &QLineEdit::returnPressed, this, &FenceChecklistListView::submitNewTask);

    // Body.
    m_body = new QStackedWidget(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_model = new FenceChecklistModel(this);
    auto* rows = new ChecklistRowsView(m_body);
    m_list = rows;
    m_list->setObjectName(QStringLiteral("taskList"));
    m_list->setModel(m_model);
    m_delegate = new FenceChecklistDelegate(this);
    m_list->setItemDelegate(m_delegate);
    rows->onSpace = [this](const QModelIndex& index) {
        toggle(index.data(FenceChecklistModel::TaskIDRole).toUuid());
    };
    rows->onDelete = [this](const QModelIndex& index) {
        if (!m_isLocked)
            remove(index.data(FenceChecklistModel::TaskIDRole).toUuid());
    };
    m_body->addWidget(m_list);

    m_emptyState = new QWidget(m_body);
    m_emptyState->setObjectName(QStringLiteral("emptyState"));
    auto* emptyColumn = new QVBoxLayout(m_emptyState);
    emptyColumn->setContentsMargins(0, 0, 0, 0);
    emptyColumn->setSpacing(6);
    emptyColumn->addSpacerItem(new QSpacerItem(0, 8, QSizePolicy::Minimum, QSizePolicy::Expanding));
    auto* emptySymbol = new GlassSymbolMark(QStringLiteral("checklist.checked"), 24, m_emptyState);
    emptySymbol->setObjectName(QStringLiteral("emptySymbol"));
    emptyColumn->addWidget(emptySymbol, 0, Qt::AlignHCenter);
    auto* emptyText = new GlassTextLabel(m_emptyState);
    emptyText->setObjectName(QStringLiteral("emptyText"));
    emptyText->setFont(designFont(12.5, QFont::Medium));
    emptyText->setText(QStringLiteral("暂无待办任务"));
    emptyText->setAlignment(Qt::AlignCenter);
    emptyColumn->addWidget(emptyText, 0, Qt::AlignHCenter);
    emptyColumn->addSpacerItem(new QSpacerItem(0, 8, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_body->addWidget(m_emptyState);
    column->addWidget(m_body, 1);

    // Footer.
    auto* footerRow = new QHBoxLayout();
    footerRow->setContentsMargins(14, 0, 14, 8);
    m_footer = new GlassTextLabel(this);
    m_footer->setObjectName(QStringLiteral("footer"));
    m_footer->setFont(designFont(10.5, QFont::Medium));
    footerRow->addWidget(m_footer);
    footerRow->addStretch(1);
    column->addLayout(footerRow);

    m_addTransition = new GlassTransition(this);
    m_toggleTransition = new GlassTransition(this);
    connect(m_addTransition, &GlassTransition::progressChanged, m_list->viewport(), qOverload<>(&QWidget::update));
    connect(m_toggleTransition, &GlassTransition::progressChanged, m_list->viewport(), qOverload<>(&QWidget::update));
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &FenceChecklistListView::refresh);
    refresh();
}

FenceChecklistListView::~FenceChecklistListView() = default;

const QList<FenceChecklistTask>& FenceChecklistListView::tasks() const
{
    return m_model->tasks();
}

void FenceChecklistListView::setTasks(const QList<FenceChecklistTask>& tasks)
{
    if (tasks == m_model->tasks())
        return;
    if (m_addTransition->isRunning()) {
        for (const FenceChecklistTask& task : tasks) {
            if (m_model->rowOf(task.id) < 0)
                m_appearingTaskIDs.insert(task.id);
        }
    } else {
        m_appearingTaskIDs.clear();
    }
    m_model->setTasks(tasks);
    refresh();
}

void FenceChecklistListView::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    refresh();
}

void FenceChecklistListView::setLocked(bool locked)
{
    if (m_isLocked == locked)
        return;
    m_isLocked = locked;
    // Row heights and button layout change with the lock.
    m_list->doItemsLayout();
    refresh();
}

QString FenceChecklistListView::footerText() const
{
    return m_footer->text();
}

FenceChecklistRowGeometry FenceChecklistListView::rowGeometry(int row) const
{
    const QModelIndex index = m_model->index(row);
    const FenceChecklistTask* task = m_model->task(row);
    if (!task)
        return {};
    return FenceChecklistRowGeometry::compute(QRectF(m_list->visualRect(index)), task->isFlagged, m_isLocked);
}

void FenceChecklistListView::refresh()
{
    const DesignEnvironment& environment = environmentOrDefault(this->environment());
    const ColorScheme scheme = environment.colorScheme();
    const auto& tasks = m_model->tasks();
    const auto done = std::count_if(tasks.begin(), tasks.end(), [](const FenceChecklistTask& t) { return t.isCompleted; });
    m_footer->setText(QStringLiteral("已完成 ") + QString::number(done) + QStringLiteral(" / ")
                      + QString::number(tasks.size()));
    m_footer->setColor(GlassPalette::secondaryForeground(scheme));
    m_body->setCurrentWidget(tasks.isEmpty() ? m_emptyState : static_cast<QWidget*>(m_list));
    if (auto* symbol = m_emptyState->findChild<GlassSymbolMark*>())
        symbol->setColor(GlassPalette::secondaryForeground(scheme));
    if (auto* text = m_emptyState->findChild<GlassTextLabel*>())
        text->setColor(GlassPalette::secondaryForeground(scheme));
    if (auto* plus = m_addCapsule->findChild<GlassSymbolMark*>())
        plus->setColor(swiftUIColor(m_tint));
    QPalette palette = m_addField->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, GlassPalette::primaryForeground(scheme));
    palette.setColor(QPalette::PlaceholderText, GlassPalette::secondaryForeground(scheme));
    m_addField->setPalette(palette);
    m_addField->setEnabled(!m_isLocked);
    m_addButton->setTint(m_tint);
    refreshAddButton();
    m_addCapsule->update();
    m_list->viewport()->update();
}

void FenceChecklistListView::refreshAddButton()
{
    m_addButton->setDisabled(m_isLocked || m_addField->text().trimmed().isEmpty());
}

void FenceChecklistListView::submitNewTask()
{
    const QString trimmed = m_addField->text().trimmed();
    if (trimmed.isEmpty() || m_isLocked)
        return; // the field keeps its text, white space included
    m_addTransition->run(m_environment ? GlassSpringPreset::adaptive(GlassSpringPreset::uiDefault(), *m_environment)
                                       : GlassSpringPreset::uiDefault());
    QPointer<FenceChecklistListView> guard(this);
    if (onAddTask)
        onAddTask(trimmed);
    if (!guard)
        return;
    m_addField->clear();
    refreshAddButton();
}

void FenceChecklistListView::toggle(const QUuid& id)
{
    m_toggledTaskID = id;
    m_toggleTransition->run(m_environment ? GlassSpringPreset::adaptive(GlassSpringPreset::quickPress(), *m_environment)
                                          : GlassSpringPreset::quickPress());
    if (onToggleTask)
        onToggleTask(id);
}

void FenceChecklistListView::remove(const QUuid& id)
{
    if (m_isLocked)
        return;
    if (onDeleteTask)
        onDeleteTask(id);
}

} // namespace mv
