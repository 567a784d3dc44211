#include "design/FenceNoteEditorView.h"

#include "core/models/Text.h"
#include "design/DesignFonts.h"
#include "design/GlassClipboardHelper.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace mv {

FenceNoteTextEdit::FenceNoteTextEdit(QWidget* parent)
    : QPlainTextEdit(parent)
{
}

void FenceNoteTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // A read-only editor would still take an input method's committed text.
    if (isReadOnly()) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty())
        m_incomingText = event->commitString();
    QPlainTextEdit::inputMethodEvent(event);
    m_incomingText.reset();
    const bool composing = !event->preeditString().isEmpty();
    const bool ended = m_composing && !composing;
    m_composing = composing;
    if (ended)
        Q_EMIT compositionEnded();
}

void FenceNoteTextEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragEnterEvent(event);
}

void FenceNoteTextEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::dragMoveEvent(event);
}

void FenceNoteTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (source->hasText())
        m_incomingText = source->text();
    QPlainTextEdit::insertFromMimeData(source);
    m_incomingText.reset();
}

namespace {

// The characters QTextDocument turns into a paragraph break when it takes plain text in.
bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar(QChar::ParagraphSeparator) || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

// Stored characters that make up one character of the document at `index`: two for CR LF.
qsizetype unitLength(QStringView text, qsizetype index)
{
    return text[index] == u'\r' && index + 1 < text.size() && text[index + 1] == u'\n' ? 2 : 1;
}

// The document's raw text for a stored text: one paragraph separator for each line end (a CR LF
// pair being one), every other character as it is.
QString shownForm(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); i += unitLength(text, i))
        shown += isLineEnd(text[i]) ? QChar(QChar::ParagraphSeparator) : text[i];
    return shown;
}

// Where the document's position `shown` falls in the stored text.
qsizetype storedPosition(QStringView text, qsizetype shown)
{
    qsizetype i = 0;
    for (qsizetype n = 0; n < shown && i < text.size(); ++n)
        i += unitLength(text, i);
    return i;
}

// What text typed into the document stores as: a line feed for each new paragraph.
QString storedForm(QStringView shown)
{
    QString text = shown.toString();
    text.replace(QChar(QChar::ParagraphSeparator), u'\n');
    return text;
}

// A lone CR before a LF would now read as one CR LF line end where the document shows two;
// a CR put between them keeps both, and both as they were.
void keepLineEndsApart(QString& text, qsizetype at)
{
    if (at > 0 && at < text.size() && text[at - 1] == u'\r' && text[at] == u'\n')
        text.insert(at, u'\r');
}

// The box's room around the editor, and the document's around the text.
constexpr int boxPaddingX = 8;
constexpr int boxPaddingY = 6;
constexpr qreal documentMargin = 4;

// How the editor wraps a paragraph: its own word wrap, lines taking in their leading.
QTextOption editorTextOption()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

} // namespace

// The rounded box behind the editor; paints the placeholder, which shows through the editor,
// and the text while there is no editor. Whatever would need the editor makes it.
class NoteEditorBox final : public QWidget {
public:
    NoteEditorBox(FenceNoteEditorView* view, DesignEnvironment* environment)
        : QWidget(view)
        , m_view(view)
        , m_environment(environment)
    {
        // Standing in the editor's place until it is made.
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::IBeamCursor);
        setAcceptDrops(true);
    }
    FenceTintPalette tint = FenceTintPalette::crystal;

    // Made, the editor takes the box's place in the tab order and under the pointer.
    void editorMade(QWidget* editor)
    {
        setFocusPolicy(Qt::NoFocus);
        unsetCursor();
        setAcceptDrops(false);
        QWidget::setTabOrder(this, editor);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const ColorScheme scheme = m_environment ? m_environment->colorScheme() : ColorScheme::light;
        const QRectF bounds(rect());
        const LiquidGlassShapeKind shape = LiquidGlassShapeKind::roundedRect(14);
        painter.fillPath(shape.path(bounds), withOpacity(GlassPalette::primary(scheme), 0.05));
        painter.setPen(QPen(withOpacity(swiftUIColor(tint), 0.22), 0.75));
        painter.drawPath(LiquidGlassShapeKind::roundedRect(14 - 0.375).path(bounds.adjusted(0.375, 0.375, -0.375, -0.375)));
        if (m_view->isPlaceholderVisible()) {
            painter.setFont(designFont(13));
            painter.setPen(GlassPalette::secondaryForeground(scheme));
            painter.drawText(bounds.adjusted(14, 10, -14, -10), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                             m_view->placeholder());
        } else if (!m_view->hasEditor()) {
            if (!m_view->paintText(painter))
                QMetaObject::invokeMethod(m_view, [view = m_view] { view->makeEditorIfTextOverflows(); },
                                          Qt::QueuedConnection);
        }
    }
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        // An assistive technology reads the note from the editor.
        if (QAccessible::isActive())
            m_view->editor();
        else
            m_view->makeEditorIfTextOverflows();
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (isVisible())
            m_view->makeEditorIfTextOverflows();
    }
    // A press, a focus, a menu or a text dragged in: the editor is made and takes it.
    void mousePressEvent(QMouseEvent* event) override { forward(event); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { forward(event); }
    // The rest of a press that made the editor: the box holds the pointer until release.
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (m_view->hasEditor())
            forward(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (m_view->hasEditor())
            forward(event);
    }
    void contextMenuEvent(QContextMenuEvent* event) override
    {
        QWidget* target = m_view->editor()->viewport();
        QContextMenuEvent moved(event->reason(), target->mapFrom(this, event->pos()), event->globalPos(),
                                event->modifiers());
        QCoreApplication::sendEvent(target, &moved);
    }
    void focusInEvent(QFocusEvent* event) override { m_view->editor()->setFocus(event->reason()); }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        // Files are the fence's, not the note's; a text goes to the editor, which the drag
        // enters on its next move.
        if (!event->mimeData()->hasUrls() && event->mimeData()->hasText())
            m_view->editor();
        event->ignore();
    }

