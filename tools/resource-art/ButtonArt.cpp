#include "ButtonArt.h"

#include <cstdlib>
#include <functional>
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

// One cell per device pixel of a button drawn at `scale` device pixels per pixel.
class GlyphMask {
public:
    explicit GlyphMask(int scale)
        : w(width * scale), h(height * scale), cells(static_cast<std::size_t>(w) * h, Empty) {}
    Cell at(int x, int y) const {
        if (x < 0 || y < 0 || x >= w || y >= h) {
            return Empty;
        }
        return cells[static_cast<std::size_t>(y) * w + x];
    }
    void set(int x, int y, Cell c) { cells[static_cast<std::size_t>(y) * w + x] = c; }
    bool inShape(int x, int y) const { return at(x, y) != Empty; }
    int columns() const { return w; }
    int rows() const { return h; }

private:
    int w;
    int h;
    std::vector<Cell> cells;
};

// Glyph rows 8..22: fifteen rows centred on the face.
constexpr int glyphTop = 8;
constexpr int glyphHalf = 7;
constexpr int glyphCentreY = glyphTop + glyphHalf;

// A shape is a union of regions in button pixels, tested at the centre of each device pixel;
// at scale 1 that gives the classic stepped triangles, at scale 2 finer steps of the same edges.
using Region = std::function<bool(double x, double y)>;

// Fifteen rows high; the row through the centre is eight pixels long, each row further out
// one shorter.
Region triangle(int apexX, bool pointsRight) {
    return [apexX, pointsRight](double x, double y) {
        const double d = std::abs(y - (glyphCentreY + 0.5));
        if (d > glyphHalf + 0.5) {
            return false;
        }
        if (pointsRight) {
            return x >= apexX - glyphHalf && x <= apexX - d + 1;
        }
        return x >= apexX + d && x <= apexX + glyphHalf + 1;
    };
}

Region box(int left, int top, int w, int h) {
    return [=](double x, double y) { return x >= left && x <= left + w && y >= top && y <= top + h; };
}

// Solid shapes are all ink; open shapes get a one-pixel black outline (scale device pixels
// thick) around a white inside.
GlyphMask makeMask(const std::vector<Region>& shape, bool solid, int scale) {
    GlyphMask filled(scale);
    for (int y = 0; y < filled.rows(); ++y) {
        for (int x = 0; x < filled.columns(); ++x) {
            const double bx = (x + 0.5) / scale;
            const double by = (y + 0.5) / scale;
            for (const Region& region : shape) {
                if (region(bx, by)) {
                    filled.set(x, y, Fill);
                    break;
                }
            }
        }
    }
    GlyphMask out(scale);
    for (int y = 0; y < filled.rows(); ++y) {
        for (int x = 0; x < filled.columns(); ++x) {
            if (!filled.inShape(x, y)) {
                continue;
            }
            bool edge = solid;
            for (int k = 1; k <= scale && !edge; ++k) {
                edge = !filled.inShape(x - k, y) || !filled.inShape(x + k, y) ||
                       !filled.inShape(x, y - k) || !filled.inShape(x, y + k);
            }
            out.set(x, y, edge ? Ink : Fill);
        }
    }
    return out;
}

GlyphMask glyphMask(ButtonGlyph glyph, int scale) {
    std::vector<Region> shape;
    constexpr int barWidth = 4;
    switch (glyph) {
        case ButtonGlyph::Play:
            return makeMask({triangle(27, true)}, true, scale);
        case ButtonGlyph::Next:
            shape.push_back(triangle(27, true));
            break;
        case ButtonGlyph::Prev:
            shape.push_back(triangle(20, false));
            break;
        case ButtonGlyph::Stop:
            shape.push_back(box(18, 9, 13, 13));
            break;
        case ButtonGlyph::First:
            // Bar and triangle drawn as separate outlines, one pixel apart.
            shape.push_back(box(18, glyphTop, barWidth, 2 * glyphHalf + 1));
            shape.push_back(triangle(23, false));
            break;
        case ButtonGlyph::Last:
            shape.push_back(triangle(25, true));
            shape.push_back(box(27, glyphTop, barWidth, 2 * glyphHalf + 1));
            break;
    }
    return makeMask(shape, false, scale);
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

// The edges are straight lines of whole pixels, so at a larger scale they are simply wider,
// as the system draws its own buttons there.
QImage drawFace(bool sunken, int scale) {
    QImage img(width, height, QImage::Format_RGB32);
    if (sunken) {
        drawSunken(img);
    } else {
        drawRaised(img);
    }
    return scale == 1 ? img : img.scaled(width * scale, height * scale);
}

// The classic focus rectangle: every other device pixel black along the border of the
// rectangle given in button pixels (its outer edge at a larger scale).
void drawFocus(QImage& img, int left, int top, int right, int bottom, int scale) {
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0) {
            img.setPixel(x, y, black);
        }
    };
    const int l = left * scale;
    const int t = top * scale;
    const int r = right * scale + scale - 1;
    const int b = bottom * scale + scale - 1;
    for (int x = l; x <= r; ++x) {
        dot(x, t);
        dot(x, b);
    }
    for (int y = t; y <= b; ++y) {
        dot(l, y);
        dot(r, y);
    }
}

void drawGlyph(QImage& img, const GlyphMask& mask, int dx) {
    for (int y = 0; y < mask.rows(); ++y) {
        for (int x = 0; x < mask.columns(); ++x) {
            Cell c = mask.at(x, y);
            if (c != Empty && x + dx < mask.columns() && y + dx < mask.rows()) {
                img.setPixel(x + dx, y + dx, c == Ink ? black : white);
            }
        }
    }
}

// Embossed like a disabled system control: the ink in dark grey over a white copy one pixel
// lower and to the right; the white inside of open glyphs becomes face colour.
void drawDisabledGlyph(QImage& img, const GlyphMask& mask, int scale) {
    for (int y = 0; y < mask.rows() - scale; ++y) {
        for (int x = 0; x < mask.columns() - scale; ++x) {
            if (mask.at(x, y) == Ink) {
                img.setPixel(x + scale, y + scale, white);
            }
        }
    }
    for (int y = 0; y < mask.rows(); ++y) {
        for (int x = 0; x < mask.columns(); ++x) {
            if (mask.at(x, y) == Ink) {
                img.setPixel(x, y, shadow);
            }
        }
    }
}

}  // namespace

QImage drawButton(ButtonGlyph glyph, ButtonState state, int scale) {
    const GlyphMask mask = glyphMask(glyph, scale);
    QImage img;
    switch (state) {
        case ButtonState::Normal:
            img = drawFace(false, scale);
            drawGlyph(img, mask, 0);
            break;
        case ButtonState::Focused:
            img = drawFace(false, scale);
            drawGlyph(img, mask, 0);
            drawFocus(img, 4, 4, width - 5, height - 5, scale);
            break;
        case ButtonState::Pressed:
            // Held down: the face content moves one pixel down and to the right, so it looks pressed.
            img = drawFace(true, scale);
            drawGlyph(img, mask, scale);
            drawFocus(img, 5, 5, width - 4, height - 4, scale);
            break;
        case ButtonState::Disabled:
            img = drawFace(false, scale);
            drawDisabledGlyph(img, mask, scale);
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
