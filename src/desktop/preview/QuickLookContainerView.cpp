#include "desktop/preview/QuickLookContainerView.h"

#include "desktop/preview/QuickLookImageView.h"
#include "desktop/preview/QuickLookSummaryView.h"
#include "desktop/preview/QuickLookTextView.h"

#include <QPlainTextEdit>
#include <QStackedLayout>

namespace mv {

QuickLookContainerView::QuickLookContainerView(QWidget* parent)
    : QWidget(parent)
    , m_stack(new QStackedLayout(this))
    , m_emptyPage(new QWidget(this))
    , m_imageView(new QuickLookImageView(this))
    , m_textView(new QuickLookTextView(this))
    , m_summaryView(new QuickLookSummaryView(this))
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_emptyPage);
    m_stack->addWidget(m_imageView);
    m_stack->addWidget(m_textView);
    m_stack->addWidget(m_summaryView);
    m_stack->setCurrentWidget(m_emptyPage);
}

QWidget* QuickLookContainerView::imageView() const
{
    return m_imageView;
}

QPlainTextEdit* QuickLookContainerView::textView() const
{
    return m_textView->editor();
}

QWidget* QuickLookContainerView::summaryView() const
{
    return m_summaryView;
}

GlassTextLabel* QuickLookContainerView::textNote() const
{
    return m_textView->note();
}

QWidget* QuickLookContainerView::currentView() const
{
    QWidget* current = m_stack->currentWidget();
    return current == m_textView ? m_textView->editor() : current;
}

void QuickLookContainerView::setPreview(QuickLookPreview preview)
{
    m_imageView->setImage({});
    m_textView->clear();
    switch (preview.kind) {
    case QuickLookPreview::Kind::image:
        m_imageView->setImage(preview.image);
        m_stack->setCurrentWidget(m_imageView);
        break;
    case QuickLookPreview::Kind::text:
        m_textView->setPreview(preview);
        m_stack->setCurrentWidget(m_textView);
        break;
    case QuickLookPreview::Kind::summary:
        m_summaryView->setPreview(preview);
        m_stack->setCurrentWidget(m_summaryView);
        break;
    }
    m_preview = std::move(preview);
}

void QuickLookContainerView::clear()
{
    m_stack->setCurrentWidget(m_emptyPage);
    m_imageView->setImage({});
    m_textView->clear();
    m_summaryView->setPreview({});
    m_preview.reset();
}

} // namespace mv
