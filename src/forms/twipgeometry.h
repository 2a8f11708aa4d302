#pragma once

class QWidget;

namespace skiff {

// A control's position and size in twips, as the windows' handlers read and write them. The
// values written are kept as written (single precision) and shown rounded to whole pixels; a
// control placed in pixels reads back as pixels × 15.
float twipsLeft(const QWidget* w);
float twipsTop(const QWidget* w);
float twipsWidth(const QWidget* w);
float twipsHeight(const QWidget* w);

// Each returns false, and changes nothing, when the control refuses the value: a negative
// width or height, or a value that is not a number.
bool setTwipsLeft(QWidget* w, float twips);
bool setTwipsTop(QWidget* w, float twips);
bool setTwipsWidth(QWidget* w, float twips);
bool setTwipsHeight(QWidget* w, float twips);
void setTwipsGeometry(QWidget* w, float left, float top, float width, float height);

// The client area of a window in twips.
float scaleWidth(const QWidget* client);
float scaleHeight(const QWidget* client);

}  // namespace skiff
