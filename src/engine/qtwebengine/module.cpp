// The entry of the Qt WebEngine engine's module.

#include <QtWebEngineCore/qtwebenginecoreglobal.h>

#include "engine/enginemodule.h"
#include "engine/qtwebengine/enginesandbox.h"
#include "engine/qtwebengine/qtengine.h"

namespace {

QString version() {
    return QStringLiteral("Qt WebEngine ") + qWebEngineVersion();
}

std::unique_ptr<skiff::Engine> make(QString*) {
    skiff::prepareEngineEnvironment();
    return std::make_unique<skiff::QtEngine>();
}

}  // namespace

extern "C" Q_DECL_EXPORT const skiff::EngineModule skiff_qtwebengine_module{&version, &make};
