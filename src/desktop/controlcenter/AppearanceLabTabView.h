#pragma once

#include "design/DesignEnvironment.h"
#include "desktop/controlcenter/ControlCenterFileDialogs.h"

#include <QPointer>
#include <QScrollArea>

namespace mv {

class BackupCardView;
class FenceLabSectionView;
class GlassTextLabel;
class GlobalPhysicsCardView;
class MorvanteelStore;

// The control center's appearance page: the program-wide snapping and fade settings beside the
// backup card, then the look of one fence of the active workspace beside a live preview. Built
// once; every control shows what the store holds and writes straight back.
class AppearanceLabTabView final : public QScrollArea {
    Q_OBJECT

public:
    static inline const QString pageTitle = QStringLiteral("外观与液态玻璃实验室");

    AppearanceLabTabView(MorvanteelStore& store, DesignEnvironment* environment, ControlCenterFileDialogs fileDialogs,
                         QWidget* parent = nullptr);
    ~AppearanceLabTabView() override;

    GlassTextLabel* titleLabel() const { return m_titleLabel; }
    GlobalPhysicsCardView* globalCard() const { return m_globalCard; }
    BackupCardView* backupCard() const { return m_backupCard; }
    // Hidden while the active workspace has no fence.
    FenceLabSectionView* fenceLab() const { return m_fenceLab; }

private:
    void refreshColors();

    QPointer<DesignEnvironment> m_environment;
    GlassTextLabel* m_titleLabel = nullptr;
    GlobalPhysicsCardView* m_globalCard = nullptr;
    BackupCardView* m_backupCard = nullptr;
    FenceLabSectionView* m_fenceLab = nullptr;
};

} // namespace mv
