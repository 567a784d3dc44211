#pragma once

#include "core/models/EnumTraits.h"
#include "core/models/Record.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>
#include <type_traits>

namespace mv {

namespace detail {

inline size_t combine(size_t seed, size_t value)
{
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

struct FieldHasher;

template<class T>
size_t hashField(const T& value);

template<class T>
size_t hashField(const QList<T>& values)
{
    size_t seed = 0;
    for (const T& value : values)
        seed = combine(seed, hashField(value));
    return seed;
}

template<class T>
size_t hashField(const std::optional<T>& value)
{
    // The presence marker keeps "absent" apart from a present empty value.
    return value ? combine(1, hashField(*value)) : 0;
}

struct FieldHasher {
    size_t seed = 0;
    template<class T>
    void operator()(const char*, const T& value) { seed = combine(seed, hashField(value)); }
};

template<class T>
size_t hashField(const T& value)
{
    if constexpr (std::is_enum_v<T>) {
        return ::qHash(static_cast<std::underlying_type_t<T>>(value));
    } else if constexpr (isHashableRecord<T>) {
        FieldHasher hasher;
        describeFields(hasher, value);
        return hasher.seed;
    } else {
        return ::qHash(value);
    }
}

} // namespace detail

// The hash of a hashable record combines every stored field, consistently with ==.
template<class T>
    requires isHashableRecord<T>
size_t qHash(const T& record, size_t seed)
{
    return detail::combine(seed, detail::hashField(record));
}

} // namespace mv
