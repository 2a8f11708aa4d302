#include "forms/browserhost.h"

namespace skiff {

namespace {
BrowserHostAccessor& accessor() {
    static BrowserHostAccessor a;
    return a;
}
}  // namespace

void setFirstBrowserWindowAccessor(BrowserHostAccessor a) {
    accessor() = std::move(a);
}

BrowserHost* firstBrowserWindow() {
    return accessor() ? accessor()() : nullptr;
}

}  // namespace skiff
