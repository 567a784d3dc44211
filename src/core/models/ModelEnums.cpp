#include "core/models/ModelEnums.h"

namespace mv {

QString symbolName(FenceKind kind)
{
    switch (kind) {
    case FenceKind::portal: return QStringLiteral("folder.badge.gearshape");
    case FenceKind::curated: return QStringLiteral("square.grid.2x2.fill");
    case FenceKind::notes: return QStringLiteral("note.text");
    case FenceKind::checklist: return QStringLiteral("checklist");
    }
    Q_UNREACHABLE();
    return {};
}

QString hexAccent(FenceTintPalette tint)
{
    switch (tint) {
    case FenceTintPalette::crystal: return QStringLiteral("#78C8FF");
    case FenceTintPalette::cerulean: return QStringLiteral("#2EA3FF");
    case FenceTintPalette::mint: return QStringLiteral("#34D399");
    case FenceTintPalette::amber: return QStringLiteral("#F59E0B");
    case FenceTintPalette::violet: return QStringLiteral("#A78BFA");
    case FenceTintPalette::rose: return QStringLiteral("#FB7185");
    case FenceTintPalette::graphite: return QStringLiteral("#94A3B8");
    }
    Q_UNREACHABLE();
    return {};
}

} // namespace mv
