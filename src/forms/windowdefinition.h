#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

#include "controls/hosting/colorvalue.h"
#include "controls/hosting/propertybag.h"

namespace skiff {

enum class ControlKind {
    CommandButton,  // xpcmdbutton
    GroupBox,       // xpgroupbox
    Label,
    TextBox,
    ComboBox,  // drop-down combo: editable text plus a list
    ListBox,
    CheckBox,
    Line,
    RichTextBox,
    ProgressBar,
    StatusBar,
    WebBrowser,  // placed by the builder; the window supplies the component
};

// One control of a window's stored definition. Geometry is in twips, relative to its
// container; a line gives its two end points as (left, top) and (width, height).
struct ControlDefinition {
    QString name;
    ControlKind kind = ControlKind::Label;
    QString container{};  // the containing control's name; empty: the window itself
    double left = 0, top = 0, width = 0, height = 0;
    QString text{};                         // text or caption of a standard control
    PropertyBag bag{};                      // stored values of a custom control instance
    std::optional<ColorValue> foreColor{};  // labels and lines
    QList<int> panels{};                    // status bar panel widths, twips
};

struct WindowDefinition {
    QString caption;
    double clientWidth = 0, clientHeight = 0;  // twips
    bool fixedSize = false;  // no minimise or maximise box, no resizing; centred on the screen
    std::optional<ColorValue> backColor{};
    QList<ControlDefinition> controls;  // in tab order
    // What assistive technology calls each text box, list and combo box, by control name: the
    // label or purpose that a person reads beside it.
    QHash<QString, QString> accessibleNames{};
};

// Stored definitions of the two custom controls as the windows keep them: extents in
// HIMETRIC, the caption, the font and, for group boxes, the menu colour as background.
ControlDefinition commandButton(const QString& name, const QString& container, double left,
                                double top, double width, double height, const QString& caption);
ControlDefinition groupBox(const QString& name, const QString& container, double left, double top,
                           double width, double height, const QString& caption);

}  // namespace skiff
