#pragma once

#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QString>

#include "controls/hosting/colorvalue.h"
#include "controls/hosting/customcontrol.h"
#include "controls/hosting/fontobject.h"

class QMouseEvent;

namespace skiff {

// The XP-style group box: a frame with rounded corners whose top line is interrupted by a
// caption. It is a container: a host window puts its own controls inside it, positioned
// relative to the box's top-left corner. The frame is painted on the box's own surface and kept
// in a retained image; the caption is a child label standing over the top line. Assistive
// technology sees a grouping named by its caption, holding the controls inside it.
class xpgroupbox : public CustomControl {
    Q_OBJECT
public:
    explicit xpgroupbox(QWidget* parent = nullptr);

    // Whether the box takes input; also picks the caption colour. Does not redraw the frame.
    bool Enabled() const;
    void SetEnabled(bool New_Enabled);

    // The caption font, shared with the caption label.
    FontObject Font() const;
    void SetFont(FontObject vNewFont);

    // Background of the box and of its caption label.
    ColorValue BackColor() const;
    void SetBackColor(ColorValue New_BackColor);

    // The caption text, kept in the caption label.
    QString Caption() const;
    void SetCaption(const QString& vNewCaption);

    // Redraws the frame from the current size and caption label, and puts the label in place.
    void RepaintFrame();

    void InitProperties(const Ambient& ambient) override;
    void ReadProperties(const PropertyBag& bag, const Ambient& ambient) override;
    void WriteProperties(PropertyBag& bag, const Ambient& ambient) const override;

signals:
    void Click();
    void DblClick();
    void MouseDown(qint16& Button, qint16& Shift, float& x, float& Y);
    void MouseMove(qint16& Button, qint16& Shift, float& x, float& Y);
    void MouseUp(qint16& Button, qint16& Shift, float& x, float& Y);
    // The frame painter has run (whether or not it got to the end).
    void framePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class xpgroupboxAccessible;

    void setUpCaptionLabel();
    void setCaptionText(const QString& text);
    void fitCaptionLabel();
    void showCaptionColour();
    void handleCaptionMouse(QMouseEvent* event);
    bool belongsToContainedControl(const QMouseEvent* event) const;
    void raiseMouse(QEvent::Type type, const QMouseEvent* event);

    QLabel* lbl;
    FontObject m_Font;
    ColorValue m_BackColor;
    QImage m_frame;                 // the retained picture of the surface
    bool m_captionPressed = false;  // a left press on the caption that may become a Click
};

}  // namespace skiff
