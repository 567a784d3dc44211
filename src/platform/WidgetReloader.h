#pragma once

#include <QDateTime>

namespace mv::platform {

// There is no widget system on the Linux desktop: a reload request is only recorded, so that
// the program behaves as it would with one and tests can see the request.
class WidgetReloader final {
public:
    void reloadAllTimelines()
    {
        ++m_requestCount;
        m_lastRequest = QDateTime::currentDateTimeUtc();
    }

    int requestCount() const { return m_requestCount; }
    QDateTime lastRequest() const { return m_lastRequest; }

private:
    int m_requestCount = 0;
    QDateTime m_lastRequest;
};

} // namespace mv::platform
