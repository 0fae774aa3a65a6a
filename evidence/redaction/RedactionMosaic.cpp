#include "RedactionMosaic.h"

#include <algorithm>
#include <vector>

#include <QImage>

#include "PlanePicture.h"

namespace {

// The edges of `count` even parts of [start, start + length).
std::vector<int> edges(int start, int length, int block) {
    const int count = std::max(1, length / std::max(1, block));
    std::vector<int> at(static_cast<std::size_t>(count) + 1);
    for (int k = 0; k <= count; ++k) {
        at[static_cast<std::size_t>(k)] =
            start + static_cast<int>(std::int64_t{length} * k / count);
    }
    return at;
}

// Each block between consecutive `columns` and `rows` filled with its rounded mean.
void fillBlocks(std::uint8_t* pixels, int stride, int channels, const std::vector<int>& columns,
                const std::vector<int>& rows) {
    for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        for (std::size_t c = 0; c + 1 < columns.size(); ++c) {
            const int left = columns[c];
            const int right = columns[c + 1];
            std::uint64_t sums[4] = {0, 0, 0, 0};
            for (int y = rows[r]; y < rows[r + 1]; ++y) {
                const std::uint8_t* line = pixels + static_cast<std::ptrdiff_t>(y) * stride;
                for (int x = left; x < right; ++x) {
                    for (int k = 0; k < channels; ++k) {
                        sums[k] += line[x * channels + k];
                    }
                }
            }
            const auto count =
                static_cast<std::uint64_t>(right - left) * static_cast<std::uint64_t>(rows[r + 1] - rows[r]);
            if (count == 0) {
                continue;
            }
            std::uint8_t mean[4] = {0, 0, 0, 0};
            for (int k = 0; k < channels; ++k) {
                mean[k] = static_cast<std::uint8_t>((sums[k] + count / 2) / count);
            }
            for (int y = rows[r]; y < rows[r + 1]; ++y) {
                std::uint8_t* line = pixels + static_cast<std::ptrdiff_t>(y) * stride;
                for (int x = left; x < right; ++x) {
                    std::copy(mean, mean + channels, line + static_cast<std::ptrdiff_t>(x) * channels);
                }
            }
        }
    }
}

// The blocks' edges in a chroma plane of half resolution: the outer edges widen to every
// chroma sample the area touches, the inner ones fall on the sample that starts at or
// before them.
std::vector<int> halved(const std::vector<int>& at) {
    std::vector<int> half;
    for (std::size_t k = 0; k < at.size(); ++k) {
        const int edge = k + 1 == at.size() ? (at[k] + 1) / 2 : at[k] / 2;
        if (half.empty() || edge > half.back()) {
            half.push_back(edge);
        } else if (k + 1 == at.size()) {
            half.back() = edge;
        }
    }
    return half;
}

}  // namespace

int mosaicBlockSize(const RedactionRect& region) {
    const int shorter = std::max(1, std::min(region.w, region.h));
    return std::max(8, (shorter + 11) / 12);
}

void drawMosaic(std::uint8_t* pixels, int stride, int channels, const RedactionRect& area,
                int block) {
    if (pixels == nullptr || area.w <= 0 || area.h <= 0 || channels <= 0 || channels > 4) {
        return;
    }
    fillBlocks(pixels, stride, channels, edges(area.x, area.w, block),
               edges(area.y, area.h, block));
}

void redactPlanes(PlanePicture& picture, const RedactionPlan& plan, std::uint32_t frameIndex) {
    if (!picture.isCreated()) {
        return;
    }
    for (const RedactionPlan::Placed& region : plan.regionsAt(frameIndex)) {
        const auto area = region.rect.clippedTo(picture.width(), picture.height());
        if (!area) {
            continue;
        }
        const int block = mosaicBlockSize(region.rect);
        const std::vector<int> columns = edges(area->x, area->w, block);
        const std::vector<int> rows = edges(area->y, area->h, block);
        fillBlocks(picture.y(), picture.lumaWidth(), 1, columns, rows);
        const std::vector<int> chromaColumns = halved(columns);
        const std::vector<int> chromaRows = halved(rows);
        fillBlocks(picture.cb(), picture.chromaWidth(), 1, chromaColumns, chromaRows);
        fillBlocks(picture.cr(), picture.chromaWidth(), 1, chromaColumns, chromaRows);
    }
}

void redactPicture(QImage& picture, const RedactionPlan& plan, std::uint32_t frameIndex) {
    if (picture.isNull()) {
        return;
    }
    const std::vector<RedactionPlan::Placed> placed = plan.regionsAt(frameIndex);
    if (placed.empty()) {
        return;
    }
    if (picture.depth() != 24 && picture.depth() != 32) {
        picture.convertTo(QImage::Format_BGR888);
    }
    const int channels = picture.depth() / 8;
    for (const RedactionPlan::Placed& region : placed) {
        const auto area = region.rect.clippedTo(picture.width(), picture.height());
        if (area) {
            drawMosaic(picture.bits(), static_cast<int>(picture.bytesPerLine()), channels, *area,
                       mosaicBlockSize(region.rect));
        }
    }
}
