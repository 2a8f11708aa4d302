#include "controls/xpcmdbutton/xpcmdbutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <array>
#include <cmath>

#include "controls/hosting/mousecodes.h"
#include "controls/hosting/pointer.h"
#include "controls/hosting/twips.h"
#include "controls/xpcmdbutton/cellstrip.h"

namespace skiff {

namespace {

enum : qint16 {
    kNormalCell = 0,
    kPressedCell = 1,
    kDisabledCell = 2,
    kHotCell = 3,
    kHighlightCell = 4
};

constexpr int kPollMs = 10;
const QColor kEnabledCaption(0x00, 0x00, 0x00);
const QColor kDisabledCaption(0xA1, 0xA1, 0x92);

// The key codes of the key events: letters and digits are their upper-case character codes;
// the other keys have codes of their own. Keys without one report 0.
qint16 keyCode(int key) {
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return static_cast<qint16>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<qint16>(112 + key - Qt::Key_F1);
    static const std::array<std::pair<int, qint16>, 20> codes = {{
        {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},      {Qt::Key_Return, 13}, {Qt::Key_Enter, 13},
        {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},    {Qt::Key_Pause, 19},
        {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},   {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},      {Qt::Key_Home, 36},    {Qt::Key_Left, 37},   {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},    {Qt::Key_Down, 40},    {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},
    }};
    for (const auto& [qtKey, code] : codes)
        if (qtKey == key) return code;
    return 0;
}

// The caption as read out: "&" marks the access key and is not said; "&&" is one "&".
QString withoutAccessKeyMark(const QString& caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && ++i == caption.size()) break;
        text += caption[i];
    }
    return text;
}

}  // namespace

// A push button named by its caption, unavailable while disabled, with a press action. The
// caption label is part of the button, not an element of its own.
class xpcmdbuttonAccessible : public QAccessibleWidget {
public:
    explicit xpcmdbuttonAccessible(xpcmdbutton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return withoutAccessKeyMark(button()->Caption());
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            button()->pressByAction();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    xpcmdbutton* button() const { return static_cast<xpcmdbutton*>(widget()); }
};

namespace {

QAccessibleInterface* accessibleButton(const QString& className, QObject* object) {
    if (className != QLatin1String(xpcmdbutton::staticMetaObject.className())) return nullptr;
    return new xpcmdbuttonAccessible(static_cast<xpcmdbutton*>(object));
}

}  // namespace

xpcmdbutton::xpcmdbutton(QWidget* parent)
    : CustomControl(parent), lbl(new QLabel(this)), Timer1(new QTimer(this)) {
    [[maybe_unused]] static const bool accessible =
        (QAccessible::installFactory(accessibleButton), true);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);

    lbl->setObjectName(QStringLiteral("lbl"));
    lbl->setAutoFillBackground(false);
    lbl->setAlignment(Qt::AlignCenter);
    lbl->setMouseTracking(true);
    // The label's mnemonic ("&" in the caption) is the control's access key; the shortcut
    // event it produces is taken in eventFilter.
    lbl->setBuddy(this);
    lbl->installEventFilter(this);
    applyCaptionColour();

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollMs);
    connect(Timer1, &QTimer::timeout, this, &xpcmdbutton::pollPointer);

    ResetLook();
}

