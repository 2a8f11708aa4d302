#pragma once

namespace skiff {

// Offline mode refuses new WebSockets with the rest of the network; these scripts close the
// ones a page had already opened. No engine offers a way to close a page's sockets from outside,
// so the page's own WebSocket constructor is wrapped to keep a weak list of what it made.
//
// The wrapper runs in the page's own script world (an isolated world has a constructor of its
// own, which the page never calls), at document start, in every frame. The program's scripts run
// in the top frame alone: the closing order reaches the frames below it as a message from each
// frame's parent.
extern const char kSocketTrackingScript[];
// Closes every socket the wrappers saw. Run in the top frame, in any world: the order is a DOM
// event on the window, which every world sees.
extern const char kCloseSocketsScript[];

}  // namespace skiff
