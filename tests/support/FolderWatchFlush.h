#pragma once

#include "core/store/FolderWatch.h"

#include <QFile>
#include <QSignalSpy>
#include <QString>

namespace mv::test {

// Lets every change made so far reach the folder watches of this thread: one made afterwards
// in `flushFolder`, a folder of its own, comes through the same kernel queue behind them, so
// once it has been delivered, so have they. `flushes` numbers the files it leaves there.
inline bool deliverQueuedChanges(const QString& flushFolder, int& flushes, int timeout = 5000)
{
    const auto flush = FolderWatch::open(flushFolder);
    if (!flush)
        return false;
    QSignalSpy delivered(flush.get(), &FolderWatch::changed);
    QFile file(flushFolder + QStringLiteral("/%1").arg(++flushes));
    return file.open(QIODevice::WriteOnly) && file.write("f") == 1 && (file.close(), delivered.wait(timeout));
}

} // namespace mv::test
