#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

// The bytes of a file in the test folder's data/ directory; fails the test when it is missing.
inline QByteArray readTestData(const QString& name)
{
    QFile file(QStringLiteral(MORVANTEEL_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("cannot open test data %s", qPrintable(file.fileName()));
        return {};
    }
    return file.readAll();
}
