#pragma once

#include <QImage>
#include <QString>

#include "controls/hosting/customcontrol.h"
#include "controls/hosting/fontobject.h"

class QLabel;
class QMouseEvent;
class QTimer;

namespace skiff {

// The program's push button: its face is one of five cell pictures stretched over the whole
// control, its caption a transparent label centred on the face. It follows the pointer by
// itself: a movement over it shows the hot look and starts a 10 ms poll that restores the
// resting look (and raises MouseOut) once the pointer has left its rectangle. Assistive
// technology sees a push button named by its caption, whose press action clicks it.
class xpcmdbutton : public CustomControl {
    Q_OBJECT
public:
    explicit xpcmdbutton(QWidget* parent = nullptr);

    // A new instance placed on `parent` by code rather than by a window definition: the
    // caption in the button face, at a fixed size given in twips.
    static xpcmdbutton* placeNew(QWidget* parent, const QString& name, const QString& caption,
                                 int widthTwips = 765, int heightTwips = 315);

    bool Enabled() const;
    void SetEnabled(bool New_Enabled);

    // The look while the pointer is outside: 0 normal, 1 highlighted; other values are kept
    // but leave the resting look as it was.
    qint32 State() const;
    void SetState(qint32 vNewValue);

    QString Caption() const;
    void SetCaption(const QString& vNewCaption);

    FontObject Font() const;
    void SetFont(FontObject vNewFont);

    void InitProperties(const Ambient& ambient) override;
    void ReadProperties(const PropertyBag& bag, const Ambient& ambient) override;
    void WriteProperties(PropertyBag& bag, const Ambient& ambient) const override;

    // The face as last drawn, the size of the control.
    const QImage& face() const { return m_Face; }

signals:
    void Click();
    void KeyDown(qint16& KeyCode, qint16& Shift);
    void KeyPress(qint16& KeyAscii);
    void KeyUp(qint16& KeyCode, qint16& Shift);
    void MouseOut();
    void MouseDown(qint16& Button, qint16& Shift, float& X, float& Y);
    void MouseMove(qint16& Button, qint16& Shift, float& X, float& Y);
    void MouseUp(qint16& Button, qint16& Shift, float& X, float& Y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private slots:
    void pollPointer();  // each tick of Timer1

private:
    friend struct DrawCellProbe;  // lets the drawing benchmark call DrawCell
    friend class xpcmdbuttonAccessible;

    // Assistive technology's press action: Click, as a click on the enabled control raises it,
    // and nothing drawn. It comes from the event loop after the request has been answered, so
    // that a Click handler that opens a dialog does not keep the asking program waiting.
    void pressByAction();

    void ResetLook();
    void DrawCell(qint16& CellIndex);

    void handleResize();
    void applyCaptionColour();
    void buttonDown(const QMouseEvent& event, QWidget* surface);
    void pointerMoved(const QMouseEvent& event);
    void buttonUp(const QMouseEvent& event, QWidget* surface);

    QLabel* lbl;
    QTimer* Timer1;

    qint32 m_State = 0;
    FontObject m_Font;
    qint16 m_RestCell = 0;

    QImage m_Face;                       // the retained face that paintEvent shows
    QWidget* m_LeftPressedOn = nullptr;  // the surface a left press began on, for Click
};

}  // namespace skiff
