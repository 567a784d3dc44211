#include "desktop/content/PortalBreadcrumbBar.h"

#include "design/DesignFonts.h"
#include "design/GlassSymbolMark.h"
#include "design/LiquidGlassButton.h"
#include "design/LiquidGlassTokens.h"
#include "desktop/content/PortalPlainButton.h"

#include <QHBoxLayout>
#include <QScrollBar>
#include <QTimer>

namespace mv {

PortalBreadcrumbBar::PortalBreadcrumbBar(DesignEnvironment* environment, QWidget* parent)
    : QScrollArea(parent)
    , m_environment(environment)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_row = new QWidget();
    m_row->setObjectName(QStringLiteral("breadcrumbRow"));
    m_row->setAutoFillBackground(false);
    m_layout = new QHBoxLayout(m_row);
    m_layout->setContentsMargins(12, 0, 12, 0);
    m_layout->setSpacing(4);

    m_back = new LiquidGlassButton(environment, m_row);
    m_back->setObjectName(QStringLiteral("breadcrumbBack"));
    m_back->setSymbolName(QStringLiteral("chevron.left"));
    m_back->setSymbolFont(10, QFont::Bold);
    m_back->setPadding(6, 3);
    m_back->setAccessibleName(QStringLiteral("返回上一级"));
    m_layout->addWidget(m_back, 0, Qt::AlignVCenter);
    connect(m_back, &QAbstractButton::clicked, this, [this] {
        if (onBack)
            onBack();
    });

    m_root = new PortalPlainButton(m_row);
    m_root->setObjectName(QStringLiteral("breadcrumbRoot"));
    m_root->setSpacing(3);
    m_root->setPadding(7, 3);
    m_layout->addWidget(m_root, 0, Qt::AlignVCenter);
    connect(m_root, &QAbstractButton::clicked, this, [this] {
        if (onRoot)
            onRoot();
    });
    m_layout->addStretch(1);
    setWidget(m_row);
    // The scroll area makes its widget opaque; the glass shows through here.
    m_row->setAutoFillBackground(false);

    if (m_environment)
        connect(m_environment, &DesignEnvironment::changed, this, &PortalBreadcrumbBar::refresh);
    refresh();
}

PortalBreadcrumbBar::~PortalBreadcrumbBar() = default;

ColorScheme PortalBreadcrumbBar::scheme() const
{
    return m_environment ? m_environment->colorScheme() : ColorScheme::light;
}

void PortalBreadcrumbBar::setTrail(const QString& rootName, const QStringList& crumbNames, FenceTintPalette tint)
{
    if (m_rootName == rootName && m_crumbNames == crumbNames && m_tint == tint)
        return;
    const bool grew = crumbNames.size() > m_crumbNames.size();
    m_rootName = rootName;
    m_crumbNames = crumbNames;
    m_tint = tint;
    refresh();
    if (grew) {
        // The folder just entered is the one to see; the row's new width is laid out first.
        const QPointer<PortalBreadcrumbBar> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self)
                self->horizontalScrollBar()->setValue(self->horizontalScrollBar()->maximum());
        });
    }
}

void PortalBreadcrumbBar::ensureCrumbs(qsizetype count)
{
    while (m_crumbs.size() < count) {
        const int index = int(m_crumbs.size());
        auto* chevron = new GlassSymbolMark(QStringLiteral("chevron.right"), 9, m_row);
        chevron->setObjectName(QStringLiteral("breadcrumbChevron"));
        auto* crumb = new PortalPlainButton(m_row);
        crumb->setObjectName(QStringLiteral("breadcrumb"));
        crumb->setPadding(7, 3);
        // Before the stretch: the back button, the root, then two widgets per crumb.
        const int position = 2 + 2 * index;
        m_layout->insertWidget(position, chevron, 0, Qt::AlignVCenter);
        m_layout->insertWidget(position + 1, crumb, 0, Qt::AlignVCenter);
        connect(crumb, &QAbstractButton::clicked, this, [this, index] {
            if (onCrumb)
                onCrumb(index);
        });
        m_chevrons.append(chevron);
        m_crumbs.append(crumb);
    }
}

void PortalBreadcrumbBar::refresh()
{
    const ColorScheme colors = scheme();
    const QColor primary = GlassPalette::primaryForeground(colors);
    const QColor secondary = GlassPalette::secondaryForeground(colors);
    const QColor tint = swiftUIColor(m_tint);

    m_root->setSymbol(QStringLiteral("folder.fill"), 10, primary);
    m_root->setLabel(m_rootName, designFont(10.5, QFont::DemiBold), primary);
    m_root->setFill(withOpacity(tint, 0.16));

    ensureCrumbs(m_crumbNames.size());
    for (qsizetype i = 0; i < m_crumbs.size(); ++i) {
        const bool shown = i < m_crumbNames.size();
        m_chevrons[i]->setVisible(shown);
        m_crumbs[i]->setVisible(shown);
        if (!shown)
            continue;
        const bool last = i == m_crumbNames.size() - 1;
        m_chevrons[i]->setColor(secondary);
        m_crumbs[i]->setLabel(m_crumbNames[i], designFont(10.5, last ? QFont::DemiBold : QFont::Medium), primary);
        m_crumbs[i]->setFill(last ? withOpacity(tint, 0.24) : withOpacity(GlassPalette::primary(colors), 0.06));
    }
    updateGeometry();
}

QSize PortalBreadcrumbBar::sizeHint() const
{
    return QSize(QScrollArea::sizeHint().width(), m_row->sizeHint().height());
}

QSize PortalBreadcrumbBar::minimumSizeHint() const
{
    return QSize(0, m_row->sizeHint().height());
}

} // namespace mv
