#pragma once

#include <string>

class FrameBitmap;

enum class ImageFormat { Png, Ppm };

// Writes the whole bitmap as a picture file, red-green-blue. False when the file could not
// be written.
bool writeFrameImage(const FrameBitmap& bitmap, const std::string& path, ImageFormat format);
