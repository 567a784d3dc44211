#pragma once

#include "core/models/ModelEnums.h"
#include "desktop/controlcenter/CompanionDeviceKind.h"

#include <QPointer>
#include <QWidget>

namespace mv {

class CompanionDeviceScreen;
class CompanionDeviceStage;
class CompanionSegmentedPicker;
class DesignEnvironment;
class GlassTextLabel;
class MorvanteelStore;

// The companion page of the control center: the active workspace as a phone or tablet
// companion shows it, with live cards that write to the same store as the desktop. The device
// is the page's own choice, starting on the phone each time the page is made; the layout is
// the store's preferred layout, saved with the state.
class CompanionCanvasPreviewTabView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString pageTitle = QStringLiteral("iOS / iPadOS 伴侣画布实时预览");
    static inline const QString pageSubtitle =
        QStringLiteral("与桌面共享同一份 MorvanteelStore 实时状态：在此勾选待办、切换标签或拖拽空间围栏会即时同步。");
    static inline const QString devicePickerName = QStringLiteral("设备");
    static inline const QString layoutPickerName = QStringLiteral("布局");

    CompanionCanvasPreviewTabView(MorvanteelStore& store, DesignEnvironment* environment, QWidget* parent = nullptr);
    ~CompanionCanvasPreviewTabView() override;

    CompanionDeviceKind device() const;
    void setDevice(CompanionDeviceKind device);

    GlassTextLabel* titleLabel() const { return m_title; }
    GlassTextLabel* subtitleLabel() const { return m_subtitle; }
    CompanionSegmentedPicker* devicePicker() const { return m_devicePicker; }
    CompanionSegmentedPicker* layoutPicker() const { return m_layoutPicker; }
    CompanionDeviceStage* stage() const { return m_stage; }
    CompanionDeviceScreen* screen() const { return m_screen; }

private:
    void chooseLayout(iOSLayoutMode layout);
    void refreshLayoutPicker();
    void refreshColors();

    MorvanteelStore& m_store;
    QPointer<DesignEnvironment> m_environment;
    GlassTextLabel* m_title;
    GlassTextLabel* m_subtitle;
    CompanionSegmentedPicker* m_devicePicker;
    CompanionSegmentedPicker* m_layoutPicker;
    CompanionDeviceScreen* m_screen;
    CompanionDeviceStage* m_stage;
};

} // namespace mv
