#pragma once

class QUrl;

namespace skiff {

// The web engine acts on a few chrome: addresses itself instead of loading a page: they crash,
// hang or strain one of its processes, the browser's own among them (chrome://gpucrash,
// chrome://inducebrowsercrashforrealz, chrome://hang, ...). True when the engine would read
// `url`, as it is handed to it, as one of them, or would show one in its source view.
bool isEngineDebugAddress(const QUrl& url);

}  // namespace skiff
