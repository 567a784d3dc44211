#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace mv {

class DesignEnvironment;
class GlassTextLabel;
class LiquidGlassButton;
class LiquidGlassIconBadge;
class LiquidGlassPillButton;
class QuickLookPathLabel;

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

} // namespace mv
