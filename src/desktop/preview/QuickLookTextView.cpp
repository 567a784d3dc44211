#include "desktop/preview/QuickLookTextView.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/preview/QuickLookHUDStyle.h"
#include "desktop/preview/QuickLookPreview.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace mv {

using quicklook::hudPrimary;

QuickLookTextView::QuickLookTextView(QWidget* parent)
    : QWidget(parent)
    , m_editor(new QPlainTextEdit(this))
    , m_note(new GlassTextLabel(this))
{
    m_editor->setReadOnly(true);
    m_editor->setUndoRedoEnabled(false);
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->document()->setDocumentMargin(10);
    m_editor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = m_editor->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0, 70));
    palette.setColor(QPalette::Text, withOpacity(hudPrimary(), 0.92));
    palette.setColor(QPalette::Highlight, withOpacity(GlassPalette::systemBlue(ColorScheme::dark), 0.6));
    palette.setColor(QPalette::HighlightedText, hudPrimary());
    m_editor->setPalette(palette);
    m_editor->viewport()->setPalette(palette);

    m_note->setFont(designFont(11));
    m_note->setColor(quicklook::hudSecondary());
    m_note->setText(QStringLiteral("仅显示文件开头的一部分"));
    m_note->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_note);
}

void QuickLookTextView::setPreview(const QuickLookPreview& preview)
{
    m_editor->setFont(preview.isMonospaced ? quicklook::monospacedFont(12) : designFont(13));
    m_editor->setLineWrapMode(preview.isMonospaced ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    m_editor->setPlainText(preview.text);
    m_editor->moveCursor(QTextCursor::Start);
    m_note->setVisible(preview.isTextTruncated);
}

void QuickLookTextView::clear()
{
    m_editor->clear();
}

} // namespace mv
