#pragma once

#include <QStringList>

#include <initializer_list>

// A list of UTF-8 literals, for tables of expected texts.
inline QStringList utf8List(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}
