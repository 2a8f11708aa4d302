#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "app/application.h"
#include "core/clock.h"
#include "scriptedengine.h"

namespace skiff::test {

// A clock that says what the test tells it.
class FixedClock : public Clock {
public:
    QDateTime time{QDate(2026, 12, 8), QTime(23, 59, 58)};
    QDateTime now() const override { return time; }
};

// Everything a test of the windows needs: a temporary working and configuration folder, and
// the program's application object with browser windows that make scripted web components (or
// real ones), a fixed clock, and message boxes recorded instead of shown. Create one per test
// function; its destructor unloads every window.
class WindowTestEnvironment {
public:
    enum class Engine { Scripted, Real };
    explicit WindowTestEnvironment(Engine engine = Engine::Scripted);
    ~WindowTestEnvironment();

    QString path(const QString& name) const { return dir_.filePath(name); }
    Application& app() { return *app_; }
    // The scripted web components the browser windows made, in order of creation.
    QList<ScriptedBrowser*> engines() const;
    ScriptedBrowser* firstEngine() const;

    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>();
    QList<QPair<QString, QString>> messages;  // (prompt, title) of every message box

private:
    QTemporaryDir dir_;
    QString previousDir_;
    ScriptedEngine* scripted_ = nullptr;  // the application's engine, when scripted
    std::unique_ptr<Application> app_;
};

// Lets queued deletions and other posted events run.
void settle();

}  // namespace skiff::test
