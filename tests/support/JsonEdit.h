#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

// Changes one place of a parsed JSON document, named like "fences[0].tabs[2].kind": sets the
// value there, or removes the key when no value is given.
QJsonObject editJson(const QJsonObject& root, const QString& path, const std::optional<QJsonValue>& value);
