#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace mv {

// The file dialogs the control-center pages ask with, behind one seam so that tests answer
// them. Each gives the one path chosen, or none when the user cancelled.
struct ControlCenterFileDialogs {
    // One existing folder, starting at `startPath` when it names one.
    std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& startPath)> chooseFolder;
    // Where to save a new file, offering `suggestedName` in the user's documents folder; only
    // files of `nameFilter` are listed.
    std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& suggestedName,
                                         const QString& nameFilter)>
        chooseSaveFile;
    // One existing file of `nameFilter` to read.
    std::function<std::optional<QString>(QWidget* parent, const QString& title, const QString& nameFilter)>
        chooseOpenFile;

    // Modal Qt file dialogs.
    static ControlCenterFileDialogs system();
};

} // namespace mv