xpcmdbutton* xpcmdbutton::placeNew(QWidget* parent, const QString& name, const QString& caption,
                                   int widthTwips, int heightTwips) {
    auto* button = new xpcmdbutton(parent);
    const QSize size(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
    placeNewControl(button, name, QRect(QPoint(), size));
    button->SetCaption(caption);
    button->SetFont(buttonFace());
    button->setFixedSize(size);
    return button;
}

bool xpcmdbutton::Enabled() const {
    return !testAttribute(Qt::WA_ForceDisabled);
}

void xpcmdbutton::SetEnabled(bool New_Enabled) {
    setEnabled(New_Enabled);
    PropertyChanged(QStringLiteral("Enabled"));
    ResetLook();
    applyCaptionColour();
}

qint32 xpcmdbutton::State() const {
    return m_State;
}

void xpcmdbutton::SetState(qint32 vNewValue) {
    m_State = vNewValue;
    PropertyChanged(QStringLiteral("State"));
    ResetLook();
}

QString xpcmdbutton::Caption() const {
    return lbl->text();
}

void xpcmdbutton::SetCaption(const QString& vNewCaption) {
    lbl->setText(vNewCaption);
    handleResize();  // the label's text changed: it re-sizes itself and is centred again
    PropertyChanged(QStringLiteral("Caption"));
    if (QAccessible::isActive()) {
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
}

FontObject xpcmdbutton::Font() const {
    return m_Font;
}

void xpcmdbutton::SetFont(FontObject vNewFont) {
    m_Font = std::move(vNewFont);
    if (m_Font) {
        setFont(*m_Font);
        lbl->setFont(*m_Font);
    }
    handleResize();
    PropertyChanged(QStringLiteral("Font"));
}

void xpcmdbutton::InitProperties(const Ambient& ambient) {
    m_State = 0;
    SetEnabled(true);
    SetCaption(ambient.displayName);
    SetFont(ambient.font);
}

void xpcmdbutton::ReadProperties(const PropertyBag& bag, const Ambient& ambient) {
    m_State = toInt32(bag.ReadProperty(QStringLiteral("State"), qint32{0}));
    SetEnabled(toBool(bag.ReadProperty(QStringLiteral("Enabled"), true)));
    SetCaption(toText(bag.ReadProperty(QStringLiteral("Caption"), ambient.displayName)));
    // A stored value that is no font gives the host's font.
    const FontObject stored = toFont(bag.ReadProperty(QStringLiteral("Font"), ambient.font));
    SetFont(stored ? stored : ambient.font);
}

void xpcmdbutton::WriteProperties(PropertyBag& bag, const Ambient& ambient) const {
    bag.WriteProperty(QStringLiteral("State"), m_State, qint32{0});
    bag.WriteProperty(QStringLiteral("Enabled"), Enabled(), true);
    bag.WriteProperty(QStringLiteral("Caption"), Caption(), ambient.displayName);
    bag.WriteProperty(QStringLiteral("Font"), m_Font, ambient.font);
}

// Drawing ---------------------------------------------------------------------------------

void xpcmdbutton::ResetLook() {
    if (m_State == 1)
        m_RestCell = kHighlightCell;
    else if (m_State == 0)
        m_RestCell = kNormalCell;
    qint16 cell = Enabled() ? m_RestCell : qint16{kDisabledCell};
    DrawCell(cell);
}

// Nine copies from the cell into the face: the 3-pixel corners as they are, the borders
// stretched along their length, the middle stretched both ways.
void xpcmdbutton::DrawCell(qint16& CellIndex) {
    const int W = width(), H = height();
    if (m_Face.size() != size()) m_Face = QImage(size(), QImage::Format_RGB32);
    if (m_Face.isNull()) return;

    struct Piece {
        QRect destination;
        QRect source;
    };
    const std::array<Piece, 9> pieces = {{
        {{0, 0, 3, 3}, {0, 0, 3, 3}},
        {{W - 3, 0, 3, 3}, {15, 0, 3, 3}},
        {{W - 3, H - 3, 3, 3}, {15, 18, 3, 3}},
        {{0, H - 3, 3, 3}, {0, 18, 3, 3}},
        {{3, 0, W - 6, 3}, {3, 0, 12, 3}},
        {{W - 3, 3, 3, H - 6}, {15, 3, 3, 15}},
        {{0, 3, 3, H - 6}, {0, 3, 3, 15}},
        {{3, H - 3, W - 6, 3}, {3, 18, 12, 3}},
        {{3, 3, W - 6, H - 6}, {3, 3, 12, 15}},
    }};
    const QPoint cellOrigin = cellRect(CellIndex).topLeft();
    QPainter painter(&m_Face);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Piece& piece : pieces) {
        // Controls smaller than 6 pixels have no middle; their corners overlap.
        if (piece.destination.isEmpty()) continue;
        painter.drawImage(piece.destination, cellStrip(), piece.source.translated(cellOrigin));
    }
    painter.end();
    update();
}

void xpcmdbutton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_Face);
}

// Layout ----------------------------------------------------------------------------------

void xpcmdbutton::resizeEvent(QResizeEvent*) {
    handleResize();
}

void xpcmdbutton::showEvent(QShowEvent*) {
    ResetLook();
}

