#pragma once

#include <string>

class QFont;
class QImage;

// Where and how large the times go on a picture `pictureHeight` pixels high.
struct OverlayLayout {
    int pixelSize;
    int band;    // the dark band's height, at the bottom
    int margin;  // the text's distance from the left and right edges
};
OverlayLayout overlayLayout(int pictureHeight);
QFont overlayFont(int pixelSize);

// Burns a frame's times into the bottom of its picture: the time of day on the left (left out
// when empty) and the readout's time text on the right, white on a dark band, sized to stay
// legible down to 320 x 240.
void drawFrameOverlay(QImage& picture, const std::string& timeOfDay, const std::string& readout);
