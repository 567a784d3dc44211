#pragma once

#include "core/models/ModelEnums.h"
#include "design/DesignEnvironment.h"

#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QStringList>

#include <functional>

class QHBoxLayout;

namespace mv {

class GlassSymbolMark;
class LiquidGlassButton;
class PortalPlainButton;

// The trail of folders entered below a portal's bound folder: a back button, the bound folder
// as the root crumb, then one crumb per folder entered, innermost last, in a row that scrolls
// sideways without indicators. It only shows the trail it is given and reports clicks; the
// crumbs are kept and reused, never rebuilt, so a click may shorten the trail under itself.
class PortalBreadcrumbBar final : public QScrollArea {
    Q_OBJECT
public:
    explicit PortalBreadcrumbBar(DesignEnvironment* environment, QWidget* parent = nullptr);
    ~PortalBreadcrumbBar() override;

    // The bound folder's name and the names of the folders entered, outermost first.
    void setTrail(const QString& rootName, const QStringList& crumbNames, FenceTintPalette tint);
    const QStringList& crumbNames() const { return m_crumbNames; }

    std::function<void()> onBack;
    std::function<void()> onRoot;
    // The crumb at this index of the trail.
    std::function<void(int index)> onCrumb;

    LiquidGlassButton* backButton() const { return m_back; }
    PortalPlainButton* rootCrumb() const { return m_root; }
    // The crumbs of the trail shown now, outermost first.
    QList<PortalPlainButton*> crumbs() const { return m_crumbs.mid(0, m_crumbNames.size()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    ColorScheme scheme() const;
    void refresh();
    void ensureCrumbs(qsizetype count);

    QPointer<DesignEnvironment> m_environment;
    QWidget* m_row;
    QHBoxLayout* m_layout;
    LiquidGlassButton* m_back;
    PortalPlainButton* m_root;
    QList<GlassSymbolMark*> m_chevrons;
    QList<PortalPlainButton*> m_crumbs;
    QString m_rootName;
    QStringList m_crumbNames;
    FenceTintPalette m_tint = FenceTintPalette::crystal;
};

} // namespace mv
