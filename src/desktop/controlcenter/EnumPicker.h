#pragma once

#include "core/models/EnumTraits.h"

#include <QComboBox>

namespace mv::enumpicker {

// A picker of a model enumeration: one row per case in declaration order, labelled with its
// display name and carrying its stored text.
template<ModelEnum E>
void fill(QComboBox& picker)
{
    for (const E value : allCases<E>())
        picker.addItem(displayName(value), rawValue(value));
}

template<ModelEnum E>
E current(const QComboBox& picker, E fallback)
{
    return fromRawValue<E>(picker.currentData().toString()).value_or(fallback);
}

template<ModelEnum E>
void select(QComboBox& picker, E value)
{
    const int index = picker.findData(rawValue(value));
    if (index >= 0 && picker.currentIndex() != index)
        picker.setCurrentIndex(index);
}

} // namespace mv::enumpicker
