#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "ArgumentReader.h"
#include "ClockLines.h"
#include "Commands.h"
#include "ConfigFileWriter.h"
#include "DeviceFileOutput.h"
#include "OutputTarget.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli clock --date YYYY-MM-DD --time HH:MM:SS --out DIR [--force]\n\n"
    "Writes DIR/writetime.txt, the clock setting the recorder takes when it is next\n"
    "powered on with the card inserted, as the clock dialog does. The date runs from\n"
    "1970-01-01 to 3000-12-31, the time is local, on the 24-hour clock. An existing\n"
    "writetime.txt is replaced only with --force.\n"
    "Exit status: 0 written, 1 not written, 2 usage error.\n";

struct ClockRequest {
    std::optional<std::string> date;
    std::optional<std::string> time;
    std::optional<std::string> out;
    bool force = false;
};

// Fills `request`, or returns false for a usage error.
bool parseRequest(std::span<const std::string> args, ClockRequest& request) {
    const ValueOption options[] = {
        {"--date", &request.date}, {"--time", &request.time}, {"--out", &request.out}};
    return readOptions(args, options, request.force) && request.date && request.time &&
           request.out && !request.out->empty();
}

// Three fixed-width numbers with `separator` between them, as in 2027-03-01 or 00:00:05.
std::optional<std::array<int, 3>> parseTriple(std::string_view text, char separator,
                                              std::size_t firstWidth) {
    if (text.size() != firstWidth + 6 || text[firstWidth] != separator ||
        text[firstWidth + 3] != separator) {
        return std::nullopt;
    }
    const auto first = parseIndex(text.substr(0, firstWidth), 9999);
    const auto second = parseIndex(text.substr(firstWidth + 1, 2), 99);
    const auto third = parseIndex(text.substr(firstWidth + 4, 2), 99);
    if (!first || !second || !third) {
        return std::nullopt;
    }
    return std::array<int, 3>{static_cast<int>(*first), static_cast<int>(*second),
                              static_cast<int>(*third)};
}

}  // namespace

int runClockCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    ClockRequest request;
    if (!parseRequest(args, request)) {
        err << usage;
        return 2;
    }
    const auto date = parseTriple(*request.date, '-', 4);
    if (!date || !isClockDate((*date)[0], (*date)[1], (*date)[2])) {
        err << "halcyra-cli: --date takes a real date from 1970-01-01 to 3000-12-31\n" << usage;
        return 2;
    }
    const auto time = parseTriple(*request.time, ':', 2);
    if (!time || !isClockTime((*time)[0], (*time)[1], (*time)[2])) {
        err << "halcyra-cli: --time takes a time of day from 00:00:00 to 23:59:59\n" << usage;
        return 2;
    }

    const ConfigFileWriter writer;
    const std::string dateLine = clockDateLine((*date)[0], (*date)[1], (*date)[2]);
    const std::string timeLine = clockTimeLine((*time)[0], (*time)[1], (*time)[2]);
    return outputDeviceFile(
        targetIn(*request.out, "writetime.txt"), request.force,
        [&](const std::string& target) { return writer.tryClockFile(target, dateLine, timeLine); },
        err);
}
