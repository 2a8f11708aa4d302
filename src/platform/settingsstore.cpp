#include "platform/settingsstore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace skiff {

namespace {

const QString kStoreFolder = QStringLiteral("Skiff");

// The file is looked up afresh on every use, so a change of the configuration folder (as in
// tests) is followed. C++17 builds the returned store in place, so no copy is needed.
QSettings openStore(const QString& appName) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QSettings(folder + u'/' + kStoreFolder + u'/' + appName + QStringLiteral(".conf"),
                     QSettings::IniFormat);
}

QString entryName(const QString& section, const QString& key) {
    return section + u'/' + key;
}

// The store is written to a new file beside the old one that then takes its place, so both
// the file and its folder must be writable. A store that could not be read, or that still
// holds changes an earlier write could not save, is not written either.
bool canWrite(QSettings& store) {
    if (store.status() != QSettings::NoError || !store.isWritable()) return false;
    return QFileInfo(QFileInfo(store.fileName()).absolutePath()).isWritable();
}

}  // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings store = openStore(appName);
    return store.value(entryName(section, key), defaultValue).toString();
}

bool SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    QSettings store = openStore(appName);
    if (!canWrite(store)) return false;
    const QString name = entryName(section, key);
    const QVariant previous = store.value(name);
    store.setValue(name, value);
    store.sync();
    if (store.status() == QSettings::NoError) return true;
    // The file kept the old value; take the new one back out of memory too, so that readers
    // in this process are not shown a value that was never stored.
    if (previous.isValid())
        store.setValue(name, previous);
    else
        store.remove(name);
    return false;
}

}  // namespace skiff