private:
    void forward(QMouseEvent* event)
    {
        QWidget* target = m_view->editor()->viewport();
        QMouseEvent moved(event->type(), target->mapFrom(this, event->position()), event->scenePosition(),
                          event->globalPosition(), event->button(), event->buttons(), event->modifiers(),
                          event->pointingDevice());
        QCoreApplication::sendEvent(target, &moved);
    }

    FenceNoteEditorView* m_view;
    QPointer<DesignEnvironment> m_environment;
};

FenceNoteEditorView::FenceNoteEditorView(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto* top = new QHBoxLayout();
    top->setContentsMargins(12, 0, 12, 0);
    top->setSpacing(8);
    m_badge = new LiquidGlassBadge(environment, QString(), m_tint, QStringLiteral("text.alignleft"), this);
    m_badge->setObjectName(QStringLiteral("countBadge"));
    top->addWidget(m_badge, 0, Qt::AlignVCenter);
    top->addStretch(1);
    m_copyButton = new LiquidGlassButton(environment, this);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_copyButton->setSymbolFont(10.5, QFont::DemiBold);
    m_copyButton->setLabelFont(10.5, QFont::DemiBold);
    m_copyButton->setSpacing(4);
    m_copyButton->setPadding(8, 4);
    top->addWidget(m_copyButton, 0, Qt::AlignVCenter);
    column->addLayout(top);
    connect(m_copyButton, &QAbstractButton::clicked, this, &FenceNoteEditorView::copy);

    auto* boxRow = new QHBoxLayout();
    boxRow->setContentsMargins(10, 0, 10, 10);
    auto* box = new NoteEditorBox(this, environment);
    m_box = box;
    m_box->setObjectName(QStringLiteral("editorBox"));
    auto* boxLayout = new QVBoxLayout(m_box);
    boxLayout->setContentsMargins(boxPaddingX, boxPaddingY, boxPaddingX, boxPaddingY);
    boxRow->addWidget(m_box);
    column->addLayout(boxRow, 1);

    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &FenceNoteEditorView::refresh);
    refresh();
}

FenceNoteEditorView::~FenceNoteEditorView() = default;

FenceNoteTextEdit* FenceNoteEditorView::editor() const
{
    if (m_editor)
        return m_editor;
    auto* self = const_cast<FenceNoteEditorView*>(this);
    m_editor = new FenceNoteTextEdit(m_box);
    m_editor->setObjectName(QStringLiteral("noteEditor"));
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setFont(designFont(13));
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->setBackgroundVisible(false);
    m_editor->document()->setDocumentMargin(documentMargin);
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_editor->setWordWrapMode(editorTextOption().wrapMode());
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_box->layout()->addWidget(m_editor);

    connect(m_editor->document(), &QTextDocument::contentsChange, self, &FenceNoteEditorView::documentChanged);
    connect(m_editor, &QPlainTextEdit::textChanged, self, &FenceNoteEditorView::editorTextChanged);
    connect(m_editor, &FenceNoteTextEdit::compositionEnded, self, [self] {
        // The owner may have written while the user composed; apply it now if it still differs.
        if (self->m_pendingText) {
            const QString pending = *self->m_pendingText;
            self->m_pendingText.reset();
            self->setText(pending);
        }
        self->m_box->update();
    });
    self->applyText(m_text);
    // Laid out at once, so that what takes it (a press, a focus) finds it in the box's place.
    m_box->layout()->activate();
    if (m_box->isVisible())
        m_editor->show();
    static_cast<NoteEditorBox*>(m_box)->editorMade(m_editor);
    return m_editor;
}

