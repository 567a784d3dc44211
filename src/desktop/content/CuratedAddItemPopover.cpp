#include "desktop/content/CuratedAddItemPopover.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassPillButton.h"
#include "design/PopoverPlacement.h"
#include "desktop/content/SinglePathDialog.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace mv {

namespace {

// One file or one folder. The dialog's own modes pick either files or folders, so this one
// picks files and takes a folder when the user accepts it instead of entering it (a double
// click still enters). Qt's own dialog, since a native one never comes through accept().
class FileOrFolderDialog final : public QFileDialog {
public:
    explicit FileOrFolderDialog(QWidget* parent)
        : QFileDialog(parent)
    {
        setOption(QFileDialog::DontUseNativeDialog, true);
        setFileMode(QFileDialog::ExistingFile);
        setWindowTitle(CuratedAddItemPopover::browseDialogTitle);
        setLabelText(QFileDialog::Accept, CuratedAddItemPopover::browseAcceptText);
    }

    void accept() override
    {
        const QStringList chosen = selectedFiles();
        std::error_code error;
        if (chosen.size() == 1 && std::filesystem::is_directory(chosen.first().toStdString(), error)) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

std::optional<QString> CuratedAddItemPopover::chooseFileOrFolder(QWidget* parent)
{
    return runSinglePathDialog(new FileOrFolderDialog(parent));
}

QList<std::pair<FenceItemKind, QString>> CuratedAddItemPopover::kindSegments()
{
    return {
        {FenceItemKind::url, QStringLiteral("网页链接")},
        {FenceItemKind::file, QStringLiteral("文件/文件夹")},
        {FenceItemKind::app, QStringLiteral("应用")},
        {FenceItemKind::shortcut, QStringLiteral("快捷指令")},
    };
}

QString CuratedAddItemPopover::targetPlaceholder(FenceItemKind kind)
{
    return kind == FenceItemKind::url ? QStringLiteral("https://...") : QStringLiteral("/路径 或 URL Scheme");
}

bool CuratedAddItemPopover::offersBrowsing(FenceItemKind kind)
{
    return kind == FenceItemKind::file || kind == FenceItemKind::app;
}

CuratedAddItemPopover::CuratedAddItemPopover(DesignEnvironment* environment, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , m_environment(environment)
{
    // The click that closes the popover outside it is not replayed: on the add button it
    // would open it again at once.
    setAttribute(Qt::WA_NoMouseReplay);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(320);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);

    m_heading = new GlassTextLabel(this);
    m_heading->setFont(designFont(13, QFont::DemiBold));
    m_heading->setText(heading);
    column->addWidget(m_heading);

    auto* picker = new QWidget(this);
    picker->setAccessibleName(pickerTitle);
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(4);
    for (const auto& [kind, label] : kindSegments()) {
        auto* button = new LiquidGlassPillButton(environment, label, std::nullopt, FenceTintPalette::crystal, picker);
        button->setCompact(true);
        button->action = [this, kind] { setKind(kind); };
        segments->addWidget(button);
        m_segments.append({kind, button});
    }
    segments->addStretch(1);
    column->addWidget(picker);

    m_title = new QLineEdit(this);
    m_title->setPlaceholderText(titlePlaceholder);
    column->addWidget(m_title);

    auto* targetRow = new QHBoxLayout();
    targetRow->setSpacing(8);
    m_target = new QLineEdit(this);
    targetRow->addWidget(m_target, 1);
    m_browse = new LiquidGlassPillButton(environment, browseText, std::nullopt, FenceTintPalette::crystal, this);
    m_browse->setCompact(true);
    m_browse->action = [this] {
        if (onBrowse)
            onBrowse();
    };
    targetRow->addWidget(m_browse);
    column->addLayout(targetRow);

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(8);
    buttons->addStretch(1);
    m_cancel = new LiquidGlassPillButton(environment, QStringLiteral("取消"), std::nullopt, FenceTintPalette::crystal,
                                         this);
    m_cancel->setCompact(true);
    m_cancel->action = [this] {
        if (onCancel)
            onCancel();
    };
    buttons->addWidget(m_cancel);
    m_add = new LiquidGlassPillButton(environment, QStringLiteral("添加"), std::nullopt, FenceTintPalette::cerulean,
                                      this);
    m_add->setCompact(true);
    m_add->setProminent(true);
    m_add->action = [this] {
        if (onAdd)
            onAdd();
    };
    buttons->addWidget(m_add);
    column->addLayout(buttons);

    // Return in either field adds, as the prominent button would.
    connect(m_title, &QLineEdit::returnPressed, this, [this] {
        if (onAdd)
            onAdd();
    });
    connect(m_target, &QLineEdit::returnPressed, this, [this] {
        if (onAdd)
            onAdd();
    });
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    refreshKind();
}

LiquidGlassPillButton* CuratedAddItemPopover::segmentButton(FenceItemKind kind) const
{
    for (const auto& [segmentKind, button] : m_segments) {
        if (segmentKind == kind)
            return button;
    }
    return nullptr;
}

void CuratedAddItemPopover::setKind(FenceItemKind kind)
{
    if (m_kind == kind)
        return;
    m_kind = kind;
    refreshKind();
}

void CuratedAddItemPopover::refreshKind()
{
    for (const auto& [kind, button] : m_segments) {
        button->setProminent(kind == m_kind);
    }
    m_target->setPlaceholderText(targetPlaceholder(m_kind));
    m_browse->setVisible(offersBrowsing(m_kind));
}

void CuratedAddItemPopover::showAt(QWidget* anchor)
{
    adjustSize();
    move(popoverOriginBelow(*anchor, size()));
    show();
    m_title->setFocus(Qt::PopupFocusReason);
}

void CuratedAddItemPopover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    path.addRoundedRect(bounds, 12, 12);
    painter.fillPath(path, palette().color(QPalette::Window));
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.drawPath(path);
}

} // namespace mv
