#include "desktop/controlcenter/ControlCenterPopover.h"

#include "design/DesignFonts.h"
#include "design/GlassTextLabel.h"
#include "design/LiquidGlassPillButton.h"
#include "design/LiquidGlassSurfaceModifier.h"
#include "design/LiquidGlassTokens.h"
#include "design/PopoverPlacement.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

namespace mv {

namespace {

constexpr double cornerRadius = 16;

LiquidGlassSurfaceModifier popoverGlass()
{
    return liquidGlassSurface(FenceTintPalette::crystal, cornerRadius, 0.72, false, false, false);
}

} // namespace

ControlCenterPopover::ControlCenterPopover(DesignEnvironment* environment, const QString& heading, int width,
                                           QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint)
    , m_environment(environment)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(width);
    setWindowTitle(heading);

    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(16, 16, 16, 16);
    m_column->setSpacing(10);
    m_heading = new GlassTextLabel(this);
    m_heading->setObjectName(QStringLiteral("popoverHeading"));
    m_heading->setFont(designFont(14, QFont::DemiBold));
    m_heading->setText(heading);
    m_column->addWidget(m_heading);

    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &ControlCenterPopover::refreshColors);
    refreshColors();
}

void ControlCenterPopover::showBelow(QWidget& anchor)
{
    adjustSize();
    move(popoverOriginBelow(anchor, size()));
    show();
    raise();
    activateWindow();
    if (!m_controls.isEmpty())
        m_controls.first()->setFocus(Qt::PopupFocusReason);
}

QLineEdit* ControlCenterPopover::addField(const QString& placeholder, QVBoxLayout* into)
{
    auto* field = new QLineEdit(this);
    field->setPlaceholderText(placeholder);
    field->setFont(designFont(13));
    connect(field, &QLineEdit::returnPressed, this, &ControlCenterPopover::confirm);
    followScheme(field);
    (into ? into : m_column)->addWidget(field);
    return field;
}

QComboBox* ControlCenterPopover::addPicker(const QString& title)
{
    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    auto* label = new GlassTextLabel(this);
    label->setFont(designFont(13));
    label->setText(title);
    m_pickerTitles.append(label);
    row->addWidget(label, 1);
    auto* picker = new QComboBox(this);
    picker->setAccessibleName(title);
    picker->setFont(designFont(13));
    followScheme(picker);
    row->addWidget(picker);
    m_column->addLayout(row);
    refreshColors();
    return picker;
}

void ControlCenterPopover::addButtonRow()
{
    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    row->addStretch(1);
    m_cancel = new LiquidGlassPillButton(m_environment, cancelText, std::nullopt, FenceTintPalette::crystal, this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->action = [this] { cancel(); };
    row->addWidget(m_cancel);
    m_confirm = new LiquidGlassPillButton(m_environment, confirmText, std::nullopt, FenceTintPalette::cerulean, this);
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    m_confirm->setProminent(true);
    m_confirm->action = [this] { confirm(); };
    row->addWidget(m_confirm);
    m_column->addLayout(row);
}

void ControlCenterPopover::followScheme(QWidget* control)
{
    m_controls.append(control);
    refreshColors();
}

void ControlCenterPopover::cancel()
{
    if (onCancel)
        onCancel();
}

void ControlCenterPopover::confirm()
{
    if (onConfirm)
        onConfirm();
}

void ControlCenterPopover::refreshColors()
{
    const ColorScheme scheme = environmentOrDefault(m_environment).colorScheme();
    const QColor primary = GlassPalette::primaryForeground(scheme);
    m_heading->setColor(primary);
    for (GlassTextLabel* title : std::as_const(m_pickerTitles))
        title->setColor(primary);
    // The fields sit on the glass in the scheme's own colours, whatever the desktop's palette is.
    const bool dark = scheme == ColorScheme::dark;
    const QColor base = dark ? QColor(0x2a, 0x2c, 0x33) : QColor(0xff, 0xff, 0xff);
    for (QWidget* control : std::as_const(m_controls)) {
        QPalette palette = control->palette();
        for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
            palette.setColor(role, base);
        for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
            palette.setColor(role, primary);
        palette.setColor(QPalette::PlaceholderText, GlassPalette::secondaryForeground(scheme));
        control->setPalette(palette);
    }
    update();
}

void ControlCenterPopover::paintEvent(QPaintEvent*)
{
    const DesignEnvironment& environment = environmentOrDefault(m_environment);
    const LiquidGlassSurfaceModifier glass = popoverGlass();
    const QRectF bounds(rect());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A window of its own has nothing of the page behind it to wash over: the glass lies on the
    // opaque fill of its scheme.
    painter.fillPath(glass.shape.path(bounds), glass.fallbackFillColor(environment.colorScheme()));
    glass.paintBackground(painter, bounds, environment);
    glass.paintHairline(painter, bounds, environment);
}

void ControlCenterPopover::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        cancel();
        return;
    }
    QFrame::keyPressEvent(event);
}

} // namespace mv
