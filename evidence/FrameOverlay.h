#pragma once

#include <string>

class QImage;

// Burns a frame's times into the bottom of its picture: the time of day on the left (left out
// when empty) and the readout's time text on the right, white on a dark band, sized to stay
// legible down to 320 x 240.
void drawFrameOverlay(QImage& picture, const std::string& timeOfDay, const std::string& readout);
