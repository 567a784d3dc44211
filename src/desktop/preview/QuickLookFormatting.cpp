#include "desktop/preview/QuickLookFormatting.h"

#include "core/engine/PortalTypes.h"
#include "platform/ContentTypes.h"

namespace mv::quicklook {

using platform::conforms;
namespace typeId = platform::contentTypeId;

QString kindText(const QString& name, FolderPortalEngine::EntryKind kind, const std::optional<QString>& type)
{
    const QString extension = FolderPortalEngine::pathExtension(name).toUpper();
    if (kind == FolderPortalEngine::EntryKind::Folder)
        return extension == u"APP" ? QStringLiteral("应用程序") : QStringLiteral("文件夹");
    const auto prefixed = [&extension](const QString& kindName) {
        return extension.isEmpty() ? kindName : extension + u' ' + kindName;
    };
    if (!type)
        return prefixed(QStringLiteral("文件"));
    if (conforms(*type, typeId::pdf))
        return QStringLiteral("PDF 文稿");
    if (conforms(*type, typeId::image))
        return prefixed(QStringLiteral("图像"));
    if (conforms(*type, typeId::movie))
        return prefixed(QStringLiteral("影片"));
    if (conforms(*type, typeId::audio))
        return prefixed(QStringLiteral("音频"));
    if (conforms(*type, u"public.disk-image"))
        return prefixed(QStringLiteral("磁盘映像"));
    if (conforms(*type, typeId::archive))
        return prefixed(QStringLiteral("归档"));
    if (conforms(*type, typeId::sourceCode))
        return prefixed(QStringLiteral("源代码"));
    if (conforms(*type, typeId::text))
        return prefixed(QStringLiteral("文本"));
    if (conforms(*type, u"public.spreadsheet"))
        return prefixed(QStringLiteral("电子表格"));
    if (conforms(*type, u"public.presentation"))
        return prefixed(QStringLiteral("演示文稿"));
    if (conforms(*type, u"public.font"))
        return prefixed(QStringLiteral("字体"));
    if (conforms(*type, u"public.composite-content"))
        return prefixed(QStringLiteral("文稿"));
    return prefixed(QStringLiteral("文件"));
}

QString formattedSize(qint64 bytes)
{
    return formattedFileSize(bytes);
}

QString formattedDate(const QDateTime& date)
{
    const QDateTime local = date.toLocalTime();
    return QStringLiteral("%1年%2月%3日 %4")
        .arg(local.date().year())
        .arg(local.date().month())
        .arg(local.date().day())
        .arg(local.time().toString(QStringLiteral("HH:mm")));
}

} // namespace mv::quicklook
