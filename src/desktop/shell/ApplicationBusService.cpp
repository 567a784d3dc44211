#include "desktop/shell/ApplicationBusService.h"

#include "desktop/shell/IntentActions.h"
#include "desktop/shell/MorvanteelAppRuntime.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QLoggingCategory>

namespace mv {

namespace {

Q_LOGGING_CATEGORY(applicationBusLog, "morvanteel.shell.applicationbus", QtWarningMsg)

} // namespace

ApplicationBusService::ApplicationBusService(MorvanteelAppRuntime& runtime, IntentActions& actions)
    : QObject(&runtime)
    , m_runtime(runtime)
    , m_actions(actions)
{
    new FreedesktopApplicationAdaptor(*this);
}

ApplicationBusService::~ApplicationBusService()
{
    if (!m_registered)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName);
    bus.unregisterObject(objectPath);
}

bool ApplicationBusService::registerOnSessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCInfo(applicationBusLog) << "no session bus: shortcuts reach the program through its links only";
        return false;
    }
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportAdaptors)) {
        qCWarning(applicationBusLog) << "cannot register" << objectPath << bus.lastError().message();
        return false;
    }
    if (!bus.registerService(serviceName)) {
        qCWarning(applicationBusLog) << "the bus name" << serviceName << "is taken:" << bus.lastError().message();
        bus.unregisterObject(objectPath);
        return false;
    }
    m_registered = true;
    return true;
}

void ApplicationBusService::activate()
{
    m_runtime.reopen();
}

void ApplicationBusService::open(const QStringList& uris)
{
    m_runtime.handleDeepLinkURLs(uris);
}

void ApplicationBusService::activateAction(const QString& name, const QVariantList& parameter)
{
    if (parameter.size() > 1) {
        m_actions.activate(name, QString()); // refused as a parameter it does not take
        return;
    }
    if (parameter.isEmpty()) {
        m_actions.activate(name);
        return;
    }
    QVariant value = parameter.first();
    if (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<QString>()) {
        qCWarning(applicationBusLog) << "action" << name << "was given a parameter that is not a string";
        m_actions.activate(name, QString());
        return;
    }
    m_actions.activate(name, value.toString());
}

FreedesktopApplicationAdaptor::FreedesktopApplicationAdaptor(ApplicationBusService& service)
    : QDBusAbstractAdaptor(&service)
    , m_service(service)
{
}

void FreedesktopApplicationAdaptor::Activate(const QVariantMap&)
{
    m_service.activate();
}

void FreedesktopApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&)
{
    m_service.open(uris);
}

void FreedesktopApplicationAdaptor::ActivateAction(const QString& actionName, const QVariantList& parameter,
                                                   const QVariantMap&)
{
    m_service.activateAction(actionName, parameter);
}

} // namespace mv
