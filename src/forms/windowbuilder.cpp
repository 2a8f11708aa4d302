#include "forms/windowbuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QScreen>
#include <cstdlib>
#include <limits>

#include "controls/hosting/twips.h"
#include "controls/xpcmdbutton/xpcmdbutton.h"
#include "controls/xpgroupbox/xpgroupbox.h"
#include "forms/twipgeometry.h"
#include "statusbar/progressbar.h"
#include "statusbar/statusbar.h"

namespace skiff {

namespace {

// Text boxes hold addresses: what is typed or pasted is kept whole, however long; the engine
// decides what it accepts.
constexpr int kNoLengthLimit = std::numeric_limits<int>::max();

void setForeColor(QWidget* w, std::optional<ColorValue> color) {
    if (!color) return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, resolveColor(*color));
    pal.setColor(QPalette::Window, resolveColor(*color));
    w->setPalette(pal);
}

// A one-pixel line between two points of its container.
QWidget* makeLine(QWidget* parent, const ControlDefinition& def) {
    auto* line = new QWidget(parent);
    const int x1 = twipsToPixels(def.left), y1 = twipsToPixels(def.top);
    const int x2 = twipsToPixels(def.width), y2 = twipsToPixels(def.height);
    line->setGeometry(std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1,
                      std::abs(y2 - y1) + 1);
    line->setAutoFillBackground(true);
    setForeColor(line, def.foreColor);
    return line;
}

// The name assistive technology reads for a control; an editable combo box's text box, which
// takes the keyboard, carries it too.
void setAccessibleName(QWidget* w, const QString& name) {
    w->setAccessibleName(name);
    if (auto* box = qobject_cast<QComboBox*>(w); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(name);
}

QWidget* makeControl(QWidget* parent, const ControlDefinition& def) {
    const QRect rect = twipsRect(def.left, def.top, def.width, def.height);
    switch (def.kind) {
        case ControlKind::CommandButton:
        case ControlKind::GroupBox: {
            CustomControl* c = def.kind == ControlKind::CommandButton
                                   ? static_cast<CustomControl*>(new xpcmdbutton(parent))
                                   : static_cast<CustomControl*>(new xpgroupbox(parent));
            loadControlFromDefinition(c, def.name, rect.topLeft(), def.bag);
            return c;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(def.text, parent);
            setForeColor(label, def.foreColor);
            return label;
        }
        case ControlKind::TextBox: {
            auto* box = new QLineEdit(def.text, parent);
            box->setMaxLength(kNoLengthLimit);
            return box;
        }
        case ControlKind::ComboBox: {
            auto* box = new QComboBox(parent);
            box->setEditable(true);
            box->lineEdit()->setMaxLength(kNoLengthLimit);
            box->setInsertPolicy(QComboBox::NoInsert);
            box->setEditText(def.text);
            return box;
        }
        case ControlKind::ListBox: {
            auto* list = new QListView(parent);  // the window gives it its entries
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            return list;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(def.text, parent);
        case ControlKind::Line:
            return makeLine(parent, def);
        case ControlKind::RichTextBox: {
            auto* text = new QPlainTextEdit(parent);
            text->setReadOnly(true);
            text->setPlainText(def.text);
            return text;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new ProgressBar(parent);
            return bar;
        }
        case ControlKind::StatusBar: {
            auto* bar = new StatusBar(def.panels, parent);
            return bar;
        }
        case ControlKind::WebBrowser:
            break;
    }
    return nullptr;
}

}  // namespace

WindowControls buildControls(QWidget* client, const WindowDefinition& definition,
                             const QHash<QString, QWidget*>& supplied) {
    WindowControls controls;
    QWidget* previousInTabOrder = nullptr;
    for (const ControlDefinition& def : definition.controls) {
        QWidget* parent = def.container.isEmpty() ? client : controls.widget(def.container);
        if (!parent) parent = client;
        QWidget* w = supplied.value(def.name);
        if (w)
            w->setParent(parent);
        else
            w = makeControl(parent, def);
        if (!w) continue;
        if (!supplied.contains(def.name) && def.kind != ControlKind::CommandButton &&
            def.kind != ControlKind::GroupBox)
            w->setFont(*windowFace());  // its own face, not the face of the box it lies in
        if (def.kind != ControlKind::Line)
            setTwipsGeometry(w, def.left, def.top, def.width, def.height);
        w->setObjectName(def.name);
        if (const QString name = definition.accessibleNames.value(def.name); !name.isEmpty())
            setAccessibleName(w, name);
        w->show();
        controls.insert(def.name, w);
        if (w->focusPolicy() & Qt::TabFocus) {
            if (previousInTabOrder) QWidget::setTabOrder(previousInTabOrder, w);
            previousInTabOrder = w;
        }
    }
    // Group boxes are containers drawn behind the window's other controls, which may lie
    // over them.
    for (const ControlDefinition& def : definition.controls)
        if (def.kind == ControlKind::GroupBox && def.container.isEmpty())
            controls.widget(def.name)->lower();
    return controls;
}

void applyWindowSettings(QWidget* window, const WindowDefinition& definition) {
    window->setWindowTitle(definition.caption);
    window->setFont(*windowFace());
    const QSize client(twipsToPixels(definition.clientWidth),
                       twipsToPixels(definition.clientHeight));
    if (definition.fixedSize) {
        window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
        window->setFixedSize(client);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), client);
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
    } else {
        window->resize(client);
    }
    if (definition.backColor) {
        QPalette pal = window->palette();
        pal.setColor(QPalette::Window, resolveColor(*definition.backColor));
        window->setPalette(pal);
        window->setAutoFillBackground(true);
    }
}

}  // namespace skiff
