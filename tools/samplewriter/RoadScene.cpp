#include "RoadScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

// Only +, -, *, /, floor and fmod are used on floating point, so every build gives the same
// bytes (no libm transcendental functions, which may differ between constant folding and
// run time).

namespace {

struct Rgb {
    double r;
    double g;
    double b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb shade(Rgb c, double delta) {
    return {c.r + delta, c.g + delta, c.b + delta};
}

std::uint8_t toByte(double v) {
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::floor(v + 0.5)), 0, 255));
}

double smoothstep(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// Triangle wave in [-1, 1], period 1: jagged ridges without sin().
double triangle(double x) {
    const double f = x - std::floor(x);
    return f < 0.5 ? 4.0 * f - 1.0 : 3.0 - 4.0 * f;
}

// Small deterministic noise in [-1, 1] for a lattice cell.
double cellNoise(double a, double b) {
    auto ia = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(a)));
    auto ib = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(b)));
    std::uint32_t h = ia * 0x9E3779B1u ^ (ib + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<double>(h & 0xFFFF) / 32767.5 - 1.0;
}

class Canvas {
public:
    Canvas(int width, int height)
        : w(width), h(height), pixels(static_cast<std::size_t>(width) * height * 3) {}

    void set(int x, int y, Rgb c) {
        std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * w + x) * 3];
        p[0] = toByte(c.r);
        p[1] = toByte(c.g);
        p[2] = toByte(c.b);
    }

    // Fills [x0, x1) x [y0, y1), clipped to the canvas.
    void fill(double x0, double y0, double x1, double y1, Rgb c) {
        const int ix0 = std::max(0, static_cast<int>(std::floor(x0 + 0.5)));
        const int iy0 = std::max(0, static_cast<int>(std::floor(y0 + 0.5)));
        const int ix1 = std::min(w, static_cast<int>(std::floor(x1 + 0.5)));
        const int iy1 = std::min(h, static_cast<int>(std::floor(y1 + 0.5)));
        for (int y = iy0; y < iy1; ++y) {
            for (int x = ix0; x < ix1; ++x) {
                set(x, y, c);
            }
        }
    }

    int width() const { return w; }
    int height() const { return h; }
    std::vector<std::uint8_t> take() { return std::move(pixels); }

private:
    int w;
    int h;
    std::vector<std::uint8_t> pixels;
};

// The drive: 60 km/h, the vehicle ahead brakes at -2.5 s, we brake from -0.6 s and stop.
constexpr double cruiseSpeed = 16.7;
constexpr double ourBrakeStart = -0.6;
constexpr double ourDeceleration = 7.0;
constexpr double leadBrakeStart = -2.5;

double distanceTravelled(double t) {
    const double before = cruiseSpeed * (std::min(t, ourBrakeStart) + 15.0);
    if (t <= ourBrakeStart) {
        return before;
    }
    const double dt = std::min(t - ourBrakeStart, cruiseSpeed / ourDeceleration);
    return before + cruiseSpeed * dt - 0.5 * ourDeceleration * dt * dt;
}

double gapAhead(double t) {
    if (t < leadBrakeStart) {
        return 28.0;
    }
    if (t < 0.5) {
        return 28.0 - 22.0 * smoothstep((t - leadBrakeStart) / 3.0);
    }
    return 6.0 - 1.5 * smoothstep((t - 0.5) / 1.5);
}

struct Camera {
    double cx = 0.0;
    double horizon = 0.0;
    double focal = 0.0;
    double heightAboveRoad = 1.3;

    double screenX(double lateral, double z) const { return cx + lateral * focal / z; }
    double screenY(double elevation, double z) const {
        return horizon + (heightAboveRoad - elevation) * focal / z;
    }
};

constexpr double roadLeft = -5.4;
constexpr double roadRight = 1.9;
constexpr double centreLine = -1.8;
constexpr double lineWidth = 0.15;
constexpr Rgb haze{190, 200, 212};

