#include "design/KeyedListModel.h"

#include <algorithm>

namespace mv::KeyedListDiff {

QList<bool> longestIncreasingRun(const QList<int>& sequence)
{
    // Patience sorting: tails[k] is the position ending the best run of length k + 1 found so
    // far, previous[] links each position to the one before it in its run.
    QList<int> tails;
    QList<int> previous(sequence.size(), -1);
    for (int i = 0; i < sequence.size(); ++i) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), sequence[i],
                                            [&](int position, int value) { return sequence[position] < value; });
        const int length = int(place - tails.begin());
        previous[i] = length > 0 ? tails[length - 1] : -1;
        if (place == tails.end())
            tails.append(i);
        else
            *place = i;
    }
    QList<bool> inRun(sequence.size(), false);
    for (int i = tails.isEmpty() ? -1 : tails.last(); i >= 0; i = previous[i])
        inRun[i] = true;
    return inRun;
}

} // namespace mv::KeyedListDiff
