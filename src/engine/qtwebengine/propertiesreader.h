#pragma once

#include <functional>

#include "engine/pageproperties.h"

class QWebEnginePage;

namespace skiff {

// Reads the properties of the page on display and hands them to `done`, once the page has
// answered; `done` is not called if the page goes away first. `certificateOverridden` says
// whether the user let the page load despite an invalid certificate.
void readPageProperties(QWebEnginePage* page, bool certificateOverridden,
                        std::function<void(const PageProperties&)> done);

}  // namespace skiff
