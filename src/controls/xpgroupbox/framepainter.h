#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <functional>

namespace skiff {

// Where the caption label stands on the group box.
inline constexpr QPoint kCaptionPosition{15, 0};

inline constexpr int kFramePieceCount = 8;

// How far one run of the frame painter got. The frame arithmetic works in 16-bit coordinates;
// a caption label too high for them stops the run, and what was drawn until then stays drawn.
struct FrameRun {
    bool labelPlaced = false;  // the run reached the step that puts the caption label in place
    int piecesDrawn = 0;       // template pieces copied onto the surface, 0 to 8
    bool finished() const { return piecesDrawn == kFramePieceCount; }
};

// Draws the group box frame onto `surface`, which has the size of the box's inside: clears it
// to `back`, calls `placeLabel` at the point where the caption label is put at
// kCaptionPosition, then copies the four corners and the four stretched lines out of the frame
// template. The top line runs through the middle of a caption label `labelHeight` pixels high.
FrameRun paintFrame(QImage& surface, const QColor& back, float labelHeight,
                    const std::function<void()>& placeLabel = {});

}  // namespace skiff
