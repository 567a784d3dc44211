#include "desktop/preview/QuickLookPresenter.h"

#include "core/engine/FilePaths.h"
#include "core/engine/PortalScan.h"
#include "core/engine/PortalTypes.h"
#include "core/models/PlatformWords.h"
#include "design/DesignEnvironment.h"
#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassSurfaces.h"
#include "design/LiquidGlassTokens.h"
#include "design/SymbolIcons.h"
#include "platform/ContentTypes.h"
#include "platform/gui/DesktopWindowLayer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSizeGrip>
#include <QStackedLayout>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <QWindow>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

namespace mv {

namespace {

using platform::conforms;
namespace typeId = platform::contentTypeId;

// The path of a local file URL that the preview may look at: absolute, free of NUL, as written
// (not cleaned: the URL is standardized before it gets here). None for anything else.
std::optional<QString> previewablePath(const QUrl& url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    const std::optional<QString> path = filepaths::localPath(url);
    if (!path || !FolderPortalEngine::isBoundPath(*path))
        return std::nullopt;
    return path;
}

QString itemName(const QUrl& url)
{
    if (const std::optional<QString> path = previewablePath(url)) {
        const QString name = filepaths::lastComponent(*path);
        return name.isEmpty() ? *path : name;
    }
    const QString name = url.fileName();
    return name.isEmpty() ? url.toDisplayString() : name;
}

bool isDirectoryAt(const QString& path)
{
    struct stat status{};
    return ::stat(filepaths::encoded(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

QDateTime modificationDate(const struct stat& status)
{
    const qint64 milliseconds = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

QString formattedDate(const QDateTime& date)
{
    const QDateTime local = date.toLocalTime();
    return QStringLiteral("%1年%2月%3日 %4")
        .arg(local.date().year())
        .arg(local.date().month())
        .arg(local.date().day())
        .arg(local.time().toString(QStringLiteral("HH:mm")));
}

QString formattedSize(qint64 bytes)
{
    PortalFileEntry entry;
    entry.fileSize = bytes;
    return entry.formattedSize();
}

// The kind of an item in words, from its content type, as a file manager names it.
QString kindText(const QString& name, bool isDirectory, const std::optional<QString>& type)
{
    const QString extension = FolderPortalEngine::pathExtension(name).toUpper();
    if (isDirectory)
        return extension == u"APP" ? QStringLiteral("应用程序") : QStringLiteral("文件夹");
    const auto prefixed = [&extension](const QString& kind) {
        return extension.isEmpty() ? kind : extension + u' ' + kind;
    };
    if (!type)
        return prefixed(QStringLiteral("文件"));
    if (conforms(*type, typeId::pdf))
        return QStringLiteral("PDF 文稿");
    if (conforms(*type, typeId::image))
        return prefixed(QStringLiteral("图像"));
    if (conforms(*type, typeId::movie))
        return prefixed(QStringLiteral("影片"));
    if (conforms(*type, typeId::audio))
        return prefixed(QStringLiteral("音频"));
    if (conforms(*type, u"public.disk-image"))
        return prefixed(QStringLiteral("磁盘映像"));
    if (conforms(*type, typeId::archive))
        return prefixed(QStringLiteral("归档"));
    if (conforms(*type, typeId::sourceCode))
        return prefixed(QStringLiteral("源代码"));
    if (conforms(*type, typeId::text))
        return prefixed(QStringLiteral("文本"));
    if (conforms(*type, u"public.spreadsheet"))
        return prefixed(QStringLiteral("电子表格"));
    if (conforms(*type, u"public.presentation"))
        return prefixed(QStringLiteral("演示文稿"));
    if (conforms(*type, u"public.font"))
        return prefixed(QStringLiteral("字体"));
    if (conforms(*type, u"public.composite-content"))
        return prefixed(QStringLiteral("文稿"));
    return prefixed(QStringLiteral("文件"));
}

// Source code and structured text read best in a fixed-pitch face; prose does not.
bool readsAsCode(const QString& type)
{
    return conforms(type, typeId::sourceCode) || !conforms(type, typeId::plainText);
}

// A regular file opened read-only. The open does not block (a FIFO or device that took the
// place of the file after it was looked at would otherwise hang the main thread, or wait for a
// writer) and the opened file is checked again, so that only a regular file is ever read.
std::unique_ptr<QFile> openRegularFile(const QString& path)
{
    const int fd = ::open(filepaths::encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status{};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

QSize fittedSize(QSize size, int maximumSide)
{
    if (size.width() <= maximumSide && size.height() <= maximumSide)
        return size;
    return size.scaled(maximumSide, maximumSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// The formats whose decoders produce a reduced size directly: JPEG scales while decoding the
// compressed blocks, and vector images are drawn at the size asked for.
bool decodesReduced(const QByteArray& format)
{
    const QByteArray lower = format.toLower();
    return lower == "jpeg" || lower == "jpg" || lower == "svg" || lower == "svgz";
}

void readImage(QuickLookPreview& preview, QIODevice* device, const QuickLookPreviewLimits& limits)
{
    QImageReader reader(device);
    reader.setAutoTransform(true);
    // A backstop for what the header does not tell: no decode allocates more than the budget.
    constexpr qint64 megabyte = 1024 * 1024;
    const qint64 budget = std::max<qint64>(limits.fullDecodeBudgetBytes, 1);
    reader.setAllocationLimit(int(std::min<qint64>((budget + megabyte - 1) / megabyte, 1 << 20)));

    const QSize size = reader.size();
    if (size.isValid() && !size.isEmpty()) {
        const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        preview.imagePixelSize = turned ? size.transposed() : size;
        const qint64 fullBytes = qint64(size.width()) * size.height() * 4;
        // Formats that decode at a reduced size never hold the full image; the others would
        // (PNG's handler, for one, takes a scaled size but decodes in full first), and are
        // refused when that is more than the budget.
        if (fullBytes > budget && !decodesReduced(reader.format())) {
            preview.note = QStringLiteral("图像过大，无法预览");
            return;
        }
        const QSize target = fittedSize(size, std::max(1, limits.maximumImageSide));
        if (target != size)
            reader.setScaledSize(target);
    }
    QImage image = reader.read();
    if (image.isNull()) {
        preview.note = QStringLiteral("无法读取此图像");
        return;
    }
    // A format that ignored the scaled size still shows no larger than the limit.
    const QSize shown = fittedSize(image.size(), std::max(1, limits.maximumImageSide));
    if (shown != image.size())
        image = image.scaled(shown, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!preview.imagePixelSize)
        preview.imagePixelSize = image.size();
    preview.image = std::move(image);
    preview.kind = QuickLookPreview::Kind::image;
}

void readText(QuickLookPreview& preview, QIODevice* device, const QuickLookPreviewLimits& limits,
              bool monospaced)
{
    const qint64 limit = std::max<qint64>(limits.textByteLimit, 1);
    // One byte more than is shown tells whether there is more.
    QByteArray bytes = device->read(limit + 1);
    const bool truncated = bytes.size() > limit;
    if (truncated)
        bytes.truncate(limit);
    // A NUL never occurs in text: this is a binary file with a text extension.
    if (bytes.contains('\0'))
        return;
    // When cut short, a character split at the cut stays in the decoder instead of showing as
    // a replacement character; otherwise an incomplete last sequence is invalid and shows.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           truncated ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    preview.text = std::move(text);
    preview.isTextTruncated = truncated;
    preview.isMonospaced = monospaced;
    preview.kind = QuickLookPreview::Kind::text;
}

// The names of the folder that a file manager shows (hidden ones left out), counted up to the
// limit. None when the folder cannot be read.
std::optional<qsizetype> countItems(const QString& path, qsizetype limit, bool& reachedLimit)
{
    DIR* dir = ::opendir(filepaths::encoded(path).constData());
    if (!dir)
        return std::nullopt;
    qsizetype count = 0;
    reachedLimit = false;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        if (count >= limit) {
            reachedLimit = true;
            break;
        }
        ++count;
    }
    const bool failed = errno != 0 && !reachedLimit;
    ::closedir(dir);
    if (failed)
        return std::nullopt;
    return count;
}

QColor hudPrimary()
{
    return GlassPalette::primaryForeground(ColorScheme::dark);
}

QColor hudSecondary()
{
    return GlassPalette::secondaryForeground(ColorScheme::dark);
}

QFont monospacedFont(qreal pixelSize)
{
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(std::max(1, int(std::lround(pixelSize))));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

// --- The preview's content ---------------------------------------------------------------

QStringList QuickLookPreview::summaryLines() const
{
    QStringList lines;
    lines.append(QStringLiteral("种类：") + kindText);
    if (fileSize)
        lines.append(QStringLiteral("大小：") + formattedSize(*fileSize));
    if (imagePixelSize)
        lines.append(QStringLiteral("尺寸：%1 × %2 像素").arg(imagePixelSize->width()).arg(imagePixelSize->height()));
    if (itemCount) {
        lines.append(itemCountReachedLimit ? QStringLiteral("包含：超过 %1 个项目").arg(*itemCount)
                                           : QStringLiteral("包含：%1 个项目").arg(*itemCount));
    }
    if (modifiedAt)
        lines.append(QStringLiteral("修改日期：") + formattedDate(*modifiedAt));
    return lines;
}

QuickLookPreview loadQuickLookPreview(const QUrl& url, const QuickLookPreviewLimits& limits)
{
    QuickLookPreview preview;
    preview.name = itemName(url);
    preview.symbolName = FolderPortalEngine::inferSymbol(preview.name, FolderPortalEngine::EntryKind::File, std::nullopt);
    const QString extension = FolderPortalEngine::pathExtension(preview.name);
    const platform::ContentType* fileType = platform::contentTypeForExtension(extension);
    std::optional<QString> type = fileType ? std::optional<QString>(fileType->identifier) : std::nullopt;
    preview.kindText = kindText(preview.name, false, type);

    const std::optional<QString> path = previewablePath(url);
    if (!path) {
        preview.note = QStringLiteral("无法预览此项目");
        return preview;
    }
    struct stat status{};
    if (::stat(filepaths::encoded(*path).constData(), &status) != 0) {
        preview.note = errno == ENOENT || errno == ENOTDIR ? QStringLiteral("找不到此文件")
                                                           : QStringLiteral("无法读取此文件");
        return preview;
    }
    preview.modifiedAt = modificationDate(status);

    if (S_ISDIR(status.st_mode)) {
        preview.symbolName = FolderPortalEngine::inferSymbol(preview.name, FolderPortalEngine::EntryKind::Folder,
                                                            typeId::folder.toString());
        preview.kindText = kindText(preview.name, true, std::nullopt);
        bool reachedLimit = false;
        preview.itemCount = countItems(*path, std::max<qsizetype>(limits.folderCountLimit, 0), reachedLimit);
        preview.itemCountReachedLimit = preview.itemCount && reachedLimit;
        if (!preview.itemCount)
            preview.note = QStringLiteral("无法读取此文件夹的内容");
        return preview;
    }

    preview.symbolName = FolderPortalEngine::inferSymbol(preview.name, FolderPortalEngine::EntryKind::File, type);
    preview.fileSize = qint64(status.st_size);
    // Only regular files are read, and only those whose type the preview can draw.
    if (!S_ISREG(status.st_mode) || !type)
        return preview;
    const bool isImage = conforms(*type, typeId::image);
    const bool isText = conforms(*type, typeId::text);
    if (!isImage && !isText)
        return preview;

    const std::unique_ptr<QFile> file = openRegularFile(*path);
    if (!file) {
        preview.note = QStringLiteral("无法读取此文件");
        return preview;
    }
    if (isImage)
        readImage(preview, file.get(), limits);
    else
        readText(preview, file.get(), limits, readsAsCode(*type));
    return preview;
}

QUrl standardizedPreviewURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return url.adjusted(QUrl::NormalizePathSegments);
    const std::optional<QString> local = filepaths::localPath(url);
    if (!local || !QDir::isAbsolutePath(*local))
        return url.adjusted(QUrl::NormalizePathSegments);
    QString path = QDir::cleanPath(*local);
    // cleanPath keeps ".." at the root, where it names the root itself.
    while (path == u"/.." || path.startsWith(u"/../"))
        path.remove(0, 3);
    return QUrl::fromLocalFile(path.isEmpty() ? QStringLiteral("/") : path);
}

QuickLookFileActions QuickLookFileActions::system()
{
    QuickLookFileActions actions;
    // Failures are silent, as for every platform file action.
    actions.openExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    actions.revealInFileManager = [](const QUrl& url) {
        // FIXME: select the item through the file manager's ShowItems D-Bus call; opening the
        // folder that holds it is the fallback every desktop understands.
        if (const std::optional<QString> path = previewablePath(url))
            QDesktopServices::openUrl(QUrl::fromLocalFile(filepaths::parentPath(*path)));
    };
    return actions;
}

// --- Views --------------------------------------------------------------------------------

// One line of path text, cut in the middle where it does not fit, so that both the start and
// the file name stay readable.
class QuickLookPathLabel final : public QWidget {
public:
    explicit QuickLookPathLabel(QWidget* parent)
        : QWidget(parent)
        , m_font(monospacedFont(10.5))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setFixedHeight(QFontMetrics(m_font).height());
    }

    void setText(const QString& text)
    {
        if (text == m_text)
            return;
        m_text = text;
        setToolTip(text);
        update();
    }
    const QString& text() const { return m_text; }

    QSize sizeHint() const override { return {QFontMetrics(m_font).horizontalAdvance(m_text), height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(m_font);
        painter.setPen(hudSecondary());
        const QString shown = QFontMetrics(m_font).elidedText(m_text, Qt::ElideMiddle, width());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }

private:
    QFont m_font;
    QString m_text;
};

// The picture, scaled down to fit and centred; never enlarged past its own size.
class QuickLookImageView final : public QWidget {
public:
    explicit QuickLookImageView(QWidget* parent)
        : QWidget(parent)
    {
    }

    void setImage(QImage image)
    {
        m_image = std::move(image);
        m_scaled = QImage();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_image.isNull())
            return;
        const qreal ratio = devicePixelRatioF();
        const QSizeF logical = QSizeF(m_image.size()) / ratio;
        QSizeF shown = logical;
        if (shown.width() > width() || shown.height() > height())
            shown = logical.scaled(QSizeF(size()), Qt::KeepAspectRatio);
        const QSize devicePixels = (shown * ratio).toSize().expandedTo(QSize(1, 1));
        // Scaling once per size keeps repaints cheap while the panel is resized.
        if (m_scaled.size() != devicePixels) {
            m_scaled = devicePixels == m_image.size()
                ? m_image
                : m_image.scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_scaled.setDevicePixelRatio(ratio);
        }
        const QRectF target(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_scaled);
    }

private:
    QImage m_image;
    QImage m_scaled;
};

// A large icon over the item's name, its facts and, when there is one, why nothing more shows.
class QuickLookSummaryView final : public QWidget {
public:
    static constexpr qreal iconSide = 96;

    explicit QuickLookSummaryView(QWidget* parent)
        : QWidget(parent)
    {
    }

    void setPreview(const QuickLookPreview& preview)
    {
        m_symbolName = preview.symbolName;
        m_name = preview.name;
        m_lines = preview.summaryLines();
        m_note = preview.note;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_name.isEmpty() && m_symbolName.isEmpty())
            return;
        const QFont nameFont = designFont(16, QFont::DemiBold);
        const QFont lineFont = designFont(12);
        const qreal width = std::max<qreal>(this->width() - 48, 40);
        const QStringList nameLines = layoutTextLines(m_name, nameFont, width, 2);
        const QFontMetricsF nameMetrics(nameFont);
        const QFontMetricsF lineMetrics(lineFont);
        QStringList lines = m_lines;
        if (!m_note.isEmpty())
            lines.append(m_note);

        constexpr qreal iconGap = 16;
        constexpr qreal nameGap = 10;
        const qreal total = iconSide + iconGap + nameLines.size() * nameMetrics.height() + nameGap
            + lines.size() * (lineMetrics.height() + 2);
        qreal y = std::max<qreal>((height() - total) / 2, 0);

        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF iconRect((this->width() - iconSide) / 2, y, iconSide, iconSide);
        SymbolIcons::paint(painter, iconRect, m_symbolName, iconSide, withOpacity(hudPrimary(), 0.9));
        y += iconSide + iconGap;

        painter.setFont(nameFont);
        painter.setPen(hudPrimary());
        for (const QString& line : nameLines) {
            painter.drawText(QRectF(24, y, width, nameMetrics.height()), Qt::AlignCenter | Qt::TextSingleLine, line);
            y += nameMetrics.height();
        }
        y += nameGap;

        painter.setFont(lineFont);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const bool isNote = !m_note.isEmpty() && i == lines.size() - 1;
            painter.setPen(isNote ? GlassPalette::systemOrange(ColorScheme::dark) : hudSecondary());
            const QString shown = lineMetrics.elidedText(lines.at(i), Qt::ElideMiddle, width);
            painter.drawText(QRectF(24, y, width, lineMetrics.height()), Qt::AlignCenter | Qt::TextSingleLine, shown);
            y += lineMetrics.height() + 2;
        }
    }

private:
    QString m_symbolName;
    QString m_name;
    QStringList m_lines;
    QString m_note;
};

QuickLookContainerView::QuickLookContainerView(QWidget* parent)
    : QWidget(parent)
    , m_stack(new QStackedLayout(this))
    , m_emptyPage(new QWidget(this))
    , m_imageView(new QuickLookImageView(this))
    , m_textPage(new QWidget(this))
    , m_textView(new QPlainTextEdit(m_textPage))
    , m_textNote(new GlassTextLabel(m_textPage))
    , m_summaryView(new QuickLookSummaryView(this))
{
    m_stack->setContentsMargins(0, 0, 0, 0);

    // Read-only: the text can be selected and copied, never changed.
    m_textView->setReadOnly(true);
    m_textView->setUndoRedoEnabled(false);
    m_textView->setFrameShape(QFrame::NoFrame);
    m_textView->document()->setDocumentMargin(10);
    m_textView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = m_textView->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 0, 70));
    palette.setColor(QPalette::Text, withOpacity(hudPrimary(), 0.92));
    palette.setColor(QPalette::Highlight, withOpacity(GlassPalette::systemBlue(ColorScheme::dark), 0.6));
    palette.setColor(QPalette::HighlightedText, hudPrimary());
    m_textView->setPalette(palette);
    m_textView->viewport()->setPalette(palette);

    m_textNote->setFont(designFont(11));
    m_textNote->setColor(hudSecondary());
    m_textNote->setText(QStringLiteral("仅显示文件开头的一部分"));
    m_textNote->hide();

    auto* textLayout = new QVBoxLayout(m_textPage);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(4);
    textLayout->addWidget(m_textView, 1);
    textLayout->addWidget(m_textNote);

    m_stack->addWidget(m_emptyPage);
    m_stack->addWidget(m_imageView);
    m_stack->addWidget(m_textPage);
    m_stack->addWidget(m_summaryView);
    m_stack->setCurrentWidget(m_emptyPage);
}

QWidget* QuickLookContainerView::imageView() const
{
    return m_imageView;
}

QWidget* QuickLookContainerView::summaryView() const
{
    return m_summaryView;
}

QWidget* QuickLookContainerView::currentView() const
{
    QWidget* current = m_stack->currentWidget();
    return current == m_textPage ? m_textView : current;
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
    case QuickLookPreview::Kind::text: {
        m_textView->setFont(preview.isMonospaced ? monospacedFont(12) : designFont(13));
        m_textView->setLineWrapMode(preview.isMonospaced ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        m_textView->setPlainText(preview.text);
        m_textView->moveCursor(QTextCursor::Start);
        m_textNote->setVisible(preview.isTextTruncated);
        m_stack->setCurrentWidget(m_textPage);
        break;
    }
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
    m_title->setColor(hudPrimary());
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

// --- The panel ----------------------------------------------------------------------------

QuickLookHUDPanel::QuickLookHUDPanel(DesignEnvironment* environment)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_environment(environment)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("预览"));
    auto* grip = new QSizeGrip(this);
    grip->resize(grip->sizeHint());
    m_sizeGrip = grip;
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    // Above ordinary windows and on every workspace, out of the task bar and pager.
    winId();
    platform::applyDesktopLayer(windowHandle(), platform::DesktopLayer::floating);
    // Space and Escape reach the panel before whichever of its widgets has the focus.
    qApp->installEventFilter(this);
}

QuickLookHUDPanel::~QuickLookHUDPanel()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

void QuickLookHUDPanel::setHeader(QWidget* header)
{
    m_header = header;
    header->setParent(this);
    layOutChildren();
}

void QuickLookHUDPanel::setPreviewArea(QWidget* previewArea)
{
    m_previewArea = previewArea;
    previewArea->setParent(this);
    layOutChildren();
}

// An application-wide filter sees a key press before the widget it is meant for: a focused
// button would otherwise take Space as a click.
bool QuickLookHUDPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget*>(watched)->window() != this)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Space && key != Qt::Key_Escape)
        return false;
    event->accept();
    // A copy: the callback may replace itself.
    if (const std::function<void()> dismiss = onDismissKey)
        dismiss();
    return true;
}

void QuickLookHUDPanel::paintEvent(QPaintEvent*)
{
    const bool opaque = m_environment && m_environment->reduceTransparency();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(bounds, cornerRadius, cornerRadius);
    painter.fillPath(outline, opaque ? QColor(30, 30, 32) : QColor(24, 24, 27, 224));
    painter.setPen(QPen(QColor(255, 255, 255, opaque ? 40 : 30), 1));
    painter.drawPath(outline);
}

void QuickLookHUDPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutChildren();
}

