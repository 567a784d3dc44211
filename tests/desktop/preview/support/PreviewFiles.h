#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QSize>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

// The files the preview tests show.

// 2026-03-04 05:06:07 UTC; the tests run with TZ=UTC.
inline constexpr time_t fixedModificationTime = 1772600767;

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline bool setModificationTime(const QString& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// A picture of `size` in one colour, encoded in `format`.
inline QByteArray encodedImage(QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
