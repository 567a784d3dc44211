#pragma once

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QPlainTextEdit;
class QPropertyAnimation;
class QStackedLayout;

namespace mv {

class DesignEnvironment;
class GlassTextLabel;
class LiquidGlassButton;
class LiquidGlassIconBadge;
class LiquidGlassPillButton;
class QuickLookImageView;
class QuickLookPathLabel;
class QuickLookSummaryView;

// How much of a file a preview may read, so that a 100-megapixel photo or a log of gigabytes
// costs a bounded amount of memory and time on the main thread.
struct QuickLookPreviewLimits {
    // Images are decoded no larger than this on their longer side.
    int maximumImageSide = 2560;
    // An image whose format cannot be decoded at a reduced size is decoded in full and scaled
    // afterwards, but only while the full image (4 bytes a pixel) stays within this; larger
    // ones are not decoded at all. Also the allocation limit of every decode.
    qint64 fullDecodeBudgetBytes = qint64(128) * 1024 * 1024;
    // Text shows at most this many bytes from the start of the file.
    qint64 textByteLimit = qint64(256) * 1024;
    // A folder's items are counted up to this many.
    qsizetype folderCountLimit = 10000;
};

// What the preview area shows for one URL: the picture, the text, or a summary (a large icon,
// the name and the facts of the item) for everything else and for what could not be read.
// Made by loadQuickLookPreview; a plain value the views only draw.
struct QuickLookPreview {
    enum class Kind { image, text, summary };

    Kind kind = Kind::summary;
    QString name;
    QString symbolName;
    // What kind of item it is, in words ("PNG 图像", "文件夹").
    QString kindText;
    std::optional<qint64> fileSize;          // files only
    std::optional<QDateTime> modifiedAt;     // whatever exists
    std::optional<qsizetype> itemCount;      // readable folders only
    bool itemCountReachedLimit = false;      // more items than were counted
    std::optional<QSize> imagePixelSize;     // images whose header could be read, as displayed
    QImage image;                            // Kind::image
    QString text;                            // Kind::text
    bool isTextTruncated = false;
    bool isMonospaced = false;
    // Why the content itself is not shown (a missing file, an image too large); empty when the
    // item is shown as it should be.
    QString note;

    // The summary's lines under the name: kind, size, dimensions, item count, date.
    QStringList summaryLines() const;
};

// Reads what the preview shows for `url`. The item is looked at, never run: only a regular
// file is opened, read-only and without blocking, and only an image or a text type (by its
// extension, see platform/ContentTypes.h) is read at all, within `limits`. A folder's names are
// listed for the count. A URL that is no absolute local path shows as an item that cannot be
// previewed; nothing is resolved against the working directory.
[[nodiscard]] QuickLookPreview loadQuickLookPreview(const QUrl& url, const QuickLookPreviewLimits& limits = {});

// The standardized form of a file URL that the presenter compares: "." and ".." resolved, no
// doubled or trailing slash, symbolic links kept. Other URLs with their path segments
// normalized.
[[nodiscard]] QUrl standardizedPreviewURL(const QUrl& url);

// What the header's buttons do with the file. Injected, so that a test never starts a program.
struct QuickLookFileActions {
    std::function<void(const QUrl&)> openExternal;       // with its default program
    std::function<void(const QUrl&)> revealInFileManager; // show it in the file manager

    // The desktop's: open through the desktop's URL handler; reveal by opening the folder
    // that holds the item.
    static QuickLookFileActions system();
};

// The floating window of the preview: frameless, above ordinary windows, on every workspace,
// out of the task bar. It takes the keyboard focus when shown (it can become key) but is never
// the application's main window. Space and Escape anywhere in it call onDismissKey; they are
// swallowed while it is unset. A press on its background moves it; the corner grip resizes it.
class QuickLookHUDPanel final : public QWidget {
    Q_OBJECT

public:
    static constexpr int cornerRadius = 20;

    explicit QuickLookHUDPanel(DesignEnvironment* environment);
    ~QuickLookHUDPanel() override;

    std::function<void()> onDismissKey;
    // The window's own close (the window manager's close, Alt+F4): the panel orders out at
    // once, without a fade.
    std::function<void()> onWindowWillClose;

    void setHeader(QWidget* header);
    void setPreviewArea(QWidget* previewArea);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void layOutChildren();

