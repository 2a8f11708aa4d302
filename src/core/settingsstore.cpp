#include "core/settingsstore.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QVariant>
#include <filesystem>

namespace skiff {

namespace {

const QString kStoreFolder = QStringLiteral("Skiff");

// The file is looked up afresh on every use, so a change of the configuration folder (as in
// tests) is followed. C++17 builds the returned store in place, so no copy is needed.
QSettings openStore(const QString& appName) {
    return QSettings(settingsFilePath(appName), QSettings::IniFormat);
}

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return !utf8.hasError();
}

// Every line the store writes is blank, a comment, a closed [section] or a key=value pair. The
// store's own status cannot tell: it reports a parse error only to the first reader of a file.
bool hasStoreLines(const QByteArray& bytes) {
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';')) continue;
        if (line.startsWith('[') ? !line.endsWith(']') : !line.contains('=')) return false;
    }
    return true;
}

// The store's file at `path` holds what the store cannot read as its own. A missing or
// unreadable file is not damaged: it has nothing the store could lose.
bool fileDamaged(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    return !isUtf8(bytes) || !hasStoreLines(bytes);
}

// A name beside `path` that no file has yet: ".damaged" added, then a number when taken.
QString freeBackupName(const QString& path) {
    const QString base = path + QStringLiteral(".damaged");
    QString name = base;
    for (int number = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++number)
        name = base + u'.' + QString::number(number);
    return name;
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

// Stores `value` in `store`; false, with the file and what this process reads as they were,
// when the file could not be written.
bool write(QSettings& store, const QString& name, const QString& value) {
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

// Writes a store that holds only `value` under `name` into the new file at `path`.
bool writeNewStore(const QString& path, const QString& name, const QString& value) {
    QSettings store(path, QSettings::IniFormat);
    return canWrite(store) && write(store, name, value);
}

// Puts the file at `from` in the place of the one at `to` in one step.
bool replaceFile(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(),
                            QFile::encodeName(to).toStdString(), error);
    return !error;
}

}  // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    QSettings store = openStore(appName);
    return store.value(entryName(section, key), defaultValue).toString();
}

SaveResult SaveSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& value) {
    const QString path = settingsFilePath(appName);
    if (fileDamaged(path)) return SaveResult::Damaged;
    QSettings store(path, QSettings::IniFormat);
    if (!canWrite(store) || !write(store, entryName(section, key), value))
        return SaveResult::NotWritable;
    return SaveResult::Saved;
}

QString settingsFilePath(const QString& appName) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folder + u'/' + kStoreFolder + u'/' + appName + QStringLiteral(".conf");
}

// The damaged file stays in its place until the new file, written beside it, takes that place
// in one step; so whatever fails or is interrupted on the way, a file is there.
std::optional<QString> replaceDamagedSettings(const QString& appName, const QString& section,
                                              const QString& key, const QString& value) {
    const QString path = settingsFilePath(appName);
    const QString backup = freeBackupName(path);
    if (!QFile::copy(path, backup)) return std::nullopt;
    QTemporaryFile fresh(path + QStringLiteral(".XXXXXX"));
    if (fresh.open()) {
        fresh.close();
        if (writeNewStore(fresh.fileName(), entryName(section, key), value) &&
            replaceFile(fresh.fileName(), path))
            return backup;
    }
    QFile::remove(backup);
    return std::nullopt;
}

}  // namespace skiff
