#pragma once

#include <QString>
#include <QStringView>

// How a portal reads an entry's name: where its extension starts. Shared by the scan, the
// filter, the sort and the symbols, so that all of them see one extension for one name.
namespace mv::FolderPortalEngine::detail {

// The last component of a path, trailing slashes ignored.
inline QStringView lastComponent(QStringView path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

// Position of the dot that starts the extension of `name`, or -1.
inline qsizetype extensionDot(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 && dot < name.size() - 1 ? dot : -1;
}

// The lower-case extension an entry of this name carries.
inline QString lowerExtensionOf(QStringView name)
{
    const qsizetype dot = extensionDot(name);
    return dot < 0 ? QString() : name.mid(dot + 1).toString().toLower();
}

} // namespace mv::FolderPortalEngine::detail