    QPointer<DesignEnvironment> m_environment;
    QWidget* m_header = nullptr;
    QWidget* m_previewArea = nullptr;
    QWidget* m_sizeGrip = nullptr;
    // A move we carry out ourselves where the window system offers none.
    std::optional<QPoint> m_dragOffset;
};

// The strip at the top of the panel: the item's icon, its title and path, and the buttons
// that show it in the file manager, open it and close the preview.
class QuickLookHeaderStrip final : public QWidget {
    Q_OBJECT

public:
    static constexpr int height = 52;

    explicit QuickLookHeaderStrip(DesignEnvironment* environment, QWidget* parent = nullptr);

    std::function<void()> onRevealInFinder;
    std::function<void()> onOpenExternal;
    std::function<void()> onClose;

    void setFile(const QUrl& url, const QString& title);
    const QUrl& url() const { return m_url; }
    QString title() const;
    QString pathText() const;
    QString symbolName() const;

    LiquidGlassPillButton* revealButton() const { return m_revealButton; }
    LiquidGlassPillButton* openButton() const { return m_openButton; }
    LiquidGlassButton* closeButton() const { return m_closeButton; }

private:
    QUrl m_url;
    LiquidGlassIconBadge* m_icon;
    GlassTextLabel* m_title;
    QuickLookPathLabel* m_path;
    LiquidGlassPillButton* m_revealButton;
    LiquidGlassPillButton* m_openButton;
    LiquidGlassButton* m_closeButton;
};

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
    QPlainTextEdit* textView() const { return m_textView; }
    QWidget* summaryView() const;
    GlassTextLabel* textNote() const { return m_textNote; }

private:
    std::optional<QuickLookPreview> m_preview;
    QStackedLayout* m_stack;
    QWidget* m_emptyPage;
    QuickLookImageView* m_imageView;
    QWidget* m_textPage;
    QPlainTextEdit* m_textView;
    GlassTextLabel* m_textNote;
    QuickLookSummaryView* m_summaryView;
};

// Shows one file at a time in the floating preview panel. The panel is made on first use and
// kept; showing fades it in over 0.2 s, centred on the screen, and hiding fades it out over
// 0.16 s. Showing another file while it is open swaps the content in place.
//
// Main thread only.
class QuickLookPresenter final : public QObject {
    Q_OBJECT

public:
    static constexpr int fadeInMs = 200;
    static constexpr int fadeOutMs = 160;
    static constexpr QSize initialSize{720, 540};
    static constexpr QSize minimumSize{460, 340};

    // The program's one presenter, made on first use with the desktop's file actions. It lives
    // until the process ends.
    static QuickLookPresenter& shared();

    // A presenter of its own, for tests and embedders. `environment` (optional) supplies the
    // reduce-transparency setting; the panel is always drawn in the dark look of a HUD.
    explicit QuickLookPresenter(QuickLookFileActions actions, DesignEnvironment* environment = nullptr,
                                QuickLookPreviewLimits limits = {}, QObject* parent = nullptr);
    ~QuickLookPresenter() override;

    // Shows the file, titled `title` or, without one, by its name.
    void present(const QUrl& url, const std::optional<QString>& title = std::nullopt);
    // Hides the panel when it shows this very file (compared standardized), otherwise shows it.
    void togglePreview(const QUrl& url, const std::optional<QString>& title = std::nullopt);
    // Fades the panel out when it is shown; otherwise nothing.
    void dismiss();

    // The panel exists and is on screen, also while it fades out.
    bool isVisible() const;
    // A fade-out is running; the panel orders out when it ends.
    bool isFadingOut() const { return m_isFadingOut; }
    // The standardized URL shown; none while nothing is.
    const std::optional<QUrl>& currentURL() const { return m_currentURL; }

    // None until the first present().
    QuickLookHUDPanel* panel() const { return m_panel; }
    QuickLookHeaderStrip* headerStrip() const { return m_header; }
    QuickLookContainerView* previewContainer() const { return m_container; }

private:
    void ensurePanel();
    void fadeTo(double alpha, int durationMs);
    void stopFade();
    void finishFadeOut();
    void windowWillClose();

    QuickLookFileActions m_actions;
    QuickLookPreviewLimits m_limits;
    DesignEnvironment* m_hudEnvironment;
    QPointer<QuickLookHUDPanel> m_panel;
    QPointer<QuickLookHeaderStrip> m_header;
    QPointer<QuickLookContainerView> m_container;
    std::optional<QUrl> m_currentURL;
    QPointer<QPropertyAnimation> m_fade;
    bool m_isFadingOut = false;
};

} // namespace mv
