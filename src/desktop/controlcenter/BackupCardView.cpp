#include "desktop/controlcenter/BackupCardView.h"

#include "core/store/MorvanteelStore.h"
#include "design/DesignFonts.h"
#include "design/GlassButtonBackground.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/controlcenter/ControlCenterDivider.h"
#include "desktop/controlcenter/LabControls.h"
#include "platform/AtomicFile.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace mv {

namespace {

// What a destructive action's text is drawn in.
QColor destructiveColor(ColorScheme scheme)
{
    return scheme == ColorScheme::dark ? QColor(0xff, 0x6b, 0x6b) : QColor(0xd7, 0x3a, 0x3a);
}

// A text button in the plain glass button style at the small control size, its text in the
// destructive colour.
class DestructiveGlassButton final : public QAbstractButton {
public:
    static constexpr qreal fontSize = 11.5;
    static constexpr qreal paddingH = 10;
    static constexpr qreal paddingV = 4;

    DestructiveGlassButton(DesignEnvironment* environment, const QString& text, QWidget* parent)
        : QAbstractButton(parent)
        , m_environment(environment)
    {
        setText(text);
        setAccessibleName(text);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        if (m_environment)
            connect(m_environment, &DesignEnvironment::changed, this, qOverload<>(&QWidget::update));
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(designFont(fontSize, QFont::Medium));
        return QSizeF(metrics.horizontalAdvance(text()) + 2 * paddingH, metrics.height() + 2 * paddingV)
            .toSize()
            .grownBy(QMargins(1, 1, 1, 1));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const DesignEnvironment& environment = environmentOrDefault(m_environment);
        QPainter painter(this);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        paintGlassButtonBackground(painter, bounds, environment, underMouse(), isDown());
        painter.setFont(designFont(fontSize, QFont::Medium));
        painter.setPen(destructiveColor(environment.colorScheme()));
        painter.drawText(bounds, Qt::AlignCenter, text());
        if (hasFocus()) {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(withOpacity(destructiveColor(environment.colorScheme()), 0.6), 1.5));
            painter.setBrush(Qt::NoBrush);
            const qreal radius = bounds.height() / 2;
            painter.drawRoundedRect(bounds.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
        }
    }

private:
    QPointer<DesignEnvironment> m_environment;
};

} // namespace

BackupCardView::BackupCardView(MorvanteelStore& store, DesignEnvironment* environment,
                               ControlCenterFileDialogs fileDialogs, QWidget* parent)
    : LiquidGlassSurfaceFrame(environment, parent)
    , confirmReset(&BackupCardView::askWithResetAlert)
    , m_store(store)
    , m_fileDialogs(std::move(fileDialogs))
{
    setObjectName(QStringLiteral("backupCard"));
    setModifier(liquidGlassSurface(FenceTintPalette::cerulean, 20, 0.74, false, false, false));
    setFixedWidth(fixedCardWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Maximum);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);

    column->addWidget(makeLabLabel(titleText, designFont(14.5, QFont::DemiBold), LabLabelStyle::primary, this));

    auto* description = makeLabLabel(descriptionText, designFont(11.5), LabLabelStyle::secondary, this);
    description->setMaximumLines(3);
    description->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    description->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    column->addWidget(description);

    m_exportButton = new LiquidGlassPillButton(environment, exportButtonTitle, QStringLiteral("square.and.arrow.up"),
                                               FenceTintPalette::cerulean, this);
    m_exportButton->setObjectName(QStringLiteral("exportBackupButton"));
    m_exportButton->setProminent(true);
    m_exportButton->setCompact(true);
    m_exportButton->action = [this] { exportBackup(); };
    column->addWidget(m_exportButton, 0, Qt::AlignLeft);

    m_importButton = new LiquidGlassPillButton(environment, importButtonTitle, QStringLiteral("square.and.arrow.down"),
                                               FenceTintPalette::crystal, this);
    m_importButton->setObjectName(QStringLiteral("importBackupButton"));
    m_importButton->setProminent(false);
    m_importButton->setCompact(true);
    m_importButton->action = [this] { importBackup(); };
    column->addWidget(m_importButton, 0, Qt::AlignLeft);

    column->addWidget(new ControlCenterDivider(environment, 0.25, this));

    m_resetButton = new DestructiveGlassButton(environment, resetButtonTitle, this);
    m_resetButton->setObjectName(QStringLiteral("resetDefaultsButton"));
    connect(m_resetButton, &QAbstractButton::clicked, this, &BackupCardView::resetToDefaults);
    column->addWidget(m_resetButton, 0, Qt::AlignLeft);

    if (environment)
        connect(environment, &DesignEnvironment::changed, this, &BackupCardView::refreshColors);
    refreshColors();
}

BackupCardView::~BackupCardView() = default;

void BackupCardView::refreshColors()
{
    recolourLabLabels(this, environmentOrDefault(environment()).colorScheme());
}

void BackupCardView::exportBackup()
{
    // The bytes are taken now, so the file holds the state as it was when the button was pressed.
    const auto exported = m_store.exportBackupJSON();
    if (!exported || !m_fileDialogs.chooseSaveFile)
        return;
    const std::optional<QString> path =
        m_fileDialogs.chooseSaveFile(window(), exportButtonTitle, suggestedFileName, fileFilter);
    if (!path || path->isEmpty())
        return;
    if (const auto error = platform::writeFileAtomically(*path, exported.value().bytes)) {
        m_store.setLastStatusMessage(exportFailedPrefix + error->errorDescription());
        return;
    }
    // Only a backup that reached the disk counts as exported.
    m_store.markBackupExported(exported.value().exportedAt);
    m_store.setLastStatusMessage(exportedStatusPrefix + QFileInfo(*path).fileName());
}

void BackupCardView::importBackup()
{
    if (!m_fileDialogs.chooseOpenFile)
        return;
    const std::optional<QString> path = m_fileDialogs.chooseOpenFile(window(), importButtonTitle, fileFilter);
    if (!path || path->isEmpty())
        return;
    const auto imported = m_store.importBackupFile(*path);
    // On success the store has told what it imported.
    if (!imported)
        m_store.setLastStatusMessage(importFailureText(imported.error().message));
}

void BackupCardView::resetToDefaults()
{
    if (confirmReset && confirmReset(window()))
        m_store.resetToDefaults(true);
}

QString BackupCardView::importFailureText(const QString& reason)
{
    // Most of the store's reasons carry the prefix already; one is never shown twice.
    return reason.startsWith(importFailedPrefix) ? reason : importFailedPrefix + reason;
}

std::unique_ptr<QMessageBox> BackupCardView::makeResetAlert(QWidget* parent)
{
    auto alert = std::make_unique<QMessageBox>(parent);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(resetAlertTitle);
    alert->setText(resetAlertTitle);
    alert->setInformativeText(resetAlertMessage);
    QPushButton* cancel = alert->addButton(resetAlertCancel, QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("resetAlertCancel"));
    QPushButton* reset = alert->addButton(resetAlertConfirm, QMessageBox::DestructiveRole);
    reset->setObjectName(QStringLiteral("resetAlertConfirm"));
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    return alert;
}

bool BackupCardView::askWithResetAlert(QWidget* parent)
{
    const std::unique_ptr<QMessageBox> alert = makeResetAlert(parent);
    alert->exec();
    return alert->clickedButton() && alert->clickedButton()->objectName() == QStringLiteral("resetAlertConfirm");
}

} // namespace mv
