#include "core/filemodes.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace skiff {

namespace {

// The umask the program was started with.
mode_t g_userMask = [] {
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}();

}  // namespace

void keepNewFilesPrivate() {
    static const bool kept = [] {
        g_userMask = umask(077);
        return true;
    }();
    Q_UNUSED(kept);
}

bool giveUserFileMode(const QString& path) {
    return chmod(QFile::encodeName(path).constData(), 0666 & ~g_userMask) == 0;
}

bool makeWritableFolders(const QStringList& folders) {
    for (const QString& folder : folders)
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable()) return false;
    return true;
}

}  // namespace skiff
