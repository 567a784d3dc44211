#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace mv {

class GlassTextLabel;
struct QuickLookPreview;

// The text of a file, read-only (it can be selected and copied, never changed), set as prose
// or, for code, in a fixed-pitch face without wrapping; under it a note when only the start of
// the file shows.
class QuickLookTextView final : public QWidget {
    Q_OBJECT

public:
    explicit QuickLookTextView(QWidget* parent = nullptr);

    void setPreview(const QuickLookPreview& preview);
    void clear();

    QPlainTextEdit* editor() const { return m_editor; }
    GlassTextLabel* note() const { return m_note; }

private:
    QPlainTextEdit* m_editor;
    GlassTextLabel* m_note;
};

} // namespace mv