Rgb groundColour(double lateral, double along, double z) {
    const double fade = std::max(0.0, 1.0 - z / 60.0);
    Rgb c{};
    if (lateral >= roadLeft && lateral <= roadRight) {
        c = shade({86, 88, 92}, 4.0 * fade * cellNoise(lateral * 3.0, along * 3.0));
        const bool edgeLine = lateral < roadLeft + 0.25 + lineWidth && lateral > roadLeft + 0.25;
        const bool rightLine = lateral > roadRight - 0.25 - lineWidth && lateral < roadRight - 0.25;
        const bool dash =
            std::abs(lateral - centreLine) < lineWidth / 2 && std::fmod(along, 12.0) < 4.0;
        if ((edgeLine || rightLine || dash) && z < 150.0) {
            c = {226, 226, 220};
        }
    } else if (lateral > roadRight && lateral < roadRight + 0.9) {
        c = shade({128, 120, 104}, 10.0 * fade * cellNoise(lateral * 5.0, along * 5.0));
    } else {
        c = shade({72, 112, 52}, 12.0 * fade * cellNoise(lateral * 0.7, along * 0.7));
    }
    return mix(c, haze, z / (z + 220.0));
}

void drawSkyAndGround(Canvas& canvas, const Camera& cam, double travelled) {
    const int w = canvas.width();
    const int h = canvas.height();
    for (int y = 0; y < h; ++y) {
        const double row = y + 0.5;
        if (row < cam.horizon) {
            const Rgb sky = mix({68, 118, 196}, {186, 206, 226}, row / cam.horizon);
            for (int x = 0; x < w; ++x) {
                const double u = (x + 0.5) / w;
                const double ridge = cam.horizon - h * (0.035 + 0.022 * triangle(u * 3.1) +
                                                        0.011 * triangle(u * 7.3 + 0.3));
                canvas.set(x, y, row >= ridge ? Rgb{104, 128, 138} : sky);
            }
            continue;
        }
        const double z = cam.focal * cam.heightAboveRoad / (row - cam.horizon);
        const double metresPerPixel = z / cam.focal;
        for (int x = 0; x < w; ++x) {
            const double lateral = (x + 0.5 - cam.cx) * metresPerPixel;
            canvas.set(x, y, groundColour(lateral, z + travelled, z));
        }
    }
}

void drawPost(Canvas& canvas, const Camera& cam, double lateral, double z) {
    const double halfWidth = std::max(0.5, 0.06 * cam.focal / z);
    const double x = cam.screenX(lateral, z);
    const double base = cam.screenY(0.0, z);
    const double top = cam.screenY(1.0, z);
    const double band = cam.screenY(0.85, z);
    const double fog = z / (z + 220.0);
    canvas.fill(x - halfWidth, top, x + halfWidth, base, mix({236, 236, 230}, haze, fog));
    canvas.fill(x - halfWidth, top, x + halfWidth, band, mix({240, 140, 30}, haze, fog));
}

void drawVehicle(Canvas& canvas, const Camera& cam, double z, bool braking) {
    const double scale = cam.focal / z;
    const double left = cam.screenX(-0.9, z);
    const double right = cam.screenX(0.9, z);
    const double width = right - left;
    const double ground = cam.screenY(0.0, z);
    const double bodyBottom = cam.screenY(0.3, z);
    const double roof = cam.screenY(1.5, z);
    const double bodyHeight = bodyBottom - roof;

    canvas.fill(left - 0.1 * scale, ground - 0.05 * scale, right + 0.1 * scale, ground + 1,
                {34, 34, 38});
    canvas.fill(left + 0.05 * width, bodyBottom, left + 0.22 * width, ground, {20, 20, 22});
    canvas.fill(right - 0.22 * width, bodyBottom, right - 0.05 * width, ground, {20, 20, 22});
    canvas.fill(left, roof, right, bodyBottom, {46, 62, 112});
    canvas.fill(left + 0.12 * width, roof + 0.08 * bodyHeight, right - 0.12 * width,
                roof + 0.40 * bodyHeight, {120, 140, 160});
    canvas.fill(left, bodyBottom - 0.16 * bodyHeight, right, bodyBottom, {30, 34, 44});
    const Rgb lamp = braking ? Rgb{255, 48, 36} : Rgb{118, 22, 22};
    canvas.fill(left + 0.02 * width, roof + 0.50 * bodyHeight, left + 0.17 * width,
                roof + 0.64 * bodyHeight, lamp);
    canvas.fill(right - 0.17 * width, roof + 0.50 * bodyHeight, right - 0.02 * width,
                roof + 0.64 * bodyHeight, lamp);
    if (braking) {
        canvas.fill(left + 0.42 * width, roof + 0.02 * bodyHeight, right - 0.42 * width,
                    roof + 0.06 * bodyHeight, lamp);
    }
    canvas.fill(left + 0.38 * width, roof + 0.62 * bodyHeight, right - 0.38 * width,
                roof + 0.78 * bodyHeight, {232, 232, 224});
}

