#pragma once

#include "desktop/preview/QuickLookPreview.h"

#include <QWidget>

#include <optional>

class QPlainTextEdit;
class QStackedLayout;

namespace mv {

class GlassTextLabel;
class QuickLookImageView;
class QuickLookSummaryView;
class QuickLookTextView;

// The preview area: shows one QuickLookPreview at a time, in views made once and reused.
class QuickLookContainerView final : public QWidget {
    Q_OBJECT

public:
    explicit QuickLookContainerView(QWidget* parent = nullptr);

    void setPreview(QuickLookPreview preview);
    // Shows nothing and lets go of the picture or text.
    void clear();
    // What is shown; none after clear().
    const std::optional<QuickLookPreview>& preview() const { return m_preview; }

    // The views, for tests: the one shown is the current widget of the stack.
    QWidget* currentView() const;
    QWidget* imageView() const;
    QPlainTextEdit* textView() const;
    QWidget* summaryView() const;
    GlassTextLabel* textNote() const;

private:
    std::optional<QuickLookPreview> m_preview;
    QStackedLayout* m_stack;
    QWidget* m_emptyPage;
    QuickLookImageView* m_imageView;
    QuickLookTextView* m_textView;
    QuickLookSummaryView* m_summaryView;
};

} // namespace mv
