#pragma once

#include <QLatin1StringView>
#include <QList>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>

namespace mv {

// One case of a model enumeration: its stored text (the case name) and its Chinese label.
template<class E>
struct EnumCase {
    E value;
    const char* rawValue;
    const char* displayName; // UTF-8
};

// Specialised for every model enumeration with `cases` (in declaration order, one per
// enumerator, in enumerator order) and `noun` (how read errors name the set: "a tab kind").
template<class E>
struct EnumInfo;

template<class E>
concept ModelEnum = requires {
    EnumInfo<E>::cases;
    EnumInfo<E>::noun;
};

// True when the table lists every enumerator exactly at its own position.
template<class E, std::size_t N>
constexpr bool casesInDeclarationOrder(const std::array<EnumCase<E>, N>& cases)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(cases[i].value) != i)
            return false;
    }
    return true;
}

template<ModelEnum E>
QLatin1StringView rawValueView(E value)
{
    return QLatin1StringView(EnumInfo<E>::cases[static_cast<std::size_t>(value)].rawValue);
}

template<ModelEnum E>
QString rawValue(E value)
{
    return QString(rawValueView(value));
}

template<ModelEnum E>
QString displayName(E value)
{
    return QString::fromUtf8(EnumInfo<E>::cases[static_cast<std::size_t>(value)].displayName);
}

// Exact, case-sensitive: no trimming, no other spelling, no numeric form.
template<ModelEnum E>
std::optional<E> fromRawValue(QStringView text)
{
    for (const auto& c : EnumInfo<E>::cases) {
        if (text == QLatin1StringView(c.rawValue))
            return c.value;
    }
    return std::nullopt;
}

template<ModelEnum E>
QList<E> allCases()
{
    QList<E> result;
    result.reserve(qsizetype(EnumInfo<E>::cases.size()));
    for (const auto& c : EnumInfo<E>::cases)
        result.append(c.value);
    return result;
}

} // namespace mv
