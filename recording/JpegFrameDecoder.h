#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

class FrameBitmap;

// Decodes the JPEG bytes of one frame into a FrameBitmap, blue-green-red, one row at a time.
//
// Once the frame header has been read, `targetFor(width, height)` is asked for the bitmap to
// write (the caller creates its bitmap pair there when it has none yet); it may return
// nullptr, which fails the decode. Rows beyond the target's height are decoded and dropped;
// columns beyond its width are cut.
//
// Returns true when the decode ran to completion. A fatal decoder error (corrupt or
// unsupported data, a frame with four components, a frame too large to handle) throws an
// exception of type int with value 1; the rows copied before it stay in the target.
// Data missing at the end of the frame is completed with an end-of-image marker.
bool decodeJpegFrame(std::span<const std::uint8_t> jpeg,
                     const std::function<FrameBitmap*(int width, int height)>& targetFor);

class PlanePicture;

// Decodes the JPEG bytes of one frame into the planes H.264 takes (4:2:0, limited range),
// keeping the recorded chroma: 4:2:0 as it is, finer chroma by the mean of the samples each
// output sample covers. The frame lands top-left in the target that `targetFor` returns, as
// with decodeJpegFrame, which this also follows in its results and its errors.
bool decodeJpegPlanes(std::span<const std::uint8_t> jpeg,
                      const std::function<PlanePicture*(int width, int height)>& targetFor);
