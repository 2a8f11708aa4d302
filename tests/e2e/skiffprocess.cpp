#include "e2e/skiffprocess.h"

#include <QDir>
#include <QSettings>
#include <QTest>

namespace skiff::e2e {

SkiffProcess::SkiffProcess(const XSession& x, quint16 proxyPort)
    : m_display(x.displayName()), m_proxyPort(proxyPort) {
    for (const char* folder : {"work", "home", "config", "data", "cache", "runtime"}) {
        QDir(m_root.path()).mkpath(folder);
    }
    QFile::setPermissions(m_root.filePath("runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

SkiffProcess::~SkiffProcess() {
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // The bus's own children (the accessibility bus it started on demand) end with it.
    if (m_sessionBus.state() != QProcess::NotRunning) {
        m_sessionBus.terminate();
        if (!m_sessionBus.waitForFinished(5000)) m_sessionBus.kill();
        m_sessionBus.waitForFinished(5000);
    }
}

QString SkiffProcess::sessionBusAddress() const {
    return "unix:path=" + m_root.filePath("runtime/bus");
}

bool SkiffProcess::startSessionBus(const QProcessEnvironment& env) {
    if (m_sessionBus.state() != QProcess::NotRunning ||
        env.value("DBUS_SESSION_BUS_ADDRESS") != sessionBusAddress())
        return true;
    m_sessionBus.setProcessEnvironment(env);
    m_sessionBus.setStandardErrorFile(QProcess::nullDevice());  // its log of activations
    m_sessionBus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                       "--address=" + sessionBusAddress()});
    // It prints its address once it listens.
    return waitFor([this] {
               return m_sessionBus.canReadLine() || m_sessionBus.state() == QProcess::NotRunning;
           }) &&
           m_sessionBus.state() == QProcess::Running;
}

// The program keeps its settings in an INI file that QSettings writes and reads.
QString SkiffProcess::settingsFile() const {
    return configDir() + "/Skiff/Web Browser.conf";
}

void SkiffProcess::setSetting(const QString& key, const QVariant& value) {
    QSettings store(settingsFile(), QSettings::IniFormat);
    store.setValue(key, value);
}

QVariant SkiffProcess::setting(const QString& key) const {
    return QSettings(settingsFile(), QSettings::IniFormat).value(key);
}

void SkiffProcess::setEnvironment(const QString& name, const QString& value) {
    m_environment.insert(name, value);
    m_removed.removeAll(name);
}

void SkiffProcess::removeEnvironment(const QString& name) {
    m_environment.remove(name);
    m_removed << name;
}

QString SkiffProcess::engine() {
    const QString chosen = qEnvironmentVariable("SKIFF_ENGINE");
    return chosen.isEmpty() ? "webkitgtk" : chosen;
}

QString SkiffProcess::executable() {
    const QString installed = qEnvironmentVariable("SKIFF_E2E_EXECUTABLE");
    return installed.isEmpty() ? QString(SKIFF_EXECUTABLE) : installed;
}

QProcessEnvironment SkiffProcess::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE",
                             "SESSION_MANAGER", "AT_SPI_BUS_ADDRESS"}) {
        env.remove(name);
    }
    env.insert("DBUS_SESSION_BUS_ADDRESS", sessionBusAddress());
    env.insert("DISPLAY", m_display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("HOME", m_root.filePath("home"));
    env.insert("XDG_CONFIG_HOME", configDir());
    env.insert("XDG_DATA_HOME", m_root.filePath("data"));
    env.insert("XDG_CACHE_HOME", m_root.filePath("cache"));
    env.insert("XDG_RUNTIME_DIR", m_root.filePath("runtime"));
    env.insert("LC_ALL", "C.UTF-8");
    // "<-loopback>" takes away the engine's own exception for 127.0.0.1, so that the proxy
    // sees every request, whatever its host.
    env.insert("QTWEBENGINE_CHROMIUM_FLAGS",
               QString("--disable-gpu --disable-background-networking --disable-component-update "
                       "--proxy-server=http://127.0.0.1:%1 --proxy-bypass-list=<-loopback>")
                   .arg(m_proxyPort));
    // WebKit takes its proxy from the variables command-line programs read.
    const QString proxy = QString("http://127.0.0.1:%1").arg(m_proxyPort);
    for (const char* name : {"http_proxy", "https_proxy", "all_proxy"}) env.insert(name, proxy);
    for (const char* name : {"no_proxy", "NO_PROXY", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY"})
        env.remove(name);
    env.insert(m_environment);
    for (const QString& name : m_removed) env.remove(name);
    return env;
}

bool SkiffProcess::start(const QStringList& arguments) {
    return startCommand(executable(), arguments);
}

bool SkiffProcess::startCommand(const QString& command, const QStringList& arguments) {
    const QProcessEnvironment env = environment();
    if (!startSessionBus(env)) {
        m_output += "the session bus did not start\n";
        return false;
    }
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(workingDir());
    m_process.start(command, arguments);
    return m_process.waitForStarted(kWaitMs);
}

bool SkiffProcess::waitForExit(int timeoutMs) {
    return waitFor([this] { return !isRunning(); }, timeoutMs);
}

QString SkiffProcess::output() {
    m_output += m_process.readAll();
    return QString::fromLocal8Bit(m_output);
}

void reportFailure(const XSession& x, SkiffProcess* skiff) {
    const QString shot = QString(SKIFF_E2E_OUTPUT "/%1.png").arg(QTest::currentTestFunction());
    x.saveScreenshot(shot);
    qWarning("Screen saved as %s", qPrintable(shot));
    if (skiff) qWarning("skiff said:\n%s", qPrintable(skiff->output()));
}

}  // namespace skiff::e2e
