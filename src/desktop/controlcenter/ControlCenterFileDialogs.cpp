#include "desktop/controlcenter/ControlCenterFileDialogs.h"

#include "desktop/content/SinglePathDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace mv {

namespace {

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

} // namespace

ControlCenterFileDialogs ControlCenterFileDialogs::system()
{
    ControlCenterFileDialogs dialogs;
    dialogs.chooseFolder = [](QWidget* parent, const QString& title, const QString& startPath) {
        auto* dialog = new QFileDialog(parent, title, QDir(startPath).exists() ? startPath : QDir::homePath());
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
        return runSinglePathDialog(dialog);
    };
    dialogs.chooseSaveFile = [](QWidget* parent, const QString& title, const QString& suggestedName,
                                const QString& nameFilter) {
        auto* dialog = new QFileDialog(parent, title, documentsFolder(), nameFilter);
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->selectFile(suggestedName);
        return runSinglePathDialog(dialog);
    };
    dialogs.chooseOpenFile = [](QWidget* parent, const QString& title, const QString& nameFilter) {
        auto* dialog = new QFileDialog(parent, title, documentsFolder(), nameFilter);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        return runSinglePathDialog(dialog);
    };
    return dialogs;
}

} // namespace mv
