#include "platform/SystemErrors.h"

#include <cerrno>
#include <cstring>

namespace mv::platform {

QString systemErrorReason(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return QStringLiteral("权限不足");
    case ENOENT:
        return QStringLiteral("文件或文件夹不存在");
    case ENOTDIR:
        // A step of the path is a file where a folder should be: the folder is not there.
        return QStringLiteral("文件夹不存在");
    case EEXIST:
        return QStringLiteral("目标位置已有同名项目");
    case EISDIR:
        return QStringLiteral("目标是一个文件夹");
    case ENOTEMPTY:
        return QStringLiteral("文件夹不是空的");
    case ENOSPC:
        return QStringLiteral("磁盘空间不足");
    case EDQUOT:
        return QStringLiteral("超出磁盘配额");
    case EROFS:
        return QStringLiteral("文件系统是只读的");
    case EFBIG:
        return QStringLiteral("文件过大");
    case ENAMETOOLONG:
        return QStringLiteral("名称过长");
    case ELOOP:
        return QStringLiteral("符号链接层级过多");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("打开的文件过多");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("文件正被占用");
    case EIO:
        return QStringLiteral("读写出错");
    case EXDEV:
        return QStringLiteral("不能在两个文件系统之间直接移动");
    case EOPNOTSUPP:
        return QStringLiteral("此文件系统或此类项目不支持该操作");
    case EINVAL:
        return QStringLiteral("操作无效");
    case EMLINK:
        return QStringLiteral("链接数过多");
    default:
        break;
    }
    const char* name = ::strerrorname_np(code);
    return QStringLiteral("系统错误 ") + (name ? QString::fromLatin1(name) : QString::number(code));
}

} // namespace mv::platform