// The header spans the top; the preview fills the rest, 12 inside the sides and the bottom.
void QuickLookHUDPanel::layOutChildren()
{
    const int headerHeight = QuickLookHeaderStrip::height;
    if (m_header)
        m_header->setGeometry(0, 0, width(), headerHeight);
    if (m_previewArea)
        m_previewArea->setGeometry(12, headerHeight + 2, std::max(0, width() - 24),
                                   std::max(0, height() - headerHeight - 14));
    if (m_sizeGrip) {
        m_sizeGrip->move(width() - m_sizeGrip->width() - 4, height() - m_sizeGrip->height() - 4);
        m_sizeGrip->raise();
    }
}

// Movable by its background: a press that no child takes moves the panel.
void QuickLookHUDPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    QWindow* window = windowHandle();
    if (!window || !window->startSystemMove())
        m_dragOffset = event->globalPosition().toPoint() - pos();
}

void QuickLookHUDPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragOffset || !event->buttons().testFlag(Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - *m_dragOffset);
}

void QuickLookHUDPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

void QuickLookHUDPanel::closeEvent(QCloseEvent* event)
{
    if (const std::function<void()> willClose = onWindowWillClose)
        willClose();
    QWidget::closeEvent(event);
}

// --- The presenter ------------------------------------------------------------------------

