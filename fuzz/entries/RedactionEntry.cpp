// Any bytes as a redaction file: read it as --redact does; what reads must write back to the
// same text, place every region inside its span and redact a small picture without touching
// a pixel outside the regions.
#include <algorithm>

#include <QImage>

#include "FuzzEntries.h"
#include "RedactionFile.h"
#include "RedactionMosaic.h"

void fuzzRedactionFile(std::span<const std::uint8_t> input) {
    std::string error;
    const std::optional<RedactionPlan> plan = parseRedaction(
        std::span<const char>(reinterpret_cast<const char*>(input.data()), input.size()), error);
    if (!plan) {
        fuzzCheck(!error.empty(), "a refused file without a reason");
        return;
    }
    const std::string text = redactionJson(*plan);
    std::string again;
    const std::optional<RedactionPlan> reread = parseRedaction(text, again);
    fuzzCheck(reread.has_value(), "the written file does not read back");
    fuzzCheck(redactionJson(*reread) == text, "the written file reads back different");

    std::uint32_t last = 0;
    for (const RedactionRegion& region : plan->regions()) {
        fuzzCheck(!region.empty(), "a region without keys was read");
        last = std::max(last, region.lastIndex());
        fuzzCheck(region.rectAt(region.firstIndex()).has_value() &&
                      region.rectAt(region.lastIndex()).has_value(),
                  "a region is missing at its own keys");
        const std::uint32_t middle =
            region.firstIndex() + (region.lastIndex() - region.firstIndex()) / 2;
        const auto rect = region.rectAt(middle);
        fuzzCheck(rect.has_value() && rect->w >= 1 && rect->h >= 1, "a region vanished between keys");
        if (region.lastIndex() < UINT32_MAX) {
            fuzzCheck(!region.rectAt(region.lastIndex() + 1), "a region outlives its last key");
        }
    }
    fuzzCheck(plan->empty() || redactionMisfit(*plan, last).has_value(),
              "a key past the last frame fits");
    fuzzCheck(!redactionMisfit(*plan, std::size_t{last} + 1), "keys within the recording misfit");

    // A small picture at the frame of the first key: pixels outside every region stay.
    if (plan->empty()) {
        return;
    }
    const std::uint32_t frame = plan->regions().front().firstIndex();
    QImage original(23, 17, QImage::Format_BGR888);
    for (int y = 0; y < original.height(); ++y) {
        for (int x = 0; x < original.width(); ++x) {
            original.setPixel(x, y, static_cast<QRgb>(x * 0x10203u + y * 0x30201u));
        }
    }
    QImage picture = original.copy();
    redactPicture(picture, *plan, frame);
    const auto placed = plan->regionsAt(frame);
    for (int y = 0; y < original.height(); ++y) {
        for (int x = 0; x < original.width(); ++x) {
            const bool covered = std::any_of(placed.begin(), placed.end(), [x, y](const auto& p) {
                return std::int64_t{x} >= p.rect.x && std::int64_t{x} < std::int64_t{p.rect.x} + p.rect.w &&
                       std::int64_t{y} >= p.rect.y && std::int64_t{y} < std::int64_t{p.rect.y} + p.rect.h;
            });
            fuzzCheck(covered || picture.pixel(x, y) == original.pixel(x, y),
                      "a pixel outside every region changed");
        }
    }
}
