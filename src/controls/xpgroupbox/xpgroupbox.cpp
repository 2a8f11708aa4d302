#include "controls/xpgroupbox/xpgroupbox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

#include "controls/hosting/mousecodes.h"
#include "controls/hosting/twips.h"
#include "controls/xpgroupbox/framepainter.h"

namespace skiff {

namespace {

constexpr ColorValue kDefaultBackColor{65535};
constexpr ColorValue kEnabledCaptionColor = ColorValue::fromRgb(0, 70, 213);
constexpr ColorValue kDisabledCaptionColor = ColorValue::fromRgb(161, 161, 146);
constexpr QSize kDesignSize(twipsToPixels(2985), twipsToPixels(1335));

void setPaletteColour(QWidget* widget, QPalette::ColorRole role, ColorValue colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, resolveColor(colour));
    widget->setPalette(palette);
}

}  // namespace

// A grouping named by its caption. Its elements are the controls the host put inside; the
// caption label is the grouping's name, not an element of its own.
class xpgroupboxAccessible : public QAccessibleWidget {
public:
    explicit xpgroupboxAccessible(xpgroupbox* box)
        : QAccessibleWidget(box, QAccessible::Grouping) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return box()->Caption();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return contents().size(); }
    QAccessibleInterface* child(int index) const override { return contents().value(index); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return contents().indexOf(child);
    }

private:
    xpgroupbox* box() const { return static_cast<xpgroupbox*>(widget()); }
    QList<QAccessibleInterface*> contents() const {
        QList<QAccessibleInterface*> list;
        for (int i = 0, n = QAccessibleWidget::childCount(); i < n; ++i) {
            QAccessibleInterface* element = QAccessibleWidget::child(i);
            if (element && element->object() != box()->lbl) list << element;
        }
        return list;
    }
};

namespace {

QAccessibleInterface* accessibleGroupBox(const QString& className, QObject* object) {
    if (className != QLatin1String(xpgroupbox::staticMetaObject.className())) return nullptr;
    return new xpgroupboxAccessible(static_cast<xpgroupbox*>(object));
}

}  // namespace

xpgroupbox::xpgroupbox(QWidget* parent)
    : CustomControl(parent),
      lbl(new QLabel(QStringLiteral("Label1"), this)),
      m_BackColor(kDefaultBackColor) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(accessibleGroupBox), true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the retained frame covers every pixel
    setMouseTracking(true);
    resize(kDesignSize);
    setUpCaptionLabel();
    RepaintFrame();
}

void xpgroupbox::setUpCaptionLabel() {
    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setTextFormat(Qt::PlainText);
    lbl->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lbl->setFrameShape(QFrame::NoFrame);
    lbl->setMargin(0);
    lbl->setAutoFillBackground(true);
    lbl->setMouseTracking(true);
    lbl->installEventFilter(this);
    setPaletteColour(lbl, QPalette::Window, m_BackColor);
    showCaptionColour();
    fitCaptionLabel();
}

// ---- Properties ----

bool xpgroupbox::Enabled() const {
    // The box's own state, not whether its host happens to be disabled.
    return !testAttribute(Qt::WA_ForceDisabled);
}

void xpgroupbox::SetEnabled(bool New_Enabled) {
    setEnabled(New_Enabled);
    PropertyChanged(QStringLiteral("Enabled"));
    showCaptionColour();
}

FontObject xpgroupbox::Font() const {
    return m_Font;
}

void xpgroupbox::SetFont(FontObject vNewFont) {
    m_Font = std::move(vNewFont);
    if (!m_Font) return;  // no font to apply: the write ends here
    setFont(*m_Font);
    lbl->setFont(*m_Font);
    fitCaptionLabel();
    RepaintFrame();
    PropertyChanged(QStringLiteral("Font"));
}

ColorValue xpgroupbox::BackColor() const {
    return m_BackColor;
}

void xpgroupbox::SetBackColor(ColorValue New_BackColor) {
    m_BackColor = New_BackColor;
    PropertyChanged(QStringLiteral("BackColor"));
    m_frame.fill(resolveColor(m_BackColor));  // the surface takes the colour at once
    update();
    setPaletteColour(lbl, QPalette::Window, m_BackColor);
    RepaintFrame();
}

QString xpgroupbox::Caption() const {
    return lbl->text();
}