QuickLookPresenter& QuickLookPresenter::shared()
{
    // Never deleted: its widgets must not outlive the application object, which a static's
    // destructor would run after.
    static QuickLookPresenter* const presenter = new QuickLookPresenter(QuickLookFileActions::system());
    return *presenter;
}

QuickLookPresenter::QuickLookPresenter(QuickLookFileActions actions, DesignEnvironment* environment,
                                       QuickLookPreviewLimits limits, QObject* parent)
    : QObject(parent)
    , m_actions(std::move(actions))
    , m_limits(limits)
    , m_hudEnvironment(new DesignEnvironment(this))
{
    // A HUD is dark in either appearance; the accessibility settings follow the program's.
    m_hudEnvironment->setColorScheme(ColorScheme::dark);
    if (environment) {
        const QPointer<DesignEnvironment> source(environment);
        const auto follow = [this, source] {
            if (!source)
                return;
            m_hudEnvironment->setReduceTransparency(source->reduceTransparency());
            m_hudEnvironment->setReduceMotion(source->reduceMotion());
        };
        follow();
        connect(environment, &DesignEnvironment::changed, this, follow);
    } else {
        m_hudEnvironment->readFromDesktop();
        m_hudEnvironment->setColorScheme(ColorScheme::dark);
    }
}

