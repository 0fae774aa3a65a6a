#include "PlaneOverlay.h"

#include <algorithm>

#include <QImage>
#include <QPainter>

#include "PlanePicture.h"

namespace {

// Texts kept at most; the readout changes every frame, the time of day every second.
constexpr std::size_t keptMasks = 64;

// What drawFrameOverlay's band leaves of a sample: QColor(0, 0, 0, 170) over it.
constexpr int bandKeeps = 255 - 170;

// `towards` with coverage `alpha` of 255 over `value`.
std::uint8_t over(int value, int towards, int alpha) {
    return static_cast<std::uint8_t>((towards * alpha + value * (255 - alpha) + 127) / 255);
}

}  // namespace

PlaneOverlay::PlaneOverlay(int width, int height)
    : pictureWidth(width),
      pictureHeight(height),
      layout(overlayLayout(height)),
      font(overlayFont(layout.pixelSize)) {}

void PlaneOverlay::draw(PlanePicture& picture, const std::string& timeOfDay,
                        const std::string& readout) {
    if (!picture.isCreated() || picture.width() != pictureWidth ||
        picture.height() != pictureHeight) {
        return;
    }
    darkenBand(picture);
    if (!timeOfDay.empty()) {
        blendWhite(picture, maskFor(QString::fromStdString(timeOfDay),
                                    Qt::AlignLeft | Qt::AlignVCenter));
    }
    blendWhite(picture, maskFor(QString::fromStdString(readout) + QStringLiteral(" s"),
                                Qt::AlignRight | Qt::AlignVCenter));
}

const PlaneOverlay::Mask& PlaneOverlay::maskFor(const QString& text, int alignment) {
    const auto key = std::make_pair(text, alignment);
    const auto known = masks.find(key);
    if (known != masks.end()) {
        return known->second;
    }
    if (masks.size() >= keptMasks) {
        masks.clear();
    }
    const int bandTop = pictureHeight - layout.band;
    QImage band(pictureWidth, layout.band, QImage::Format_Grayscale8);
    Mask mask;
    if (!band.isNull()) {
        band.fill(0);
        QPainter painter(&band);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(layout.margin, 0, pictureWidth - 2 * layout.margin, layout.band),
                         alignment, text);
        painter.end();
        // The covered box, widened to whole chroma samples.
        int left = pictureWidth;
        int right = 0;
        int top = layout.band;
        int bottom = 0;
        for (int y = 0; y < band.height(); ++y) {
            const uchar* line = band.constScanLine(y);
            for (int x = 0; x < pictureWidth; ++x) {
                if (line[x] != 0) {
                    left = std::min(left, x);
                    right = std::max(right, x + 1);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y + 1);
                }
            }
        }
        if (left < right) {
            mask.left = left & ~1;
            mask.top = (bandTop + top) & ~1;
            mask.width = ((right - mask.left) + 1) & ~1;
            mask.height = ((bandTop + bottom - mask.top) + 1) & ~1;
            mask.coverage.assign(static_cast<std::size_t>(mask.width) * mask.height, 0);
            for (int y = mask.top; y < mask.top + mask.height; ++y) {
                if (y < bandTop || y >= pictureHeight) {
                    continue;
                }
                const uchar* line = band.constScanLine(y - bandTop);
                const int end = std::min(mask.left + mask.width, pictureWidth);
                std::copy(line + mask.left, line + end,
                          mask.coverage.begin() + static_cast<std::ptrdiff_t>(y - mask.top) *
                                                      mask.width);
            }
        }
    }
    return masks.emplace(key, std::move(mask)).first->second;
}

void PlaneOverlay::darkenBand(PlanePicture& picture) const {
    const int bandTop = std::max(0, pictureHeight - layout.band);
    const int lumaWidth = picture.lumaWidth();
    for (int y = bandTop; y < pictureHeight; ++y) {
        std::uint8_t* line = picture.y() + static_cast<std::ptrdiff_t>(y) * lumaWidth;
        for (int x = 0; x < lumaWidth; ++x) {
            line[x] = over(line[x], 16, 170);
        }
    }
    const int chromaWidth = picture.chromaWidth();
    for (int row = bandTop / 2; row < picture.chromaHeight(); ++row) {
        // A chroma row half in the band keeps the mean of what each of its luma rows keeps.
        const int inBand = (2 * row >= bandTop ? 1 : 0) + (2 * row + 1 >= bandTop ? 1 : 0);
        const int alpha = 255 - (bandKeeps * inBand + 255 * (2 - inBand) + 1) / 2;
        for (std::uint8_t* plane : {picture.cb(), picture.cr()}) {
            std::uint8_t* line = plane + static_cast<std::ptrdiff_t>(row) * chromaWidth;
            for (int x = 0; x < chromaWidth; ++x) {
                line[x] = over(line[x], 128, alpha);
            }
        }
    }
}

void PlaneOverlay::blendWhite(PlanePicture& picture, const Mask& mask) {
    const int lumaWidth = picture.lumaWidth();
    const int chromaWidth = picture.chromaWidth();
    const int right = std::min(mask.width, lumaWidth - mask.left);
    const int bottom = std::min(mask.height, picture.lumaHeight() - mask.top);
    for (int y = 0; y < bottom; ++y) {
        const std::uint8_t* alpha = mask.coverage.data() + static_cast<std::ptrdiff_t>(y) * mask.width;
        std::uint8_t* line = picture.y() + static_cast<std::ptrdiff_t>(mask.top + y) * lumaWidth;
        for (int x = 0; x < right; ++x) {
            if (alpha[x] != 0) {
                line[mask.left + x] = over(line[mask.left + x], 235, alpha[x]);
            }
        }
    }
    for (int y = 0; y + 1 < bottom; y += 2) {
        const std::uint8_t* upper = mask.coverage.data() + static_cast<std::ptrdiff_t>(y) * mask.width;
        const std::uint8_t* lower = upper + mask.width;
        const auto offset = static_cast<std::ptrdiff_t>((mask.top + y) / 2) * chromaWidth;
        for (int x = 0; x + 1 < right; x += 2) {
            const int alpha = (upper[x] + upper[x + 1] + lower[x] + lower[x + 1] + 2) / 4;
            if (alpha != 0) {
                const std::ptrdiff_t at = offset + (mask.left + x) / 2;
                picture.cb()[at] = over(picture.cb()[at], 128, alpha);
                picture.cr()[at] = over(picture.cr()[at], 128, alpha);
            }
        }
    }
}
