#pragma once

#include <QString>

namespace skiff {

// The web engine's own options ("Internet options"): its home page and what pages may do.
// They live in the per-user settings store, application "Web Browser", section
// "Internet Options", as "Home Page", "JavaScript Enabled" and "Images Enabled".
class EngineOptions {
public:
    static constexpr char kDefaultHomePage[] = "http://www.google.com/";

    // The stored options; a missing value takes its default.
    static EngineOptions load();
    // Writes every option to the settings store; false when one could not be written.
    bool save() const;

    QString homePage() const { return m_homePage; }
    void setHomePage(const QString& address) { m_homePage = address; }
    bool javascriptEnabled() const { return m_javascriptEnabled; }
    void setJavascriptEnabled(bool enabled) { m_javascriptEnabled = enabled; }
    bool imagesEnabled() const { return m_imagesEnabled; }
    void setImagesEnabled(bool enabled) { m_imagesEnabled = enabled; }

    bool operator==(const EngineOptions&) const = default;

private:
    QString m_homePage = kDefaultHomePage;
    bool m_javascriptEnabled = true;
    bool m_imagesEnabled = true;
};

}  // namespace skiff
