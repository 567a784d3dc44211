#pragma once

#include <QRegularExpression>
#include <QString>

#include <optional>

namespace mv::FolderPortalEngine::detail {

// What a filter query keeps, decided on the name and the lower-case extension alone.
class NameFilter final {
public:
    explicit NameFilter(const QString& query);
    bool keeps(const QString& name, const QString& lowerExtension) const;

private:
    QString m_query;
    std::optional<QRegularExpression> m_pattern;
};

} // namespace mv::FolderPortalEngine::detail
