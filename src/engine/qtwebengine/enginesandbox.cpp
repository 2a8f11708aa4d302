#include "engine/qtwebengine/enginesandbox.h"

#include <unistd.h>

#include <QList>
#include <QtGlobal>
#include <cstdio>

namespace skiff {

namespace {

constexpr char kSandboxVariable[] = "QTWEBENGINE_DISABLE_SANDBOX";
constexpr char kFlagsVariable[] = "QTWEBENGINE_CHROMIUM_FLAGS";
constexpr char kAccessibilityVariable[] = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";

// Without --disable-hang-monitor the engine gives a page's before-unload handler well under a
// second: a page that takes longer (a slow machine is enough) is closed or left without its
// question being asked, and what the user typed is lost. The browser window's own limit for a
// page's answer to closing (PageDialogs) takes the hang monitor's place.
const QList<QByteArray>& programSwitches() {
    static const QList<QByteArray> switches{"--disable-background-networking",
                                            "--disable-component-update", "--disable-hang-monitor"};
    return switches;
}

constexpr char kDisableFeatures[] = "--disable-features=";

// While the engine holds back the first picture of a new page (to spare a blank flash between
// pages), it drops every click and key that comes for the page, without a word: the user's first
// click or typing on a page that has just appeared is lost, for as long as the engine waits.
constexpr char kDisabledFeature[] = "PaintHolding";

// Adds the feature to the switch that lists the disabled ones: the engine reads only the last
// such switch, so a second one would undo the user's own.
void disableFeature(QList<QByteArray>& words, const QByteArray& feature) {
    for (auto word = words.rbegin(); word != words.rend(); ++word) {
        if (!word->startsWith(kDisableFeatures)) continue;
        const QByteArray listed = word->mid(qsizetype(sizeof kDisableFeatures) - 1);
        if (!listed.split(',').contains(feature))
            *word = kDisableFeatures + (listed.isEmpty() ? feature : listed + ',' + feature);
        return;
    }
    words.append(kDisableFeatures + feature);
}

void switchSandboxOffForRoot() {
    if (geteuid() != 0 || qEnvironmentVariableIsSet(kSandboxVariable)) return;
    qputenv(kSandboxVariable, "1");
    std::fputs("skiff: running as root, the web engine's sandbox is switched off\n", stderr);
}

}  // namespace

QByteArray withEngineSwitches(const QByteArray& flags) {
    QList<QByteArray> words = flags.simplified().split(' ');
    words.removeAll(QByteArray());
    for (const QByteArray& sw : programSwitches()) {
        if (!words.contains(sw)) words.append(sw);
    }
    disableFeature(words, kDisabledFeature);
    return words.join(' ');
}

void prepareEngineEnvironment() {
    switchSandboxOffForRoot();
    // On Linux the engine keeps a page's document from screen readers (an empty document)
    // unless this is set; with it, the engine builds the page's elements only while Qt's
    // accessibility is on, that is while a screen reader listens.
    if (!qEnvironmentVariableIsSet(kAccessibilityVariable)) qputenv(kAccessibilityVariable, "1");
    qputenv(kFlagsVariable, withEngineSwitches(qgetenv(kFlagsVariable)));
}

}  // namespace skiff
