#include "support/DesignTestSupport.h"

#include "core/models/Uuid.h"

#include <QApplication>
#include <QLayout>
#include <QInputMethodEvent>
#include <QPainter>
#include <QTest>

namespace mv::testing {

FenceTab makeTab(const QString& title, const QString& symbolName, FenceKind kind)
{
    FenceTab tab;
    tab.id = newUuid();
    tab.title = title;
    tab.symbolName = symbolName;
    tab.kind = kind;
    return tab;
}

FenceModel makeFence(const QString& title, QList<FenceTab> tabs, FenceTintPalette tint)
{
    FenceStyleConfig style;
    style.tint = tint;
    style.glassOpacity = 0.72;
    style.cornerRadius = 24;
    style.iconScale = 1.0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    return FenceModel::make(newUuid(), newUuid(), title, QStringLiteral("folder.badge.gearshape"), std::move(tabs),
                            std::nullopt, false, false, false, {}, {}, 0, 1, style, now, now);
}

FenceChecklistTask makeTask(const QString& title, bool completed, bool flagged)
{
    FenceChecklistTask task;
    task.id = newUuid();
    task.title = title;
    task.isCompleted = completed;
    task.isFlagged = flagged;
    task.createdAt = QDateTime::currentDateTimeUtc();
    return task;
}

void layOut(QWidget& widget, QSize size)
{
    widget.ensurePolished();
    widget.resize(size);
    if (widget.layout())
        widget.layout()->activate();
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        if (child->layout())
            child->layout()->activate();
    }
    QApplication::processEvents();
}

QImage renderOver(QWidget& widget, const QColor& backdrop)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(backdrop);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void typeText(QWidget* widget, const QString& text)
{
    QString pending; // non-ASCII runs are committed whole, so surrogate pairs stay together
    const auto flush = [&] {
        if (pending.isEmpty())
            return;
        QInputMethodEvent event;
        event.setCommitString(pending);
        QApplication::sendEvent(widget, &event);
        pending.clear();
    };
    for (const QChar ch : text) {
        if (ch.unicode() >= 0x20 && ch.unicode() < 0x7f) {
            flush();
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            pending.append(ch);
        }
    }
    flush();
}

QColor blend(const QColor& bottom, const QColor& top)
{
    const double a = top.alphaF();
    const auto mix = [a](double b, double t) { return int(std::lround((t * a + b * (1 - a)) * 255.0)); };
    return QColor(mix(bottom.redF(), top.redF()), mix(bottom.greenF(), top.greenF()), mix(bottom.blueF(), top.blueF()));
}

} // namespace mv::testing