// Posts along both edges every 20 m and the vehicle ahead, farthest first.
void drawObjects(Canvas& canvas, const Camera& cam, double travelled, double t) {
    struct Item {
        double z;
        double lateral;
        bool vehicle;
    };
    std::vector<Item> items;
    constexpr double spacing = 20.0;
    const double first = spacing - std::fmod(travelled, spacing);
    for (double z = first; z < 160.0; z += spacing) {
        if (z > 1.5) {
            items.push_back({z, roadRight + 0.7, false});
            items.push_back({z, roadLeft - 0.6, false});
        }
    }
    items.push_back({gapAhead(t), 0.0, true});
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.z > b.z; });
    for (const Item& item : items) {
        if (item.vehicle) {
            drawVehicle(canvas, cam, item.z, t >= leadBrakeStart);
        } else {
            drawPost(canvas, cam, item.lateral, item.z);
        }
    }
}

void drawHood(Canvas& canvas) {
    const int w = canvas.width();
    const int h = canvas.height();
    const double cx = w / 2.0;
    for (int x = 0; x < w; ++x) {
        const double u = (x + 0.5 - cx) / cx;
        const double top = h * (0.90 + 0.035 * u * u);
        for (int y = std::max(0, static_cast<int>(top)); y < h; ++y) {
            const double depth = (y + 0.5 - top) / (h * 0.1);
            canvas.set(x, y, shade({30, 32, 38}, 14.0 * (1.0 - std::min(1.0, depth * 3.0))));
        }
    }
}

// Segments a..g, bit 0 = a (top), clockwise, g in the middle.
unsigned segmentsOf(char c) {
    static constexpr std::array<unsigned, 10> digits = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                        0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    if (c >= '0' && c <= '9') {
        return digits[static_cast<std::size_t>(c - '0')];
    }
    return c == '-' ? 0x40 : 0;
}

void drawSevenSegment(Canvas& canvas, double x, double y, double size, const char* text,
                      Rgb colour) {
    const double w = size * 0.55;
    const double s = size * 0.13;
    const double half = size / 2;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '.') {
            canvas.fill(x, y + size - s, x + s, y + size, colour);
            x += s * 2.5;
            continue;
        }
        const unsigned seg = segmentsOf(*p);
        const std::array<std::array<double, 4>, 7> rects = {{
            {x, y, x + w, y + s},                           // a
            {x + w - s, y, x + w, y + half},                // b
            {x + w - s, y + half, x + w, y + size},         // c
            {x, y + size - s, x + w, y + size},             // d
            {x, y + half, x + s, y + size},                 // e
            {x, y, x + s, y + half},                        // f
            {x, y + half - s / 2, x + w, y + half + s / 2}  // g
        }};
        for (std::size_t i = 0; i < rects.size(); ++i) {
            if ((seg >> i) & 1u) {
                canvas.fill(rects[i][0], rects[i][1], rects[i][2], rects[i][3], colour);
            }
        }
        x += w + s * 1.5;
    }
}

}  // namespace

std::vector<std::uint8_t> renderRoadScene(int width, int height, int frameIndex, int frameCount) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    const double t = frameCount > 1 ? -15.0 + 20.0 * frameIndex / (frameCount - 1) : -15.0;
    const double travelled = distanceTravelled(t);

    Canvas canvas(width, height);
    const Camera cam{width / 2.0, height * 0.42, width * 0.9};
    drawSkyAndGround(canvas, cam, travelled);
    drawObjects(canvas, cam, travelled, t);
    drawHood(canvas);

    char text[32];
    std::snprintf(text, sizeof text, "%.1f", t);
    const double size = height / 10.0;
    drawSevenSegment(canvas, size * 0.45, size * 0.45, size, text, {20, 20, 20});
    drawSevenSegment(canvas, size * 0.4, size * 0.4, size, text, {255, 232, 120});
    return canvas.take();
}