QuickLookPresenter::~QuickLookPresenter()
{
    stopFade();
    delete m_panel.data();
}

void QuickLookPresenter::ensurePanel()
{
    if (m_panel)
        return;
    auto* panel = new QuickLookHUDPanel(m_hudEnvironment);
    panel->resize(initialSize);
    panel->setMinimumSize(minimumSize);

    const QPointer<QuickLookPresenter> self(this);
    panel->onDismissKey = [self] {
        if (self)
            self->dismiss();
    };
    panel->onWindowWillClose = [self] {
        if (self)
            self->windowWillClose();
    };

    auto* header = new QuickLookHeaderStrip(m_hudEnvironment);
    header->setFile(QUrl::fromLocalFile(QDir::homePath()), QStringLiteral("预览"));
    header->onRevealInFinder = [self] {
        if (self && self->m_header && self->m_actions.revealInFileManager)
            self->m_actions.revealInFileManager(self->m_header->url());
    };
    header->onOpenExternal = [self] {
        if (!self || !self->m_header)
            return;
        if (self->m_actions.openExternal)
            self->m_actions.openExternal(self->m_header->url());
        if (self)
            self->dismiss();
    };
    header->onClose = [self] {
        if (self)
            self->dismiss();
    };
    auto* container = new QuickLookContainerView;

    panel->setHeader(header);
    panel->setPreviewArea(container);
    m_panel = panel;
    m_header = header;
    m_container = container;
}

