#include "core/models/DeepLink.h"

#include "core/models/Uuid.h"

#include <QStringList>

namespace mv {

namespace {

template<class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template<class... F>
Overloaded(F...) -> Overloaded<F...>;

} // namespace

QString MorvanteelDeepLink::urlString() const
{
    const QString prefix = QString(scheme) + QStringLiteral("://");
    return std::visit(Overloaded{
        [&](const OpenFence& r) { return prefix + QStringLiteral("open-fence/") + uuidString(r.fenceID); },
        [&](const SwitchWorkspace& r) { return prefix + QStringLiteral("switch-workspace/") + uuidString(r.workspaceID); },
        [&](const RunItem& r) {
            return prefix + QStringLiteral("run-item/") + uuidString(r.fenceID) + u'/' + uuidString(r.itemID);
        },
        [&](const ToggleTask& r) {
            return prefix + QStringLiteral("toggle-task/") + uuidString(r.fenceID) + u'/' + uuidString(r.taskID);
        },
        [&](const SpotSearch&) { return prefix + QStringLiteral("spot-search"); },
        [&](const SmartTidy&) { return prefix + QStringLiteral("smart-tidy"); },
    }, m_request);
}

QUrl MorvanteelDeepLink::url() const
{
    return QUrl(urlString(), QUrl::StrictMode);
}

std::optional<MorvanteelDeepLink> MorvanteelDeepLink::fromString(const QString& text)
{
    return fromURL(QUrl(text));
}

std::optional<MorvanteelDeepLink> MorvanteelDeepLink::fromURL(const QUrl& url)
{
    if (!url.isValid() || url.scheme().compare(scheme, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QString verb = url.host().toLower();
    if (verb.isEmpty())
        return std::nullopt;

    // Path parts in order; empty parts (the root, doubled or trailing slashes) carry nothing.
    const QStringList arguments = url.path(QUrl::FullyDecoded).split(u'/', Qt::SkipEmptyParts);
    const auto idAt = [&](qsizetype i) -> std::optional<QUuid> {
        return i < arguments.size() ? parseUuid(arguments[i]) : std::nullopt;
    };

    if (verb == u"open-fence") {
        if (const auto fence = idAt(0))
            return openFence(*fence);
        return std::nullopt;
    }
    if (verb == u"switch-workspace") {
        if (const auto workspace = idAt(0))
            return switchWorkspace(*workspace);
        return std::nullopt;
    }
    if (verb == u"run-item" || verb == u"toggle-task") {
        const auto fence = idAt(0);
        const auto other = idAt(1);
        if (!fence || !other)
            return std::nullopt;
        return verb == u"run-item" ? runItem(*fence, *other) : toggleTask(*fence, *other);
    }
    if (verb == u"spot-search")
        return spotSearch();
    if (verb == u"smart-tidy")
        return smartTidy();
    return std::nullopt;
}

} // namespace mv
