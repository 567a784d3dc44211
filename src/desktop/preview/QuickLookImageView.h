#pragma once

#include <QImage>
#include <QWidget>

namespace mv {

// The picture, scaled down to fit and centred; never enlarged past its own size.
class QuickLookImageView final : public QWidget {
    Q_OBJECT

public:
    explicit QuickLookImageView(QWidget* parent = nullptr);

    void setImage(QImage image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QImage m_scaled;
};

} // namespace mv
