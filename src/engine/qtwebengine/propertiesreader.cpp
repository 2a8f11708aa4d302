#include "engine/qtwebengine/propertiesreader.h"

#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include "engine/propertiesscript.h"

namespace skiff {

void readPageProperties(QWebEnginePage* page, bool certificateOverridden,
                        std::function<void(const PageProperties&)> done) {
    QPointer<QWebEnginePage> guard(page);
    page->runJavaScript(kPagePropertiesScript, QWebEngineScript::ApplicationWorld,
                        [guard, certificateOverridden, done](const QVariant& answer) {
                            if (!guard) return;
                            done(pagePropertiesOf(guard->title(), guard->url(),
                                                  !certificateOverridden, answer.toString()));
                        });
}

}  // namespace skiff