void xpcmdbutton::handleResize() {
    ResetLook();
    lbl->adjustSize();
    lbl->move(static_cast<int>(std::floor((width() - lbl->width()) / 2.0)),
              static_cast<int>(std::floor((height() - lbl->height()) / 2.0)));
}

void xpcmdbutton::applyCaptionColour() {
    QPalette palette = lbl->palette();
    palette.setColor(QPalette::WindowText, Enabled() ? kEnabledCaption : kDisabledCaption);
    lbl->setPalette(palette);
}

// Pointer ---------------------------------------------------------------------------------

void xpcmdbutton::buttonDown(const QMouseEvent& event, QWidget* surface) {
    m_LeftPressedOn = event.button() == Qt::LeftButton ? surface : nullptr;
    qint16 button = buttonCode(event.button()), shift = shiftCode(event.modifiers());
    float x = event.position().x(), y = event.position().y();
    emit MouseDown(button, shift, x, y);
    qint16 cell = kPressedCell;
    DrawCell(cell);
}

void xpcmdbutton::pointerMoved(const QMouseEvent& event) {
    if (!Timer1->isActive()) Timer1->start();
    qint16 button = buttonCode(event.buttons()), shift = shiftCode(event.modifiers());
    float x = event.position().x(), y = event.position().y();
    const bool inside = x >= 0 && y >= 0 && x <= width() && y <= height();
    if (!inside) return;
    emit MouseMove(button, shift, x, y);
    qint16 cell = button == 1 ? kPressedCell : kHotCell;
    DrawCell(cell);
}

void xpcmdbutton::buttonUp(const QMouseEvent& event, QWidget* surface) {
    const bool click = event.button() == Qt::LeftButton && m_LeftPressedOn == surface &&
                       surface->rect().contains(event.position().toPoint());
    if (event.button() == Qt::LeftButton) m_LeftPressedOn = nullptr;
    qint16 button = buttonCode(event.button()), shift = shiftCode(event.modifiers());
    float x = event.position().x(), y = event.position().y();
    emit MouseUp(button, shift, x, y);
    ResetLook();
    if (click) emit Click();
}

void xpcmdbutton::pressByAction() {
    if (!isEnabled()) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isEnabled()) emit Click();
        },
        Qt::QueuedConnection);
}

void xpcmdbutton::pollPointer() {
    const QPoint client = screenToClient(this, pointerPosition());
    const double x = client.x(), y = client.y(), w = width(), h = height();
    const bool outside = x < 0 || y < 0 || x > w || y > h;
    if (!outside) return;
    Timer1->stop();
    emit MouseOut();
    ResetLook();
}

void xpcmdbutton::mousePressEvent(QMouseEvent* event) {
    buttonDown(*event, this);
}

void xpcmdbutton::mouseDoubleClickEvent(QMouseEvent* event) {
    buttonDown(*event, this);
}

void xpcmdbutton::mouseMoveEvent(QMouseEvent* event) {
    pointerMoved(*event);
}

void xpcmdbutton::mouseReleaseEvent(QMouseEvent* event) {
    buttonUp(*event, this);
}

// The caption label's notifications count as the control's own; its access key clicks. A
// disabled control takes no input, through its caption neither.
bool xpcmdbutton::eventFilter(QObject* watched, QEvent* event) {
    if (watched != lbl || !isEnabled()) return CustomControl::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            buttonDown(*static_cast<QMouseEvent*>(event), lbl);
            return true;
        case QEvent::MouseMove:
            pointerMoved(*static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            buttonUp(*static_cast<QMouseEvent*>(event), lbl);
            return true;
        case QEvent::Shortcut:
            emit Click();
            return true;
        default:
            return false;
    }
}

// Keys ------------------------------------------------------------------------------------

void xpcmdbutton::keyPressEvent(QKeyEvent* event) {
    qint16 code = keyCode(event->key()), shift = shiftCode(event->modifiers());
    emit KeyDown(code, shift);
    if (!event->text().isEmpty()) {
        qint16 ascii = static_cast<qint16>(event->text().at(0).unicode());
        emit KeyPress(ascii);
    }
}

void xpcmdbutton::keyReleaseEvent(QKeyEvent* event) {
    qint16 code = keyCode(event->key()), shift = shiftCode(event->modifiers());
    emit KeyUp(code, shift);
}

}  // namespace skiff
