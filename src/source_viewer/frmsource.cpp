#include "source_viewer/frmsource.h"

#include <QPlainTextEdit>
#include <QPointer>

#include "forms/browserhost.h"
#include "forms/twipgeometry.h"

namespace skiff {

namespace {

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

FrmSource::FrmSource() {
    build(definition());
    rtbSource_ = control<QPlainTextEdit>("rtbSource");
}

// A page without a document shows an empty text.
void FrmSource::Form_Load() {
    BrowserHost* main = firstBrowserWindow();
    QPointer<FrmSource> self(this);
    main->documentMarkup([self](std::optional<QString> markup) {
        if (self) self->rtbSource_->setPlainText(markup.value_or(QString()));
    });
    setWindowTitle(QStringLiteral("view-source: ") + main->pageTitle());
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

}  // namespace skiff
