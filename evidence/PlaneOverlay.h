#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QFont>
#include <QString>

#include "FrameOverlay.h"

class PlanePicture;

// drawFrameOverlay for pictures in planes: the same band, font and places, blended into Y',
// Cb and Cr. Each text is drawn once with Qt into a coverage mask and kept while it repeats;
// the time of day stays for ten frames. Fonts belong to a thread: make and use it on one.
class PlaneOverlay {
public:
    PlaneOverlay(int width, int height);

    void draw(PlanePicture& picture, const std::string& timeOfDay, const std::string& readout);

private:
    // Coverage of one text in picture coordinates; left and top even, width and height too,
    // so that its chroma samples are whole.
    struct Mask {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> coverage;
    };

    const Mask& maskFor(const QString& text, int alignment);
    void darkenBand(PlanePicture& picture) const;
    static void blendWhite(PlanePicture& picture, const Mask& mask);

    int pictureWidth;
    int pictureHeight;
    OverlayLayout layout;
    QFont font;
    std::map<std::pair<QString, int>, Mask> masks;
};
