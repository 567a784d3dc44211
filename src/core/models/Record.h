#pragma once

#include <type_traits>

namespace mv {

// Every model record lists its stored fields once, in declaration order, in a
// `describeFields(visitor, record)` overload beside the type:
//
//     v("id", r.id); v("name", r.name); ...
//
// The JSON reader and writer and the hash walk that one list, so a field cannot be
// written and then forgotten on reading. `Self` is the record, const or not.
template<class Self, class Record>
concept RecordOf = std::is_same_v<std::remove_const_t<Self>, Record>;

// Records that are hashable opt in here; the others (preferences, documents, plans,
// transactions, snapshots) compare for equality only.
template<class T>
inline constexpr bool isHashableRecord = false;

} // namespace mv