void FenceNoteEditorView::makeEditorIfTextOverflows()
{
    if (!m_editor && !textFitsBox())
        editor();
}

namespace {

// The note's paragraphs laid out as the editor lays them out at `width`, one under the other
// from the top; calls `each` with every layout and its top.
template<class Each>
qreal layOutParagraphs(const QString& shown, const QFont& font, qreal width, Each each)
{
    qreal top = 0;
    for (const QString& paragraph : shown.split(QChar(QChar::ParagraphSeparator))) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(editorTextOption());
        layout.setCacheEnabled(true);
        layout.beginLayout();
        qreal height = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        if (!each(layout, top))
            break;
        top += height;
    }
    return top;
}

// Whether text `needed` high fits `area` without the editor's scrolling: with a line to spare,
// as the editor's scroll range is counted in lines.
bool fitsWithoutScrolling(const QRectF& area, qreal needed, const QFont& font)
{
    const qreal room = area.height() - 2 * documentMargin;
    return area.width() > 2 * documentMargin && room > 0 && needed + QFontMetricsF(font).lineSpacing() <= room;
}

} // namespace

QRectF FenceNoteEditorView::textArea() const
{
    return QRectF(m_box->rect()).adjusted(boxPaddingX, boxPaddingY, -boxPaddingX, -boxPaddingY);
}

bool FenceNoteEditorView::textFitsBox() const
{
    const QRectF area = textArea();
    if (area.width() <= 2 * documentMargin)
        return false;
    const QFont font = designFont(13);
    const qreal needed = layOutParagraphs(shownForm(m_text), font, area.width() - 2 * documentMargin,
                                          [](const QTextLayout&, qreal) { return true; });
    return fitsWithoutScrolling(area, needed, font);
}

bool FenceNoteEditorView::paintText(QPainter& painter) const
{
    const QRectF area = textArea();
    const QPointF origin = area.topLeft() + QPointF(documentMargin, documentMargin);
    const ColorScheme scheme = m_environment ? m_environment->colorScheme() : ColorScheme::light;
    const QFont font = designFont(13);
    painter.save();
    painter.setClipRect(area);
    painter.setPen(GlassPalette::primaryForeground(scheme));
    bool allDrawn = true;
    const qreal needed = layOutParagraphs(shownForm(m_text), font, area.width() - 2 * documentMargin,
                                          [&](const QTextLayout& layout, qreal top) {
                                              layout.draw(&painter, origin + QPointF(0, top));
                                              allDrawn = origin.y() + top < area.bottom();
                                              return allDrawn;
                                          });
    painter.restore();
    // Stopped below the box: the rest would need scrolling.
    return allDrawn && fitsWithoutScrolling(area, needed, font);
}

QString FenceNoteEditorView::text() const
{
    return m_text;
}

void FenceNoteEditorView::setText(const QString& text)
{
    if (m_editor && m_editor->isComposing()) {
        m_pendingText = text;
        return;
    }
    m_pendingText.reset();
    if (text == m_text)
        return;
    if (!m_editor) {
        m_text = text;
        m_emittedText = text;
        refresh();
        if (m_box->isVisible())
            makeEditorIfTextOverflows();
        return;
    }
    if (shownForm(text) == m_shownText) {
        // Only line ends the document shows alike differ: the editor, its cursor and its undo
        // history stay as they are.
        m_text = text;
        m_emittedText = text;
        refresh();
        return;
    }
    applyText(text);
}

void FenceNoteEditorView::applyText(const QString& text)
{
    // Keep the cursor where it was, as far as the new text reaches.
    QTextCursor cursor = m_editor->textCursor();
    const int position = cursor.position();
    const int anchor = cursor.anchor();
    m_applying = true;
    m_editor->setPlainText(text);
    m_applying = false;
    m_text = text;
    m_shownText = m_editor->document()->toRawText();
    m_emittedText = text;
    const int length = int(m_editor->document()->characterCount()) - 1;
    cursor = m_editor->textCursor();
    cursor.setPosition(std::clamp(anchor, 0, length));
    cursor.setPosition(std::clamp(position, 0, length), QTextCursor::KeepAnchor);
    m_editor->setTextCursor(cursor);
    refresh();
}

