#pragma once

#include <QWidget>

#include "forms/windowbuilder.h"

class QPlainTextEdit;

namespace skiff {

// The page source window: the markup of the first browser window's page, taken once when
// the window loads.
class FrmSource : public QWidget {
    Q_OBJECT
public:
    FrmSource();

    void Form_Load();
    void Form_Unload() {}
    void Form_Resize();

    QPlainTextEdit* rtbSource() const { return rtbSource_; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    WindowControls controls_;
    QPlainTextEdit* rtbSource_ = nullptr;
};

// The source window, created and loaded on first reference.
FrmSource& frmSource();
bool frmSourceLoaded();
void unloadFrmSource();

}  // namespace skiff
