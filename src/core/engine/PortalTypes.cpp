#include "core/engine/PortalTypes.h"

#include "core/engine/FilePaths.h"

#include <QDir>

#include <cmath>

namespace mv {

QString PortalFileEntry::id() const
{
    // Standardized: "." and ".." segments and doubled or trailing slashes removed; symlinks
    // are not resolved.
    if (const auto path = filepaths::standardizedPath(url))
        return *path;
    if (filepaths::hasInexactPath(url))
        return filepaths::encodedIdentity(url);
    // A relative URL, or one of another machine, as it was always identified.
    return QDir::cleanPath(url.isLocalFile() ? url.toLocalFile() : url.path());
}

bool PortalFileEntry::hasExactName() const
{
    return !filepaths::hasInexactPath(url);
}

QString PortalFileEntry::formattedSize() const
{
    return isDirectory ? QStringLiteral("文件夹") : formattedFileSize(fileSize);
}

QString formattedFileSize(qint64 fileSize)
{
    // The way file managers count file sizes: decimal units (1 KB = 1000 bytes), whole
    // bytes and kilobytes, one decimal for megabytes, two from gigabytes on, trailing zeros
    // dropped. Empty files read "零字节", as the Chinese desktop shows them.
    const qint64 bytes = fileSize < 0 ? 0 : fileSize;
    if (bytes == 0)
        return QStringLiteral("零字节");
    if (bytes < 1000)
        return QString::number(bytes) + QStringLiteral(" 字节");

    static constexpr const char* units[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    static constexpr int decimals[] = {0, 1, 2, 2, 2, 2};
    double value = double(bytes) / 1000.0;
    int unit = 0;
    for (;;) {
        const double scale = std::pow(10.0, decimals[unit]);
        const double rounded = std::round(value * scale) / scale;
        // 999,999 bytes rounds to 1000 KB; say 1 MB instead.
        if (rounded >= 1000.0 && unit + 1 < int(std::size(units))) {
            value /= 1000.0;
            ++unit;
            continue;
        }
        QString number = QString::number(rounded, 'f', decimals[unit]);
        if (number.contains(u'.')) {
            while (number.endsWith(u'0'))
                number.chop(1);
            if (number.endsWith(u'.'))
                number.chop(1);
        }
        return number + u' ' + QLatin1String(units[unit]);
    }
}

} // namespace mv
