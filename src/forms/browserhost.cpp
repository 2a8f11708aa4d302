#include "forms/browserhost.h"

#include "forms/programhost.h"

namespace skiff {

BrowserHost* firstBrowserWindow() {
    ProgramHost* host = ProgramHost::current();
    return host ? host->firstBrowserWindow() : nullptr;
}

}  // namespace skiff
