#include "desktop/content/SinglePathDialog.h"

#include <QFileDialog>
#include <QPointer>

namespace mv {

std::optional<QString> runSinglePathDialog(QFileDialog* dialog)
{
    // Watched: should its owner go during exec(), the dialog goes with it.
    const QPointer<QFileDialog> watched = dialog;
    const int result = watched->exec();
    if (!watched)
        return std::nullopt;
    const QStringList chosen = watched->selectedFiles();
    delete watched.data();
    if (result != QDialog::Accepted || chosen.size() != 1 || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

} // namespace mv
