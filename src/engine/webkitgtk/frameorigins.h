#pragma once

#include <QByteArray>
#include <QUrl>

using WebKitUserContentManager = struct _WebKitUserContentManager;

namespace skiff {

// Which frame of a page shows a script dialog. WebKit's script-dialog signal does not say: a
// script in the page's world of every frame reports the frame's origin as it calls alert,
// confirm or prompt, and that it is done, through a message channel whose name the page does
// not know (so it cannot speak for another frame). The report comes before WebKit's signal for
// the dialog.
class FrameOrigins {
public:
    explicit FrameOrigins(WebKitUserContentManager* content);
    ~FrameOrigins();
    FrameOrigins(const FrameOrigins&) = delete;
    FrameOrigins& operator=(const FrameOrigins&) = delete;

    // The origin of the frame whose dialog is being called; empty when no frame reported one
    // (a frame the script did not reach), which then names no site.
    QUrl asking() const { return m_asking; }

private:
    WebKitUserContentManager* m_content;
    QByteArray m_channel;
    QUrl m_asking;
};

}  // namespace skiff
