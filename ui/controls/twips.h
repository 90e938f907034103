#pragma once
#include <QRect>

// Window geometry is laid out in twips (1/1440 inch). At 96 dots per inch 15 twips make
// one pixel; Qt's logical pixels already carry the screen's device pixel ratio.
namespace wxh {

inline constexpr int kTwipsPerPixel = 15;

constexpr int Tw(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

inline QRect TwRect(int left, int top, int width, int height) {
    return QRect(Tw(left), Tw(top), Tw(width), Tw(height));
}

}  // namespace wxh
