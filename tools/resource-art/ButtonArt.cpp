#include "ButtonArt.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace {

constexpr int width = 48;
constexpr int height = 30;

const QRgb white = qRgb(255, 255, 255);
const QRgb face = qRgb(192, 192, 192);
const QRgb shadow = qRgb(128, 128, 128);
const QRgb black = qRgb(0, 0, 0);

// A glyph cell: nothing, black ink, or white fill inside an outline.
enum Cell : unsigned char { Empty, Ink, Fill };

class GlyphMask {
public:
    Cell at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return Empty;
        }
        return cells[y * width + x];
    }
    void set(int x, int y, Cell c) { cells[y * width + x] = c; }
    bool inShape(int x, int y) const { return at(x, y) != Empty; }

private:
    std::array<Cell, static_cast<std::size_t>(width) * height> cells{};
};

// Glyph rows 8..22: fifteen rows centred on the face.
constexpr int glyphTop = 8;
constexpr int glyphHalf = 7;
constexpr int glyphCentreY = glyphTop + glyphHalf;

void addTriangle(std::vector<std::pair<int, int>>& shape, int apexX, bool pointsRight) {
    for (int dy = -glyphHalf; dy <= glyphHalf; ++dy) {
        int len = glyphHalf + 1 - std::abs(dy);
        for (int i = 0; i < len; ++i) {
            int x = pointsRight ? apexX - glyphHalf + i : apexX + glyphHalf - i;
            shape.emplace_back(x, glyphCentreY + dy);
        }
    }
}

void addBox(std::vector<std::pair<int, int>>& shape, int left, int top, int w, int h) {
    for (int y = top; y < top + h; ++y) {
        for (int x = left; x < left + w; ++x) {
            shape.emplace_back(x, y);
        }
    }
}

// Solid shapes are all ink; open shapes get a one-pixel black outline around a white inside.
GlyphMask makeMask(const std::vector<std::pair<int, int>>& shape, bool solid) {
    GlyphMask filled;
    for (auto [x, y] : shape) {
        filled.set(x, y, Fill);
    }
    if (solid) {
        GlyphMask out;
        for (auto [x, y] : shape) {
            out.set(x, y, Ink);
        }
        return out;
    }
    GlyphMask out = filled;
    for (auto [x, y] : shape) {
        bool edge = !filled.inShape(x - 1, y) || !filled.inShape(x + 1, y) ||
                    !filled.inShape(x, y - 1) || !filled.inShape(x, y + 1);
        out.set(x, y, edge ? Ink : Fill);
    }
    return out;
}

GlyphMask glyphMask(ButtonGlyph glyph) {
    std::vector<std::pair<int, int>> shape;
    constexpr int barWidth = 4;
    switch (glyph) {
        case ButtonGlyph::Play:
            addTriangle(shape, 27, true);
            return makeMask(shape, true);
        case ButtonGlyph::Next:
            addTriangle(shape, 27, true);
            break;
        case ButtonGlyph::Prev:
            addTriangle(shape, 20, false);
            break;
        case ButtonGlyph::Stop:
            addBox(shape, 18, 9, 13, 13);
            break;
        case ButtonGlyph::First:
            // Bar and triangle drawn as separate outlines, one pixel apart.
            addBox(shape, 18, glyphTop, barWidth, 2 * glyphHalf + 1);
            addTriangle(shape, 23, false);
            break;
        case ButtonGlyph::Last:
            addTriangle(shape, 25, true);
            addBox(shape, 27, glyphTop, barWidth, 2 * glyphHalf + 1);
            break;
    }
    return makeMask(shape, false);
}

void drawRaised(QImage& img) {
    img.fill(face);
    for (int x = 0; x < width; ++x) {
        img.setPixel(x, 0, white);
        img.setPixel(x, height - 1, black);
        if (x > 0 && x < width - 1) {
            img.setPixel(x, height - 2, shadow);
        }
    }
    for (int y = 0; y < height; ++y) {
        img.setPixel(0, y, white);
        img.setPixel(width - 1, y, black);
        if (y > 0 && y < height - 1) {
            img.setPixel(width - 2, y, shadow);
        }
    }
    img.setPixel(0, height - 1, black);
}

