#pragma once

#include <cstdint>

#include "RedactionPlan.h"

class QImage;

// The side of the mosaic's blocks for a region: at least 8 pixels and at least a twelfth of
// the region's shorter side, so that neither a small nor a large region stays readable.
int mosaicBlockSize(const RedactionRect& region);

// Fills `area` (already inside the plane) with blocks of about `block` pixels, each the
// rounded mean of its pixels, channel by channel: the detail inside a block is gone for good,
// which no blur would give. The blocks split the area evenly, so none is narrower than
// `block` (unless the area is) and no thin strip of untouched-looking pixels is left at an edge.
void drawMosaic(std::uint8_t* pixels, int stride, int channels, const RedactionRect& area,
                int block);

// Every region of `plan` that exists at frame `frameIndex`, clipped to the picture, made a
// mosaic. The one function behind the window's preview and every redacted export. Pictures of
// 24 or 32 bits per pixel are changed in place; others are converted to 24 bits first.
void redactPicture(QImage& picture, const RedactionPlan& plan, std::uint32_t frameIndex);

class PlanePicture;

// redactPicture for a picture in planes: the same regions and blocks in Y'; in Cb and Cr the
// blocks at half resolution, widened at the region's edges to every sample it touches.
void redactPlanes(PlanePicture& picture, const RedactionPlan& plan, std::uint32_t frameIndex);
