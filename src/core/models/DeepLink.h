#pragma once

#include <QString>
#include <QUrl>
#include <QUuid>

#include <optional>
#include <variant>

namespace mv {

// A request in the program's own URL scheme: open a fence, switch workspace, run an item,
// toggle a task, open SpotSearch, open the smart tidy. This type only carries and converts it.
class MorvanteelDeepLink final {
public:
    struct OpenFence {
        QUuid fenceID;
        bool operator==(const OpenFence&) const = default;
    };
    struct SwitchWorkspace {
        QUuid workspaceID;
        bool operator==(const SwitchWorkspace&) const = default;
    };
    struct RunItem {
        QUuid fenceID;
        QUuid itemID;
        bool operator==(const RunItem&) const = default;
    };
    struct ToggleTask {
        QUuid fenceID;
        QUuid taskID;
        bool operator==(const ToggleTask&) const = default;
    };
    struct SpotSearch {
        bool operator==(const SpotSearch&) const = default;
    };
    struct SmartTidy {
        bool operator==(const SmartTidy&) const = default;
    };
    using Request = std::variant<OpenFence, SwitchWorkspace, RunItem, ToggleTask, SpotSearch, SmartTidy>;

    static constexpr QLatin1StringView scheme{"morvanteel"};

    MorvanteelDeepLink(Request request) : m_request(std::move(request)) {}

    static MorvanteelDeepLink openFence(const QUuid& fenceID) { return {OpenFence{fenceID}}; }
    static MorvanteelDeepLink switchWorkspace(const QUuid& workspaceID) { return {SwitchWorkspace{workspaceID}}; }
    static MorvanteelDeepLink runItem(const QUuid& fenceID, const QUuid& itemID) { return {RunItem{fenceID, itemID}}; }
    static MorvanteelDeepLink toggleTask(const QUuid& fenceID, const QUuid& taskID) { return {ToggleTask{fenceID, taskID}}; }
    static MorvanteelDeepLink spotSearch() { return {SpotSearch{}}; }
    static MorvanteelDeepLink smartTidy() { return {SmartTidy{}}; }

    // The link a URL denotes, or none. The scheme and the verb (the host) are matched in any
    // letter case; ids are read strictly, in either case; path parts beyond those a verb
    // needs, the query, fragment, user and port are ignored. "morvanteel:open-fence/…"
    // (no "//", so no host) is no link.
    static std::optional<MorvanteelDeepLink> fromURL(const QUrl& url);
    static std::optional<MorvanteelDeepLink> fromString(const QString& text);

    // "morvanteel://verb/ID[/ID]" with upper-case ids and nothing after the last id.
    QString urlString() const;
    QUrl url() const;

    const Request& request() const { return m_request; }
    template<class T>
    const T* as() const { return std::get_if<T>(&m_request); }

    bool operator==(const MorvanteelDeepLink&) const = default;

private:
    Request m_request;
};

} // namespace mv
