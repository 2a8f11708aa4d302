#include "engine/engineoptions.h"

#include "core/settingsstore.h"

namespace skiff {

namespace {

const QString kApp = QStringLiteral("Web Browser");
const QString kSection = QStringLiteral("Internet Options");
const QString kHomePageKey = QStringLiteral("Home Page");
const QString kJavascriptKey = QStringLiteral("JavaScript Enabled");
const QString kImagesKey = QStringLiteral("Images Enabled");

QString textOf(bool value) {
    return value ? "true" : "false";
}

// A stored switch; anything but a clear yes or no keeps the default.
bool readSwitch(const QString& key, bool defaultValue) {
    const QString text = GetSetting(kApp, kSection, key, textOf(defaultValue)).trimmed();
    if (text.compare("true", Qt::CaseInsensitive) == 0 || text == "1") return true;
    if (text.compare("false", Qt::CaseInsensitive) == 0 || text == "0") return false;
    return defaultValue;
}

}  // namespace

EngineOptions EngineOptions::load() {
    EngineOptions options;
    options.m_homePage = GetSetting(kApp, kSection, kHomePageKey, options.m_homePage);
    options.m_javascriptEnabled = readSwitch(kJavascriptKey, options.m_javascriptEnabled);
    options.m_imagesEnabled = readSwitch(kImagesKey, options.m_imagesEnabled);
    return options;
}

bool EngineOptions::save() const {
    // Every option is attempted, even after one failed.
    const auto saved = [](const QString& key, const QString& value) {
        return SaveSetting(kApp, kSection, key, value) == SaveResult::Saved;
    };
    const bool home = saved(kHomePageKey, m_homePage);
    const bool javascript = saved(kJavascriptKey, textOf(m_javascriptEnabled));
    const bool images = saved(kImagesKey, textOf(m_imagesEnabled));
    return home && javascript && images;
}

}  // namespace skiff
