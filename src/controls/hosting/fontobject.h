#pragma once

#include <QFont>
#include <QString>
#include <memory>

namespace skiff {

// A font object is shared by reference: a host, a custom control and the control's caption
// label hold the same one, and reading a control's Font gives back the very object assigned.
using FontObject = std::shared_ptr<QFont>;

FontObject makeFont(const QString& face, double points, int weight = 400, bool italic = false);

// The two faces of the window definitions. DejaVu Sans stands in for both (installed from
// Debian's fonts-dejavu-core).
inline const QString kButtonFaceName = QStringLiteral("DejaVu Sans");
inline const QString kFrameFaceName = QStringLiteral("DejaVu Sans");
inline constexpr double kButtonFacePoints = 6.0;
inline constexpr double kFrameFacePoints = 8.25;

// The face of the windows' own text boxes, lists and labels: narrow enough that the labels'
// texts fit the widths the window definitions give them.
inline const QString kWindowFaceName = QStringLiteral("DejaVu Sans Condensed");
inline constexpr double kWindowFacePoints = 8.0;

FontObject buttonFace();  // a new object for the button face, 6 pt, weight 400
FontObject frameFace();   // a new object for the frame face, 8.25 pt, weight 400
FontObject windowFace();  // a new object for the window face, 8 pt, weight 400

// Two font objects describe the same font (face, size, weight, style); empty equals empty.
bool sameFont(const FontObject& a, const FontObject& b);

}  // namespace skiff
