#include "engine/offlinesockets.h"

namespace skiff {

// The listeners come first and capture, so a page's own listener cannot stop the order before
// them; the close method is taken before the page can replace it.
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
    const closeAll = () => {
        for (const ref of made.splice(0)) {
            const socket = ref.deref();
            if (socket) close.call(socket);
        }
        for (let i = 0; i < window.length; ++i) {
            try { window[i].postMessage('skiff-offline', '*'); } catch (e) {}
        }
    };
    window.addEventListener('skiff-offline', closeAll, true);
    // A frame hears the order from its parent, and passes it on to its own frames.
    window.addEventListener('message', (event) => {
        if (event.data !== 'skiff-offline' || event.source !== window.parent ||
            window.parent === window) return;
        event.stopImmediatePropagation();
        closeAll();
    }, true);
})();)";

const char kCloseSocketsScript[] = "window.dispatchEvent(new Event('skiff-offline')); 0";

}  // namespace skiff
