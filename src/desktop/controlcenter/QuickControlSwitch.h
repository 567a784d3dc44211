#pragma once

#include "design/DesignEnvironment.h"

#include <QAbstractButton>
#include <QPointer>

namespace mv {

// A labelled on/off switch at the small control size: the label on the leading edge, the
// switch on the trailing edge of the full width. Its text() is the label. It only shows the
// value it is given; a click or Space flips it and emits clicked(checked) with the new value,
// which the owner writes wherever the value lives.
class QuickControlSwitch final : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr QSize trackSize{30, 17};
    static constexpr qreal labelFontSize = 12;

    QuickControlSwitch(DesignEnvironment* environment, const QString& label, QWidget* parent = nullptr);

    // Where the switch itself lies, on the trailing edge of `bounds`.
    static QRectF trackRect(const QRectF& bounds);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // QWidget
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointer<DesignEnvironment> m_environment;
    bool m_hovered = false;
};

} // namespace mv
