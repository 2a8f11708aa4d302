#include "browser/browserprogram.h"

namespace skiff {

BrowserProgram* BrowserProgram::current() {
    return dynamic_cast<BrowserProgram*>(ProgramHost::current());
}

}  // namespace skiff
