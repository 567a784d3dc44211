#include "desktop/preview/QuickLookContentKind.h"

#include "platform/ContentTypes.h"

namespace mv {

QuickLookContentKind quickLookContentKind(const std::optional<QString>& type)
{
    using platform::conforms;
    namespace typeId = platform::contentTypeId;
    if (!type)
        return QuickLookContentKind::other;
    if (conforms(*type, typeId::image))
        return QuickLookContentKind::image;
    if (!conforms(*type, typeId::text))
        return QuickLookContentKind::other;
    const bool readsAsCode = conforms(*type, typeId::sourceCode) || !conforms(*type, typeId::plainText);
    return readsAsCode ? QuickLookContentKind::code : QuickLookContentKind::prose;
}

} // namespace mv
