#include "support/JsonEdit.h"

#include <QList>
#include <QRegularExpression>

namespace {

// A path step: an object key, or an array index when key is empty.
struct Step {
    QString key;
    qsizetype index = -1;
};

QList<Step> parsePath(const QString& path)
{
    QList<Step> steps;
    static const QRegularExpression part(QStringLiteral("([^.\\[\\]]+)|\\[(\\d+)\\]"));
    auto it = part.globalMatch(path);
    while (it.hasNext()) {
        const auto match = it.next();
        if (match.hasCaptured(1))
            steps.append({match.captured(1), -1});
        else
            steps.append({{}, match.captured(2).toLongLong()});
    }
    return steps;
}

QJsonValue edit(const QJsonValue& node, const QList<Step>& steps, qsizetype at, const std::optional<QJsonValue>& value)
{
    const Step& step = steps[at];
    const bool last = at == steps.size() - 1;
    if (step.index >= 0) {
        QJsonArray array = node.toArray();
        if (last) {
            if (value)
                array[step.index] = *value;
            else
                array.removeAt(step.index);
        } else {
            array[step.index] = edit(array.at(step.index), steps, at + 1, value);
        }
        return array;
    }
    QJsonObject object = node.toObject();
    if (last) {
        if (value)
            object.insert(step.key, *value);
        else
            object.remove(step.key);
    } else {
        object.insert(step.key, edit(object.value(step.key), steps, at + 1, value));
    }
    return object;
}

} // namespace

QJsonObject editJson(const QJsonObject& root, const QString& path, const std::optional<QJsonValue>& value)
{
    return edit(root, parsePath(path), 0, value).toObject();
}
