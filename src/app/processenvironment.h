#pragma once

#include <QString>
#include <optional>

namespace skiff {

// The environment the toolkit, the engine and the programs the engine starts inherit, made
// safe before any of them starts:
// - a runtime folder of the program's own (XDG_RUNTIME_DIR) when the desktop gives none, so
//   that the engine's sandbox does not fall back on the cache folder;
// - the program's data and cache folders private to the user, mended where an older start
//   left them open to others;
// - an accessibility bus that is there and answers, or none: a bus whose socket is gone would
//   make WebKit's sandbox fail to start (and end the program), and one that never answers
//   would hold up the accessibility bridges' start for minutes.
// What it found wrong is said on standard error only when diagnostics are wanted, except what
// the user must act on (a data folder that cannot be written), which is one line.
void prepareProcessEnvironment();

// ---- Its parts ----

// A folder `name` under `parent` that only this user can enter (0700), made when there is
// none. Refuses one that is a symbolic link or is another user's (someone else may have made it
// first in a shared temporary folder): then a new folder with a unique name is made beside it.
// Nothing when no folder can be made.
std::optional<QString> privateFolder(const QString& parent, const QString& name);

// Makes `folder` (and the folders above it) when it is missing, and gives it and everything
// in it the user's access only: folders 0700, files 0600. Symbolic links are left alone and
// not followed. False when `folder` cannot be made or its modes cannot be set.
bool makePrivate(const QString& folder);

}  // namespace skiff