void xpgroupbox::SetCaption(const QString& vNewCaption) {
    setCaptionText(vNewCaption);
    RepaintFrame();
    PropertyChanged(QStringLiteral("Caption"));
    if (QAccessible::isActive()) {
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
}

// The caption label resizes itself to its text and reports a change of text, upon which the
// frame is redrawn.
void xpgroupbox::setCaptionText(const QString& text) {
    if (lbl->text() == text) return;
    lbl->setText(text);
    fitCaptionLabel();
    RepaintFrame();
}

void xpgroupbox::fitCaptionLabel() {
    lbl->adjustSize();
}

void xpgroupbox::showCaptionColour() {
    setPaletteColour(lbl, QPalette::WindowText,
                     Enabled() ? kEnabledCaptionColor : kDisabledCaptionColor);
}

// ---- Frame ----

void xpgroupbox::RepaintFrame() {
    if (m_frame.size() != size()) m_frame = QImage(size(), QImage::Format_RGB32);
    paintFrame(m_frame, resolveColor(m_BackColor), static_cast<float>(lbl->height()),
               [this] { lbl->move(kCaptionPosition); });
    update();
    emit framePainted();
}

void xpgroupbox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_frame);
}

void xpgroupbox::resizeEvent(QResizeEvent*) {
    RepaintFrame();
}

// ---- Persistence ----

void xpgroupbox::InitProperties(const Ambient& ambient) {
    SetCaption(ambient.displayName);
    SetEnabled(true);
    SetFont(ambient.font);
    SetBackColor(kDefaultBackColor);
}

void xpgroupbox::ReadProperties(const PropertyBag& bag, const Ambient& ambient) {
    SetEnabled(toBool(bag.ReadProperty(QStringLiteral("Enabled"), true)));
    SetFont(toFont(bag.ReadProperty(QStringLiteral("Font"), ambient.font)));
    SetBackColor(toColor(bag.ReadProperty(QStringLiteral("BackColor"), kDefaultBackColor)));
    SetCaption(toText(bag.ReadProperty(QStringLiteral("Caption"), ambient.displayName)));
}

void xpgroupbox::WriteProperties(PropertyBag& bag, const Ambient& ambient) const {
    bag.WriteProperty(QStringLiteral("Caption"), Caption(), ambient.displayName);
    bag.WriteProperty(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteProperty(QStringLiteral("Font"), m_Font, ambient.font);
    bag.WriteProperty(QStringLiteral("BackColor"), m_BackColor, kDefaultBackColor);
}

// ---- Mouse ----

void xpgroupbox::raiseMouse(QEvent::Type type, const QMouseEvent* event) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseMove ? event->buttons() : Qt::MouseButtons(event->button());
    qint16 button = buttonCode(buttons);
    qint16 shift = shiftCode(event->modifiers());
    float x = static_cast<float>(event->position().x());
    float y = static_cast<float>(event->position().y());
    switch (type) {
        case QEvent::MouseButtonPress:
            emit MouseDown(button, shift, x, y);
            break;
        case QEvent::MouseMove:
            emit MouseMove(button, shift, x, y);
            break;
        case QEvent::MouseButtonRelease:
            emit MouseUp(button, shift, x, y);
            break;
        default:
            break;
    }
}

// Input a contained control of the host left unhandled bubbles up to the box; it was not
// aimed at the box's surface. A disabled control hands its input on to the box.
bool xpgroupbox::belongsToContainedControl(const QMouseEvent* event) const {
    const QWidget* child = childAt(event->position().toPoint());
    return child && child != lbl && child->isEnabled();
}

void xpgroupbox::mousePressEvent(QMouseEvent* event) {
    if (belongsToContainedControl(event)) return event->ignore();
    raiseMouse(QEvent::MouseButtonPress, event);
}

void xpgroupbox::mouseMoveEvent(QMouseEvent* event) {
    if (belongsToContainedControl(event)) return event->ignore();
    raiseMouse(QEvent::MouseMove, event);
}

void xpgroupbox::mouseReleaseEvent(QMouseEvent* event) {
    if (belongsToContainedControl(event)) return event->ignore();
    raiseMouse(QEvent::MouseButtonRelease, event);
}

bool xpgroupbox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lbl) {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::MouseButtonRelease:
                handleCaptionMouse(static_cast<QMouseEvent*>(event));
                return true;  // the caption's input is the box's, it goes no further
            default:
                break;
        }
    }
    return CustomControl::eventFilter(watched, event);
}

// The caption raises the box's events with label-relative coordinates. A left press and
// release over it is a Click; the second press of a double-click is a DblClick instead of a
// MouseDown, and its release no Click.
void xpgroupbox::handleCaptionMouse(QMouseEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_captionPressed = event->button() == Qt::LeftButton;
            raiseMouse(QEvent::MouseButtonPress, event);
            break;
        case QEvent::MouseButtonDblClick:
            m_captionPressed = false;
            emit DblClick();
            break;
        case QEvent::MouseMove:
            raiseMouse(QEvent::MouseMove, event);
            break;
        case QEvent::MouseButtonRelease: {
            const bool click = m_captionPressed && event->button() == Qt::LeftButton &&
                               lbl->rect().contains(event->position().toPoint());
            m_captionPressed = false;
            raiseMouse(QEvent::MouseButtonRelease, event);
            if (click) emit Click();
            break;
        }
        default:
            break;
    }
}

}  // namespace skiff