void FenceNoteEditorView::documentChanged(int position, int removed, int added)
{
    if (m_applying)
        return;
    const QString shown = m_editor->document()->toRawText();
    if (shown == m_shownText)
        return; // a change of format or of the composition only
    const QStringView before(m_shownText);
    const QStringView after(shown);

    // The span the document reports, when it fits both texts; else everything. Either is then
    // narrowed to the characters that really differ, as a report may take in untouched
    // neighbours.
    qsizetype start = 0;
    qsizetype oldEnd = before.size();
    qsizetype newEnd = after.size();
    const bool fits = position >= 0 && removed >= 0 && added >= 0 && position + removed <= before.size()
                      && position + added <= after.size() && before.size() - removed == after.size() - added
                      && before.left(position) == after.left(position)
                      && before.mid(position + removed) == after.mid(position + added);
    if (fits) {
        start = position;
        oldEnd = position + removed;
        newEnd = position + added;
    }
    while (oldEnd > start && newEnd > start && before[oldEnd - 1] == after[newEnd - 1]) {
        --oldEnd;
        --newEnd;
    }
    while (start < oldEnd && start < newEnd && before[start] == after[start])
        ++start;

    const QStringView inserted = after.mid(start, newEnd - start);
    const std::optional<QString>& incoming = m_editor->incomingText();
    const QString insertedText = incoming && shownForm(*incoming) == inserted ? *incoming : storedForm(inserted);
    const qsizetype from = storedPosition(m_text, start);
    const qsizetype to = storedPosition(m_text, oldEnd);
    QString text = m_text;
    text.replace(from, to - from, insertedText);
    keepLineEndsApart(text, from + insertedText.size());
    keepLineEndsApart(text, from);
    if (shownForm(text) != shown)
        text = storedForm(shown); // cannot happen; never leave the two apart
    m_text = std::move(text);
    m_shownText = shown;
}

void FenceNoteEditorView::editorTextChanged()
{
    if (m_applying)
        return;
    m_box->update();
    if (m_text == m_emittedText)
        return; // a change of the composition only
    m_emittedText = m_text;
    const QString current = m_text;
    refresh();
    QPointer<FenceNoteEditorView> guard(this);
    if (onTextEdited)
        onTextEdited(current);
    if (guard)
        Q_EMIT textEdited(current);
}

void FenceNoteEditorView::setTint(FenceTintPalette tint)
{
    if (m_tint == tint)
        return;
    m_tint = tint;
    refresh();
}

void FenceNoteEditorView::setPlaceholder(const QString& placeholder)
{
    if (m_placeholder == placeholder)
        return;
    m_placeholder = placeholder;
    m_box->update();
}

void FenceNoteEditorView::setLocked(bool locked)
{
    if (m_isLocked == locked)
        return;
    m_isLocked = locked;
    refresh();
}

bool FenceNoteEditorView::isPlaceholderVisible() const
{
    if (!m_editor)
        return m_text.isEmpty();
    if (!m_editor->document()->isEmpty())
        return false;
    const QTextLayout* layout = m_editor->document()->firstBlock().layout();
    return !layout || layout->preeditAreaText().isEmpty();
}

QString FenceNoteEditorView::badgeText() const
{
    return QString::number(text::characterCount(text())) + QStringLiteral(" 字");
}

void FenceNoteEditorView::copy()
{
    GlassClipboardHelper::copyString(text());
    m_didCopy = true;
    refresh();
    // Each copy schedules its own reset and none is cancelled; the widget is the timer's
    // context, so a reset that outlives the view does nothing.
    QTimer::singleShot(copyFeedbackMs, this, [this] {
        m_didCopy = false;
        refresh();
    });
}

void FenceNoteEditorView::refresh()
{
    const ColorScheme scheme = m_environment ? m_environment->colorScheme() : ColorScheme::light;
    m_badge->setText(badgeText());
    m_badge->setTint(m_tint);
    m_copyButton->setSymbolName(m_didCopy ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"));
    m_copyButton->setLabelText(m_didCopy ? QStringLiteral("已复制") : QStringLiteral("复制内容"));
    m_copyButton->setAccessibleName(m_copyButton->labelText());
    if (m_editor) {
        m_editor->setReadOnly(m_isLocked);
        QPalette palette = m_editor->palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::Text, GlassPalette::primaryForeground(scheme));
            palette.setColor(group, QPalette::Base, Qt::transparent);
        }
        m_editor->setPalette(palette);
    }
    static_cast<NoteEditorBox*>(m_box)->tint = m_tint;
    m_box->update();
}

} // namespace mv