void drawSunken(QImage& img) {
    img.fill(face);
    for (int x = 0; x < width; ++x) {
        img.setPixel(x, height - 1, white);
        img.setPixel(x, 0, black);
        if (x > 0 && x < width - 1) {
            img.setPixel(x, 1, shadow);
        }
    }
    for (int y = 0; y < height; ++y) {
        img.setPixel(width - 1, y, white);
        img.setPixel(0, y, black);
        if (y > 0 && y < height - 1) {
            img.setPixel(1, y, shadow);
        }
    }
    img.setPixel(0, height - 1, black);
}

// The classic focus rectangle: every other pixel black along the border of the rectangle.
void drawFocus(QImage& img, int left, int top, int right, int bottom) {
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0) {
            img.setPixel(x, y, black);
        }
    };
    for (int x = left; x <= right; ++x) {
        dot(x, top);
        dot(x, bottom);
    }
    for (int y = top; y <= bottom; ++y) {
        dot(left, y);
        dot(right, y);
    }
}

void drawGlyph(QImage& img, const GlyphMask& mask, int dx) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Cell c = mask.at(x, y);
            if (c != Empty && x + dx < width && y + dx < height) {
                img.setPixel(x + dx, y + dx, c == Ink ? black : white);
            }
        }
    }
}

// Embossed like a disabled system control: the ink in dark grey over a white copy one pixel
// lower and to the right; the white inside of open glyphs becomes face colour.
void drawDisabledGlyph(QImage& img, const GlyphMask& mask) {
    for (int y = 0; y < height - 1; ++y) {
        for (int x = 0; x < width - 1; ++x) {
            if (mask.at(x, y) == Ink) {
                img.setPixel(x + 1, y + 1, white);
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (mask.at(x, y) == Ink) {
                img.setPixel(x, y, shadow);
            }
        }
    }
}

}  // namespace

QImage drawButton(ButtonGlyph glyph, ButtonState state) {
    QImage img(width, height, QImage::Format_RGB32);
    GlyphMask mask = glyphMask(glyph);
    switch (state) {
        case ButtonState::Normal:
            drawRaised(img);
            drawGlyph(img, mask, 0);
            break;
        case ButtonState::Focused:
            drawRaised(img);
            drawGlyph(img, mask, 0);
            drawFocus(img, 4, 4, width - 5, height - 5);
            break;
        case ButtonState::Pressed:
            // Held down: the face content moves one pixel down and to the right, so it looks pressed.
            drawSunken(img);
            drawGlyph(img, mask, 1);
            drawFocus(img, 5, 5, width - 4, height - 4);
            break;
        case ButtonState::Disabled:
            drawRaised(img);
            drawDisabledGlyph(img, mask);
            break;
    }
    return img;
}

QString buttonGlyphName(ButtonGlyph glyph) {
    switch (glyph) {
        case ButtonGlyph::First:
            return QStringLiteral("first");
        case ButtonGlyph::Prev:
            return QStringLiteral("prev");
        case ButtonGlyph::Play:
            return QStringLiteral("play");
        case ButtonGlyph::Stop:
            return QStringLiteral("stop");
        case ButtonGlyph::Next:
            return QStringLiteral("next");
        case ButtonGlyph::Last:
            return QStringLiteral("last");
    }
    return {};
}

QString buttonStateName(ButtonState state) {
    switch (state) {
        case ButtonState::Normal:
            return QStringLiteral("normal");
        case ButtonState::Pressed:
            return QStringLiteral("pressed");
        case ButtonState::Focused:
            return QStringLiteral("focused");
        case ButtonState::Disabled:
            return QStringLiteral("disabled");
    }
    return {};
}
