#include "core/engine/PortalNameFilter.h"

#include "core/engine/PortalScan.h"
#include "core/models/Text.h"

namespace mv::FolderPortalEngine {

namespace detail {

NameFilter::NameFilter(const QString& query)
    : m_query(query)
{
    if (query.size() > 1 && query.startsWith(u'/') && query.endsWith(u'/')) {
        QRegularExpression pattern(query.mid(1, query.size() - 2),
                                   QRegularExpression::CaseInsensitiveOption
                                       | QRegularExpression::UseUnicodePropertiesOption);
        if (pattern.isValid()) {
            pattern.optimize();
            m_pattern = std::move(pattern);
        }
    }
}

bool NameFilter::keeps(const QString& name, const QString& lowerExtension) const
{
    if (m_pattern)
        return m_pattern->match(name).hasMatch();
    return text::containsCaseInsensitive(name, m_query)
           || text::containsCaseInsensitive(lowerExtension, m_query);
}

} // namespace detail

QList<PortalFileEntry> applyFilter(const QList<PortalFileEntry>& entries, const QString& query)
{
    if (query.isEmpty())
        return entries;

    const detail::NameFilter filter(query);
    QList<PortalFileEntry> kept;
    for (const PortalFileEntry& entry : entries) {
        if (filter.keeps(entry.name, entry.fileExtension))
            kept.append(entry);
    }
    return kept;
}

} // namespace mv::FolderPortalEngine
