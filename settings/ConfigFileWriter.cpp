#include "ConfigFileWriter.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

#include "FileError.h"
#include "FileOps.h"
#include "Prompts.h"

namespace {

struct AxisThresholds {
    double base;
    double step;
    double moment;
};

// Rows x, y, z; the recorder's own numbers per vehicle type.
constexpr std::array<AxisThresholds, 3> carThresholds{{
    {0.4, 0.02, 0.6},
    {0.4, 0.02, 0.6},
    {0.4, 0.02, 0.6},
}};
constexpr std::array<AxisThresholds, 3> truckThresholds{{
    {0.5, 0.02, 0.8},
    {0.5, 0.02, 1.0},
    {2.0, 0.0, 2.0},
}};

constexpr std::array<std::string_view, 12> sensitivityKeys{
    "xSummationUpper", "ySummationUpper", "zSummationUpper", "xSummationLower",
    "ySummationLower", "zSummationLower", "xMomentUpper",    "yMomentUpper",
    "zMomentUpper",    "xMomentLower",    "yMomentLower",    "zMomentLower",
};

// "%4.2f" in the C locale, whatever locale the process runs in.
std::string formatThreshold(double value) {
    std::array<char, 64> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                      std::chars_format::fixed, 2);
    std::string text(digits.data(), result.ptr);
    if (text.size() < 4) {
        text.insert(0, 4 - text.size(), ' ');
    }
    return text;
}

// The card is read by the recorder, which wants CR LF whatever system wrote the file.
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

int systemError() {
    // A failed call that left no error number still failed.
    return errno != 0 ? errno : EIO;
}

ConfigFileWriter::Outcome writeLines(const std::string& path,
                                     const std::vector<std::string>& lines) {
    using Stage = ConfigFileWriter::Outcome::Stage;
    errno = 0;
    FileHandle file = fileOps::openStream(path, "wb");
    if (!file) {
        return {Stage::open, systemError()};
    }
    for (const std::string& line : lines) {
        const std::string bytes = withCrLf(line);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
            return {Stage::write, systemError()};
        }
    }
    if (std::fflush(file.get()) != 0) {
        return {Stage::write, systemError()};
    }
    if (std::fclose(file.release()) != 0) {
        return {Stage::write, systemError()};
    }
    return {Stage::written, 0};
}

// The window's way: an open that fails is told in a message box and ends the output step;
// a failure after the open leaves as FileError.
bool writeDeviceFile(const std::string& path, const std::vector<std::string>& lines) {
    const ConfigFileWriter::Outcome outcome = writeLines(path, lines);
    switch (outcome.stage) {
    case ConfigFileWriter::Outcome::Stage::open:
        Prompts::current().message(path + " の出力に失敗しました", Prompts::Buttons::Ok,
                                   Prompts::Icon::Warning);
        return false;
    case ConfigFileWriter::Outcome::Stage::write:
        throw FileError(path);
    case ConfigFileWriter::Outcome::Stage::written:
        break;
    }
    return true;
}

}  // namespace

void ConfigFileWriter::setSensitivity(VehicleType vehicleType, std::int32_t x, std::int32_t y,
                                      std::int32_t z) {
    vehicleType_ = vehicleType;
    x_ = x;
    y_ = y;
    z_ = z;
}

std::vector<std::string> ConfigFileWriter::sensitivityLines() const {
    // Only 1 selects the truck column; the dialog never stores anything but 0 or 1.
    const auto& table = vehicleType_ == truckVehicle ? truckThresholds : carThresholds;
    const std::array<std::int32_t, 3> positions{x_, y_, z_};

    std::array<std::string, 12> values;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const double product = static_cast<double>(positions[axis]) * table[axis].step;
        const std::string summation = formatThreshold(table[axis].base - product);
        const std::string moment = formatThreshold(table[axis].moment);
        // Upper and lower lines of one axis and kind carry the same number.
        values[axis] = summation;
        values[axis + 3] = summation;
        values[axis + 6] = moment;
        values[axis + 9] = moment;
    }

    std::vector<std::string> lines;
    for (std::size_t i = 0; i < values.size(); ++i) {
        lines.push_back(std::string(sensitivityKeys[i]) + "=" + values[i] + "\n");
    }
    return lines;
}

bool ConfigFileWriter::writeSensitivityFile(const std::string& path) const {
    return writeDeviceFile(path, sensitivityLines());
}

bool ConfigFileWriter::writeClockFile(const std::string& path, const std::string& dateLine,
                                      const std::string& timeLine) const {
    return writeDeviceFile(path, {dateLine, timeLine});
}

ConfigFileWriter::Outcome ConfigFileWriter::trySensitivityFile(const std::string& path) const {
    return writeLines(path, sensitivityLines());
}

ConfigFileWriter::Outcome ConfigFileWriter::tryClockFile(const std::string& path,
                                                         const std::string& dateLine,
                                                         const std::string& timeLine) const {
    return writeLines(path, {dateLine, timeLine});
}
