#pragma once

#include <QDBusAbstractAdaptor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace mv {

class IntentActions;
class MorvanteelAppRuntime;

// The program on the session bus: it owns its well-known name and answers the freedesktop
// application interface, so that any launcher, dock or `gapplication` reaches the running
// instance: Activate brings the control center forward, Open hands over links, ActivateAction
// runs a shortcut. The instance itself is decided by the instance lock, never by this name:
// without a bus, or with the name held elsewhere, the program runs as it would without.
class ApplicationBusService final : public QObject {
    Q_OBJECT

public:
    // The name the desktop entry's file name and the bus activation file follow.
    static inline const QString serviceName = QStringLiteral("org.morvanteel.Morvanteel");
    static inline const QString objectPath = QStringLiteral("/org/morvanteel/Morvanteel");

    ApplicationBusService(MorvanteelAppRuntime& runtime, IntentActions& actions);
    ~ApplicationBusService() override;

    // Registers the object and takes the name on the session bus; false (with a warning) when
    // there is no bus or the name is taken.
    bool registerOnSessionBus();

    void activate();
    void open(const QStringList& uris);
    // `parameter`: the action's parameter, none or one; the switch takes a workspace id string.
    void activateAction(const QString& name, const QVariantList& parameter);

private:
    MorvanteelAppRuntime& m_runtime;
    IntentActions& m_actions;
    bool m_registered = false;
};

// org.freedesktop.Application, as the bus sees it.
class FreedesktopApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit FreedesktopApplicationAdaptor(ApplicationBusService& service);

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& actionName, const QVariantList& parameter, const QVariantMap& platformData);

private:
    ApplicationBusService& m_service;
};

} // namespace mv
