#pragma once

#include "forms/form.h"

class QPlainTextEdit;

namespace skiff {

// The page source window: the markup of the first browser window's page, taken once when
// the window loads.
class FrmSource : public Form<FrmSource> {
    Q_OBJECT
public:
    FrmSource();

    void Form_Load();
    void Form_Unload() {}
    void Form_Resize();

    QPlainTextEdit* rtbSource() const { return rtbSource_; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QPlainTextEdit* rtbSource_ = nullptr;
};

// The source window (created and loaded on first reference), whether it is loaded, and
// unloading it.
inline constexpr auto frmSource = &FrmSource::instance;
inline constexpr auto frmSourceLoaded = &FrmSource::loaded;
inline constexpr auto unloadFrmSource = &FrmSource::unload;

}  // namespace skiff
