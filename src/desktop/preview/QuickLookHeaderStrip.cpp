#include "desktop/preview/QuickLookHeaderStrip.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "core/models/PlatformWords.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassIconBadge.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassToolbarGroup.h"
#include "desktop/preview/QuickLookHUDStyle.h"
#include "desktop/preview/QuickLookPathLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace mv {

namespace {

bool isDirectoryAt(const QString& path)
{
    struct stat status{};
    return ::stat(filepaths::encoded(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

QuickLookHeaderStrip::QuickLookHeaderStrip(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_icon(new LiquidGlassIconBadge(environment, QStringLiteral("doc.fill"), FenceTintPalette::cerulean, 28, this))
    , m_title(new GlassTextLabel(this))
    , m_path(new QuickLookPathLabel(this))
    , m_revealButton(new LiquidGlassPillButton(environment, withPlatformWords(QStringLiteral("访达")),
                                               QStringLiteral("folder"), FenceTintPalette::crystal))
    , m_openButton(new LiquidGlassPillButton(environment, QStringLiteral("打开"),
                                             QStringLiteral("arrow.up.forward.app"), FenceTintPalette::cerulean))
    , m_closeButton(new LiquidGlassButton(environment))
{
    setFixedHeight(height);

    m_title->setFont(designFont(13, QFont::DemiBold));
    m_title->setColor(quicklook::hudPrimary());
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_revealButton->setCompact(true);
    m_revealButton->action = [this] {
        if (const std::function<void()> reveal = onRevealInFinder)
            reveal();
    };
    m_openButton->setProminent(true);
    m_openButton->setCompact(true);
    m_openButton->action = [this] {
        if (const std::function<void()> open = onOpenExternal)
            open();
    };
    m_closeButton->setSymbolName(QStringLiteral("xmark"));
    m_closeButton->setSymbolFont(11, QFont::Bold);
    m_closeButton->setFixedFrame(QSize(24, 24));
    m_closeButton->setToolTip(QStringLiteral("关闭预览 (Space / Esc)"));
    m_closeButton->setAccessibleName(QStringLiteral("关闭预览"));
    connect(m_closeButton, &QAbstractButton::clicked, this, [this] {
        if (const std::function<void()> close = onClose)
            close();
    });

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    texts->addWidget(m_title);
    texts->addWidget(m_path);

    auto* buttons = new LiquidGlassToolbarGroup(8, this);
    buttons->addWidget(m_revealButton);
    buttons->addWidget(m_openButton);
    buttons->addWidget(m_closeButton);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(10);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    row->addSpacing(8);
    row->addWidget(buttons, 0, Qt::AlignVCenter);
}

void QuickLookHeaderStrip::setFile(const QUrl& url, const QString& title)
{
    m_url = url;
    m_title->setText(title);
    m_title->setToolTip(title);
    const std::optional<QString> path = url.isLocalFile() ? filepaths::localPath(url) : std::nullopt;
    m_path->setText(path ? *path : url.toDisplayString());
    // The icon of what the item is: a folder shows as a folder.
    const FolderPortalEngine::EntryKind kind = path && isDirectoryAt(*path) ? FolderPortalEngine::EntryKind::Folder
                                                                            : FolderPortalEngine::EntryKind::File;
    m_icon->setSystemName(FolderPortalEngine::inferSymbol(path ? *path : url.path(), kind, std::nullopt));
}

QString QuickLookHeaderStrip::title() const
{
    return m_title->text();
}

QString QuickLookHeaderStrip::pathText() const
{
    return m_path->text();
}

QString QuickLookHeaderStrip::symbolName() const
{
    return m_icon->systemName();
}

} // namespace mv
