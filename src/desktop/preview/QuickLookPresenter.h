#pragma once

#include "desktop/preview/QuickLookContainerView.h"
#include "desktop/preview/QuickLookFileActions.h"
#include "desktop/preview/QuickLookHUDPanel.h"
#include "desktop/preview/QuickLookHeaderStrip.h"
#include "desktop/preview/QuickLookPreview.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QUrl>

#include <optional>

class QPropertyAnimation;

namespace mv {

class DesignEnvironment;

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

    // `environment` (optional) supplies the reduce-transparency setting; the panel is always
    // drawn in the dark look of a HUD. The program's presenter belongs to its runtime.
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
