#include "desktop/content/PortalFilterField.h"

#include "design/ComposingLineEdit.h"
#include "design/DesignFonts.h"
#include "design/GlassSymbolMark.h"
#include "design/LiquidGlassShapeKind.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/content/PortalPlainButton.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace mv {

PortalFilterField::PortalFilterField(DesignEnvironment* environment, QWidget* parent)
    : QWidget(parent)
    , m_environment(environment)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 5, 8, 5);
    row->setSpacing(6);

    m_symbol = new GlassSymbolMark(QStringLiteral("line.3.horizontal.decrease.circle"), 11.5, this);
    m_symbol->setObjectName(QStringLiteral("filterSymbol"));
    row->addWidget(m_symbol, 0, Qt::AlignVCenter);

    m_field = new ComposingLineEdit(this);
    m_field->setObjectName(QStringLiteral("filterField"));
    m_field->setPlaceholderText(placeholder);
    m_field->setAccessibleName(placeholder);
    m_field->setFrame(false);
    m_field->setFont(designFont(11.5));
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    row->addWidget(m_field, 1);

    m_clearButton = new PortalPlainButton(this);
    m_clearButton->setObjectName(QStringLiteral("clearFilterButton"));
    m_clearButton->setAccessibleName(QStringLiteral("清除过滤"));
    m_clearButton->setFocusPolicy(Qt::NoFocus);
    m_clearButton->hide();
    row->addWidget(m_clearButton, 0, Qt::AlignVCenter);

    // Only the user's own edits go out; a text set from the store does not echo back.
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onTextEdited)
            onTextEdited(text);
    });
    connect(m_clearButton, &QAbstractButton::clicked, this, [this] {
        if (onClear)
            onClear();
    });
    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &PortalFilterField::refreshColors);
    refreshColors();
}

PortalFilterField::~PortalFilterField() = default;

QLineEdit* PortalFilterField::lineEdit() const
{
    return m_field;
}

QString PortalFilterField::text() const
{
    return m_field->text();
}

bool PortalFilterField::isComposing() const
{
    return m_field->isComposing();
}

ColorScheme PortalFilterField::scheme() const
{
    return m_environment ? m_environment->colorScheme() : ColorScheme::light;
}

void PortalFilterField::setFilterText(const QString& text)
{
    m_clearButton->setVisible(!text.isEmpty());
    m_field->setStoredText(text);
}

void PortalFilterField::refreshColors()
{
    const ColorScheme colors = scheme();
    const QColor secondary = GlassPalette::secondaryForeground(colors);
    m_symbol->setColor(secondary);
    m_clearButton->setSymbol(QStringLiteral("xmark.circle.fill"), 11, secondary);
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, GlassPalette::primaryForeground(colors));
    palette.setColor(QPalette::PlaceholderText, secondary);
    m_field->setPalette(palette);
    update();
}

void PortalFilterField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = GlassPalette::primary(scheme());
    const QRectF bounds(rect());
    painter.fillPath(LiquidGlassShapeKind::capsule().path(bounds), withOpacity(primary, 0.06));
    painter.setPen(QPen(withOpacity(primary, 0.09), 0.6));
    painter.drawPath(LiquidGlassShapeKind::capsule().path(bounds.adjusted(0.3, 0.3, -0.3, -0.3)));
}

} // namespace mv
