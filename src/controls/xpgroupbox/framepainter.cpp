#include "controls/xpgroupbox/framepainter.h"

#include <cmath>
#include <limits>
#include <optional>

#include "controls/xpgroupbox/frametemplate.h"

namespace skiff {

namespace {

// A rectangle of the template copied, scaled, into a rectangle of the surface.
struct Piece {
    QRect source;
    double left, top, width, height;
};

// The nearest whole number, ties to the even one; nothing when it leaves the 32-bit range.
std::optional<qint32> roundHalfEven(float value) {
    const double x = value;
    if (!std::isfinite(x)) return std::nullopt;
    double r = std::floor(x + 0.5);
    if (r - x == 0.5 && std::fmod(r, 2.0) != 0) r -= 1;
    if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(r);
}

std::optional<qint16> toInt16(qint32 value) {
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(value);
}

// Nearest-neighbour copy; transparent template pixels leave the surface as it is. A piece
// with no area (a box too small for its lines) draws nothing.
void copyPiece(QImage& surface, const Piece& piece) {
    if (!(piece.width > 0 && piece.height > 0)) return;
    const QImage& tpl = frameTemplate();
    const auto left = static_cast<qint64>(std::floor(piece.left));
    const auto top = static_cast<qint64>(std::floor(piece.top));
    const auto width = static_cast<qint64>(std::ceil(piece.width));
    const auto height = static_cast<qint64>(std::ceil(piece.height));
    const qint64 x0 = std::max<qint64>(left, 0);
    const qint64 x1 = std::min<qint64>(left + width, surface.width());
    const qint64 y0 = std::max<qint64>(top, 0);
    const qint64 y1 = std::min<qint64>(top + height, surface.height());
    for (qint64 y = y0; y < y1; ++y) {
        const int sy =
            piece.source.top() + static_cast<int>((y - top) * piece.source.height() / height);
        for (qint64 x = x0; x < x1; ++x) {
            const int sx =
                piece.source.left() + static_cast<int>((x - left) * piece.source.width() / width);
            const QRgb colour = tpl.pixel(sx, sy);
            if (qAlpha(colour) != 0)
                surface.setPixel(static_cast<int>(x), static_cast<int>(y), colour);
        }
    }
}

// Copies the pieces in order, counting each one drawn.
template <std::size_t N>
void copyPieces(QImage& surface, const Piece (&pieces)[N], FrameRun& run) {
    for (const Piece& piece : pieces) {
        copyPiece(surface, piece);
        ++run.piecesDrawn;
    }
}

}  // namespace

FrameRun paintFrame(QImage& surface, const QColor& back, float labelHeight,
                    const std::function<void()>& placeLabel) {
    FrameRun run;
    // The surface already counts in pixels; the first step is to wipe the previous frame.
    surface.fill(back);

    const float sw = static_cast<float>(surface.width());
    const float sh = static_cast<float>(surface.height());
    const float right = sw - 3;
    const float bottom = sh - 3;
    const float across = sw - 6;

    const std::optional<qint32> h = roundHalfEven(labelHeight);
    if (!h) return run;
    const std::optional<qint16> t = toInt16(*h / 2);  // the row of the top line
    if (!t) return run;
    const double side = (static_cast<double>(sh) - 6) - *t;  // length of the vertical lines

    if (placeLabel) placeLabel();
    run.labelPlaced = true;

    const Piece upper[] = {
        {QRect(0, 0, 3, 3), 0, double(*t), 3, 3},        // top-left corner
        {QRect(19, 0, 3, 3), right, double(*t), 3, 3},   // top-right corner
        {QRect(19, 17, 3, 3), right, bottom, 3, 3},      // bottom-right corner
        {QRect(0, 17, 3, 3), 0, bottom, 3, 3},           // bottom-left corner
        {QRect(3, 0, 16, 1), 3, double(*t), across, 1},  // top line
    };
    copyPieces(surface, upper, run);

    const std::optional<qint16> sidesTop = toInt16(qint32{*t} + 3);
    if (!sidesTop) return run;
    const Piece lower[] = {
        {QRect(21, 3, 1, 14), right + 2.0f, double(*sidesTop), 1, side},  // right line
        {QRect(3, 19, 16, 1), 3, sh - 1.0f, across, 1},                   // bottom line
        {QRect(0, 3, 1, 14), 0, double(*sidesTop), 1, side},              // left line
    };
    copyPieces(surface, lower, run);
    return run;
}

}  // namespace skiff
