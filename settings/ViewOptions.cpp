#include "ViewOptions.h"

#include <utility>

namespace {

constexpr const char* section = "View";
constexpr const char* smoothKey = "SmoothScaling";
constexpr std::size_t valueBufferSize = 10;

}  // namespace

ViewOptions::ViewOptions(std::string iniPath) : file_(std::move(iniPath)) {}

bool ViewOptions::loadSmoothScaling() const {
    return file_.readInteger(section, smoothKey, "0", valueBufferSize) == 1;
}

bool ViewOptions::saveSmoothScaling(bool smooth) const {
    return file_.writeString(section, smoothKey, smooth ? "1" : "0");
}