void QuickLookPresenter::present(const QUrl& url, const std::optional<QString>& title)
{
    const QUrl file = standardizedPreviewURL(url);
    m_currentURL = file;
    ensurePanel();

    const QString shownTitle = title && !title->isEmpty() ? *title : itemName(file);
    m_header->setFile(file, shownTitle);
    m_container->setPreview(loadQuickLookPreview(file, m_limits));

    if (m_panel->isVisible()) {
        // Another file while open: swapped in place, where the user put the panel. One that
        // comes while the panel fades out keeps it on screen.
        if (m_isFadingOut) {
            m_isFadingOut = false;
            fadeTo(1.0, fadeInMs);
        }
        m_panel->raise();
        m_panel->activateWindow();
        return;
    }

    stopFade();
    m_isFadingOut = false;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().constFirst();
    if (screen) {
        const QRect visible = screen->availableGeometry();
        m_panel->move(visible.center() - QPoint(m_panel->width() / 2, m_panel->height() / 2));
    }
    m_panel->setWindowOpacity(0.0);
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    fadeTo(1.0, fadeInMs);
}

void QuickLookPresenter::togglePreview(const QUrl& url, const std::optional<QString>& title)
{
    if (isVisible() && m_currentURL && *m_currentURL == standardizedPreviewURL(url)) {
        dismiss();
        return;
    }
    present(url, title);
}

