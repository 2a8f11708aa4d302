#include "engine/offlinesockets.h"

namespace skiff {

// The listener comes first and captures, so a page's own listener cannot stop the event before
// it; the close method is taken before the page can replace it.
const char kSocketTrackingScript[] = R"((() => {
    const Native = window.WebSocket;
    if (!Native) return;
    const close = Native.prototype.close;
    const made = [];
    window.WebSocket = new Proxy(Native, {
        construct(target, args, newTarget) {
            const socket = Reflect.construct(target, args, newTarget);
            made.push(new WeakRef(socket));
            return socket;
        }
    });
    window.addEventListener('skiff-offline', () => {
        for (const ref of made.splice(0)) {
            const socket = ref.deref();
            if (socket) close.call(socket);
        }
    }, true);
})();)";

const char kCloseSocketsScript[] = "window.dispatchEvent(new Event('skiff-offline')); 0";

}  // namespace skiff
