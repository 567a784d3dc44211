#pragma once

#include "core/engine/SpotSearchEngine.h"
#include "design/GlassSymbolMark.h"
#include "design/LiquidGlassBadge.h"
#include "design/LiquidGlassSurfaceFrame.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListView>
#include <QPointer>

#include <functional>
#include <optional>

class QPropertyAnimation;
class QStackedWidget;

namespace mv {

class GlassTextLabel;
class MorvanteelStore;
class SpotSearchResultDelegate;
class SpotSearchResultsModel;

// The search field. It knows whether an input method is composing in it, so that its text is
// never replaced in the middle of a composition.
class SpotSearchField final : public QLineEdit {
    Q_OBJECT
public:
    explicit SpotSearchField(QWidget* parent = nullptr);
    bool isComposing() const { return m_isComposing; }
    // Sets the text when it differs; a composition under way is ended by the input method first.
    void replaceText(const QString& text);

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool m_isComposing = false;
};

// The content of the SpotSearch panel: a search bar, the hits of the store's search for what is
// typed (one list view with a painting delegate) or an empty state, and a footer with the keys
// and the hit count. The keys work from the field: Up and Down move the highlight, Return acts
// on the highlighted hit, Escape closes. The hits are the store's, searched again on every edit
// of the field and every change of the store while the view is shown; the view changes nothing
// itself: every action goes out through the callbacks.
class SpotSearchHUDView final : public LiquidGlassSurfaceFrame {
    Q_OBJECT
public:
    static constexpr int fixedWidth = 640;
    static constexpr int fixedHeight = 430;
    static constexpr int scrollAnimationMs = 120;

    SpotSearchHUDView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent = nullptr);
    ~SpotSearchHUDView() override;

    // A hit chosen by Return or a click.
    std::function<void(const SpotSearchResult&)> onActivateResult;
    // The preview button of a file hit: the file and the hit's title.
    std::function<void(const QUrl&, const QString&)> onPreviewFile;
    // Escape.
    std::function<void()> onDismiss;

    // As the view comes on screen: an empty query, the first hit highlighted, the hits searched
    // afresh and, on the next turn of the event loop, the focus in the field.
    void reset();

    QString query() const { return m_query; }
    int selectedIndex() const { return m_selectedIndex; }
    // The hits shown, best first.
    const QList<SpotSearchResult>& results() const;

    // What the keys do. Each returns whether it handled the key: with no hits the arrows are
    // not handled, nor is Return without a highlighted hit.
    bool moveSelectionDown();
    bool moveSelectionUp();
    bool activateSelection();

    // The tint of the surface (crystal without an active workspace) and of the rows, the search
    // symbol and the badges (cerulean without one).
    FenceTintPalette surfaceTint() const { return modifier().tint; }
    FenceTintPalette rowTint() const { return m_rowTint; }

    SpotSearchField* searchField() const { return m_field; }
    QListView* resultList() const { return m_list; }
    QWidget* emptyState() const { return m_emptyState; }
    QString emptyStateText() const;
    QString footerCountText() const;
    QAbstractButton* clearButton() const { return m_clearButton; }
    // Shown only while there is an active workspace.
    LiquidGlassBadge* workspaceBadge() const { return m_workspaceBadge; }
    SpotSearchResultsModel* model() const { return m_model; }
    // The rectangle of a row and of its preview button, in the list's viewport coordinates.
    QRect rowRect(int row) const;
    QRect previewButtonRect(int row) const;

    // The empty-state text for a query.
    static QString emptyStateText(const QString& query);
    static QString footerCountText(qsizetype count);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Searches the store again for the current query and brings everything shown in line.
    void refresh();
    // A store change: searched again on the next pass of the event loop, changes made together
    // at once, and only while the view is shown (reset searches anyway).
    void scheduleRefresh();
    void applyQuery(const QString& query);
    void clearQuery();
    void setSelectedIndex(int index);
    void scrollToSelected(bool animated);
    void activateRow(int row);
    void previewRow(int row);
    bool handleKey(QKeyEvent* event, bool fromField);
    void refreshColors();

    MorvanteelStore& m_store;
    QString m_query;
    int m_selectedIndex = 0;
    FenceTintPalette m_rowTint = FenceTintPalette::cerulean;
    bool m_refreshScheduled = false;

    GlassSymbolMark* m_searchSymbol;
    SpotSearchField* m_field;
    QAbstractButton* m_clearButton;
    LiquidGlassBadge* m_workspaceBadge;
    QStackedWidget* m_body;
    QListView* m_list;
    QWidget* m_emptyState;
    GlassSymbolMark* m_emptySymbol;
    GlassTextLabel* m_emptyText;
    QList<GlassSymbolMark*> m_footerSymbols;
    QList<GlassTextLabel*> m_footerTexts;
    GlassTextLabel* m_footerCount;
    SpotSearchResultsModel* m_model;
    SpotSearchResultDelegate* m_delegate;
    QPointer<QPropertyAnimation> m_scrollAnimation;
};

} // namespace mv
