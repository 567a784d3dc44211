#pragma once

#include <QObject>

class QSocketNotifier;

namespace mv::platform {

// Turns SIGTERM, SIGINT and SIGHUP into a normal end of the event loop, so that what runs when
// the application quits (writing the last saves) runs for a logout or a `kill` too. The handler
// itself only writes a byte into a pipe; the event loop reads it and quits. One per program.
class QuitOnSignals final : public QObject {
    Q_OBJECT

public:
    explicit QuitOnSignals(QObject* parent = nullptr);
    // Gives the signals back their default actions.
    ~QuitOnSignals() override;

    // False when the pipe or the handlers could not be set up: the signals then end the
    // program at once, as they do by default.
    bool isActive() const { return m_notifier != nullptr; }

Q_SIGNALS:
    // The signal that arrived, just before the event loop is asked to quit.
    void received(int signalNumber);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace mv::platform
