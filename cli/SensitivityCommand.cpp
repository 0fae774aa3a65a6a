#include <optional>
#include <string>

#include "ArgumentReader.h"
#include "Commands.h"
#include "ConfigFileWriter.h"
#include "DeviceFileOutput.h"
#include "OutputTarget.h"

namespace {

constexpr const char* usage =
    "usage: halcyra-cli sensitivity --vehicle car|truck --front-back N --left-right N\n"
    "                               --up-down N --out DIR [--force]\n\n"
    "Writes DIR/halc.inf, the recorder's shock-detection thresholds, as the sensitivity\n"
    "dialog does. N is a slider position from 0 (low) to 10 (high). An existing halc.inf\n"
    "is replaced only with --force.\n"
    "Exit status: 0 written, 1 not written, 2 usage error.\n";

struct SensitivityRequest {
    std::optional<std::string> vehicle;
    std::optional<std::string> frontBack;
    std::optional<std::string> leftRight;
    std::optional<std::string> upDown;
    std::optional<std::string> out;
    bool force = false;
};

// Fills `request`, or returns false for a usage error.
bool parseRequest(std::span<const std::string> args, SensitivityRequest& request) {
    const ValueOption options[] = {{"--vehicle", &request.vehicle},
                                   {"--front-back", &request.frontBack},
                                   {"--left-right", &request.leftRight},
                                   {"--up-down", &request.upDown},
                                   {"--out", &request.out}};
    return readOptions(args, options, request.force) && request.vehicle && request.frontBack &&
           request.leftRight && request.upDown && request.out && !request.out->empty();
}

}  // namespace

int runSensitivityCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    if (wantsHelp(args)) {
        out << usage;
        return 0;
    }
    SensitivityRequest request;
    if (!parseRequest(args, request)) {
        err << usage;
        return 2;
    }
    if (*request.vehicle != "car" && *request.vehicle != "truck") {
        err << "halcyra-cli: --vehicle is car or truck\n" << usage;
        return 2;
    }
    const auto frontBack = parseIndex(*request.frontBack, 10);
    const auto leftRight = parseIndex(*request.leftRight, 10);
    const auto upDown = parseIndex(*request.upDown, 10);
    if (!frontBack || !leftRight || !upDown) {
        err << "halcyra-cli: slider positions are whole numbers from 0 to 10\n" << usage;
        return 2;
    }

    ConfigFileWriter writer;
    writer.setSensitivity(*request.vehicle == "truck" ? truckVehicle : carVehicle,
                          static_cast<std::int32_t>(*leftRight),
                          static_cast<std::int32_t>(*frontBack),
                          static_cast<std::int32_t>(*upDown));
    return outputDeviceFile(
        targetIn(*request.out, "halc.inf"), request.force,
        [&writer](const std::string& target) { return writer.trySensitivityFile(target); }, err);
}
