#pragma once

#include <QKeyCombination>

namespace skiff {

// Which keys the browser window keeps from the page. A page gets every key first, so that web
// applications can use them, and a key the page did not use comes back to the browser window
// (see WebBrowser::widget()). The keys a page must never capture are the exception: the
// browser acts on them before the page sees them, wherever the focus is. Escape stops a page
// while it loads and otherwise belongs to the page.
bool browserKeepsKey(QKeyCombination key, bool pageLoading);

}  // namespace skiff
