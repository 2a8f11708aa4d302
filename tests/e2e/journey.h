#pragma once

// The steps journeys with the browser window share: starting skiff until its window is found,
// clicking a page until it reacts, and ending the program after each test function.

#include <QByteArray>
#include <functional>
#include <memory>

#include "e2e/browserwindow.h"
#include "e2e/skiffprocess.h"

namespace skiff::e2e {

// Starts `skiff` with `arguments` and returns its browser window named `title`, located. When
// that fails, the test has failed (with what the program said) and the window is not valid.
std::unique_ptr<BrowserWindow> openBrowser(XSession& x, SkiffProcess& skiff, const QString& title,
                                           const QStringList& arguments = {});

// Saves the screen and what the program said when the test failed, ends the program and waits
// until its windows are gone; false when they stay.
bool endSkiff(XSession& x, std::unique_ptr<SkiffProcess>& skiff);

// Writes `bytes` as the file `path`; false when that fails.
bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace skiff::e2e
