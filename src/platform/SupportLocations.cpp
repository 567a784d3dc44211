#include "platform/SupportLocations.h"

#include <QDir>
#include <QStandardPaths>

namespace mv::platform {

namespace {

QString underWritableLocation(QStandardPaths::StandardLocation location)
{
    QString base = QStandardPaths::writableLocation(location);
    if (base.isEmpty())
        base = QDir::tempPath();
    return QDir(base).filePath(QStringLiteral("Morvanteel"));
}

} // namespace

QString defaultSupportDirectory()
{
    return underWritableLocation(QStandardPaths::GenericDataLocation);
}

QString defaultConfigDirectory()
{
    return underWritableLocation(QStandardPaths::GenericConfigLocation);
}

std::optional<QString> appGroupContainer(const QString&)
{
    return std::nullopt;
}

} // namespace mv::platform
