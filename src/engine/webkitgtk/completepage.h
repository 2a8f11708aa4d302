#pragma once

#include <QString>
#include <functional>

namespace skiff {

class WebKitBrowser;

// Saves the page on display in `browser` as a complete web page: its markup as it stands now at
// `path`, and its images, style sheets and scripts in a folder "<name>_files" beside it, the
// page's references to them rewritten to the folder. A resource the page no longer holds stays
// referred to at its address. The page file is written last, and a failed write leaves no half
// file in place of an old one. `done` gets whether it worked, later and not at all once the
// browser is gone.
void saveCompletePage(WebKitBrowser& browser, const QString& path, std::function<void(bool)> done);

}  // namespace skiff
