#pragma once

#include <QGraphicsView>
#include <QPointer>

class QGraphicsPathItem;
class QGraphicsProxyWidget;

namespace mv {

class CompanionDeviceScreen;
class DesignEnvironment;

// The device area of the companion preview: the device screen at its logical size, clipped
// to its rounded corners, ringed in white at 0.32 and shadowed, drawn at the scale that fits
// the area (never above 1). The scaling is visual only: the screen and its cards keep their
// logical size, and pointer and key input reach them as on any widget.
class CompanionDeviceStage final : public QGraphicsView {
    Q_OBJECT

public:
    CompanionDeviceStage(CompanionDeviceScreen* screen, DesignEnvironment* environment, QWidget* parent = nullptr);
    ~CompanionDeviceStage() override;

    CompanionDeviceScreen* screen() const { return m_screen; }
    double deviceScale() const { return m_scale; }
    double cornerRadius() const { return m_cornerRadius; }

    // Fits the device again after the screen's size or corner radius changed.
    void refreshDevice();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void drawForeground(QPainter* painter, const QRectF& rect) override;

private:
    void fit();

    CompanionDeviceScreen* m_screen;
    QPointer<DesignEnvironment> m_environment;
    QGraphicsPathItem* m_clip;
    QGraphicsProxyWidget* m_proxy;
    double m_scale = 1;
    double m_cornerRadius = 0;
};

} // namespace mv
