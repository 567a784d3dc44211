#pragma once

#include "core/models/FenceModels.h"
#include "core/models/ModelEnums.h"

#include <QList>
#include <QString>

namespace mv::FolderPortalEngine {

enum class HiddenFiles { Skip, Show };
enum class ExtensionDisplay { Hide, Show };

// Everything a portal tab decides about how its folder lists: which items, how they are named,
// which the filter keeps and in what order. Two equal options over one folder list alike.
struct PortalListingOptions {
    HiddenFiles hiddenFiles = HiddenFiles::Skip;
    ExtensionDisplay extensions = ExtensionDisplay::Hide;
    QString filter;
    FenceSortMode sortMode = FenceSortMode::nameAsc;
    QList<QString> manualOrder; // read by FenceSortMode::manual only

    // The tab's own settings.
    static PortalListingOptions of(const FenceTab& tab)
    {
        return {tab.showHiddenFiles ? HiddenFiles::Show : HiddenFiles::Skip,
                tab.showExtensions ? ExtensionDisplay::Show : ExtensionDisplay::Hide, tab.portalFilter,
                tab.sortMode, tab.manualOrder};
    }

    bool operator==(const PortalListingOptions&) const = default;
};

} // namespace mv::FolderPortalEngine
