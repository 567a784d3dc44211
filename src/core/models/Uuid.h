#pragma once

#include <QString>
#include <QUuid>

#include <optional>

namespace mv {

// Parses exactly the canonical 8-4-4-4-12 form (36 characters, either letter case).
// Braces, URNs, surrounding spaces and trailing text are refused. The all-zero id is a valid id.
std::optional<QUuid> parseUuid(QStringView text);

// The canonical form with upper-case digits, as ids are written in documents and links.
QString uuidString(const QUuid& id);

// A new random (version 4) id.
QUuid newUuid();

} // namespace mv