void QuickLookPresenter::dismiss()
{
    if (!isVisible() || m_isFadingOut)
        return;
    m_currentURL.reset();
    m_isFadingOut = true;
    fadeTo(0.0, fadeOutMs);
}

bool QuickLookPresenter::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

void QuickLookPresenter::fadeTo(double alpha, int durationMs)
{
    stopFade();
    auto* animation = new QPropertyAnimation(m_panel, QByteArrayLiteral("windowOpacity"), m_panel);
    animation->setDuration(durationMs);
    animation->setEndValue(alpha);
    connect(animation, &QAbstractAnimation::finished, this, [this, animation] {
        if (m_fade != animation)
            return;
        m_fade = nullptr;
        if (m_isFadingOut)
            finishFadeOut();
    });
    m_fade = animation;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// Stops a running fade where it is, without its completion.
void QuickLookPresenter::stopFade()
{
    if (QPropertyAnimation* running = m_fade) {
        m_fade = nullptr;
        running->stop();
    }
}

// The fade-out's end: the panel orders out, ready at full opacity for the next showing, and
// lets go of what it showed.
void QuickLookPresenter::finishFadeOut()
{
    m_isFadingOut = false;
    if (m_panel) {
        m_panel->hide();
        m_panel->setWindowOpacity(1.0);
    }
    if (m_container)
        m_container->clear();
}

// The window's own close orders the panel out at once; the next showing is centred and fades
// in again.
void QuickLookPresenter::windowWillClose()
{
    stopFade();
    m_isFadingOut = false;
    m_currentURL.reset();
    if (m_container)
        m_container->clear();
    if (m_panel)
        m_panel->setWindowOpacity(1.0);
}

} // namespace mv
