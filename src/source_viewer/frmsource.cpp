#include "source_viewer/frmsource.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPointer>

#include "engine/webbrowser.h"
#include "forms/browserhost.h"
#include "forms/singleinstance.h"
#include "forms/twipgeometry.h"

namespace skiff {

namespace {

SingleInstance<FrmSource>& instance() {
    static SingleInstance<FrmSource> s;
    return s;
}

WindowDefinition definition() {
    WindowDefinition d;
    d.caption = "Form2";
    d.clientWidth = 1800;
    d.clientHeight = 1455;
    d.backColor = ColorValue{0x00FFFFFF};
    d.controls = {{"rtbSource", ControlKind::RichTextBox, "", 75, 75, 1500, 1155}};
    d.accessibleNames = {{"rtbSource", "Page source"}};
    return d;
}

}  // namespace

FrmSource& frmSource() {
    return instance().get();
}
bool frmSourceLoaded() {
    return instance().loaded();
}
void unloadFrmSource() {
    instance().unload();
}

FrmSource::FrmSource() {
    const WindowDefinition def = definition();
    applyWindowSettings(this, def);
    controls_ = buildControls(this, def);
    rtbSource_ = controls_.get<QPlainTextEdit>("rtbSource");
}

// A page without a document shows an empty text.
void FrmSource::Form_Load() {
    WebBrowser* wb = firstBrowserWindow()->wbMain();
    QPointer<FrmSource> self(this);
    wb->documentMarkup([self](std::optional<QString> markup) {
        if (self) self->rtbSource_->setPlainText(markup.value_or(QString()));
    });
    setWindowTitle(QStringLiteral("view-source: ") + wb->LocationName());
}

// A size the box refuses (negative) keeps its last value.
void FrmSource::Form_Resize() {
    setTwipsWidth(rtbSource_, scaleWidth(this) - 300.0f);
    setTwipsHeight(rtbSource_, scaleHeight(this) - 300.0f);
}

void FrmSource::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Form_Resize();
}

void FrmSource::closeEvent(QCloseEvent* e) {
    instance().closeBox(this, e);
}

}  // namespace skiff
