// The entry of the WebKitGTK engine's module.

#include "engine/enginemodule.h"
#include "engine/webkitgtk/webkitengine.h"

namespace {

std::unique_ptr<skiff::Engine> make(QString* why) {
    if (!skiff::WebKitEngine::canStart(why)) {
        *why = "WebKitGTK cannot start: " + *why;
        return nullptr;
    }
    return std::make_unique<skiff::WebKitEngine>();
}

}  // namespace

extern "C" Q_DECL_EXPORT const skiff::EngineModule skiff_webkitgtk_module{
    &skiff::WebKitEngine::version, &make};
