#pragma once

#include <QImage>

// Pictures the demo hands to the slider, drawn in code: a face, and a round handle with its AND mask (black
// where the handle is solid, white where the face shows through; the handle itself black wherever it is
// transparent).
namespace demo {
QImage face(int width, int height);
QImage roundHandle(int width, int height);
QImage roundHandleMask(int width, int height);
} // namespace demo
