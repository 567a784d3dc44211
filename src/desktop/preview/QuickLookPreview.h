#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace mv {

// How much of a file a preview may read, so that a 100-megapixel photo or a log of gigabytes
// costs a bounded amount of memory and time on the main thread.
struct QuickLookPreviewLimits {
    // Images are decoded no larger than this on their longer side.
    int maximumImageSide = 2560;
    // An image whose format cannot be decoded at a reduced size is decoded in full and scaled
    // afterwards, but only while the full image (4 bytes a pixel) stays within this; larger
    // ones are not decoded at all. Also the allocation limit of every decode.
    qint64 fullDecodeBudgetBytes = qint64(128) * 1024 * 1024;
    // Text shows at most this many bytes from the start of the file.
    qint64 textByteLimit = qint64(256) * 1024;
    // A folder's items are counted up to this many.
    qsizetype folderCountLimit = 10000;
};

// What the preview area shows for one URL: the picture, the text, or a summary (a large icon,
// the name and the facts of the item) for everything else and for what could not be read.
// Made by loadQuickLookPreview; a plain value the views only draw.
struct QuickLookPreview {
    enum class Kind { image, text, summary };

    Kind kind = Kind::summary;
    QString name;
    QString symbolName;
    // What kind of item it is, in words ("PNG 图像", "文件夹").
    QString kindText;
    std::optional<qint64> fileSize;          // files only
    std::optional<QDateTime> modifiedAt;     // whatever exists
    std::optional<qsizetype> itemCount;      // readable folders only
    bool itemCountReachedLimit = false;      // more items than were counted
    std::optional<QSize> imagePixelSize;     // images whose header could be read, as displayed
    QImage image;                            // Kind::image
    QString text;                            // Kind::text
    bool isTextTruncated = false;
    bool isMonospaced = false;
    // Why the content itself is not shown (a missing file, an image too large); empty when the
    // item is shown as it should be.
    QString note;

    // The summary's lines under the name: kind, size, dimensions, item count, date.
    QStringList summaryLines() const;
};

} // namespace mv
