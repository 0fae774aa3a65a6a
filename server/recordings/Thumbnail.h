#pragma once

#include <optional>
#include <string>

// A small JPEG of a recording's event frame (0.000 s), for lists: the frame decoded by
// libjpeg-turbo at the smallest of its reduced sizes that still covers 160 by 120, and encoded
// again. Nothing when the recording has no frame that decodes.
std::optional<std::string> thumbnailOf(const std::string& recordingPath);
