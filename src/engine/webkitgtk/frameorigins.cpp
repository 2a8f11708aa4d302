#include "engine/webkitgtk/frameorigins.h"

#include <QRandomGenerator>

#include "engine/webkitgtk/gtkheaders.h"

namespace skiff {

namespace {

// Runs in the page's world before its own scripts. Everything it calls later is taken now, so
// that the page cannot see or change what is reported by replacing objects of its own.
constexpr char kReportScript[] = R"(
(() => {
    const channel = window.webkit.messageHandlers["%1"];
    const report = channel.postMessage.bind(channel);
    const apply = Reflect.apply;
    const origin = self.origin;
    for (const name of ["alert", "confirm", "prompt"]) {
        const original = window[name];
        window[name] = {
            [name](...args) {
                report(origin);
                try {
                    return apply(original, window, args);
                } finally {
                    report("");
                }
            }
        }[name];
    }
})();
)";

QByteArray randomChannel() {
    QByteArray name = "dialog";
    for (int i = 0; i < 4; ++i)
        name += QByteArray::number(QRandomGenerator::system()->generate(), 36);
    return name;
}

}  // namespace

FrameOrigins::FrameOrigins(WebKitUserContentManager* content)
    : m_content(content), m_channel(randomChannel()) {
    webkit_user_content_manager_register_script_message_handler(m_content, m_channel.constData());
    g_signal_connect(m_content, ("script-message-received::" + m_channel).constData(),
                     G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result,
                                    FrameOrigins* self) {
                         gchar* text =
                             jsc_value_to_string(webkit_javascript_result_get_js_value(result));
                         self->m_asking = QUrl(QString::fromUtf8(text));
                         g_free(text);
                     }),
                     this);
    const QByteArray source = QString(kReportScript).arg(QString(m_channel)).toUtf8();
    WebKitUserScript* script =
        webkit_user_script_new(source.constData(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(m_content, script);
    webkit_user_script_unref(script);
}

FrameOrigins::~FrameOrigins() {
    g_signal_handlers_disconnect_by_data(m_content, this);
    webkit_user_content_manager_unregister_script_message_handler(m_content, m_channel.constData());
}

}  // namespace skiff
