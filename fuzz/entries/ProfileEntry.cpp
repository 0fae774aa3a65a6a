// Any text as Halcyra.ini: read it as the sensitivity dialog does, save a choice into it,
// and read back what was saved and what was not touched.
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzEntries.h"
#include "ProfileFile.h"
#include "ScratchFolder.h"
#include "SensitivityMemory.h"

namespace {

void writeBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    fuzzCheck(!file.fail(), "cannot write the profile file");
}

std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

}  // namespace

void fuzzProfileFile(std::span<const std::uint8_t> input) {
    emptyScratchFolder();
    const std::filesystem::path path = scratchFolder() / "Halcyra.ini";
    writeBytes(path, input);

    const ProfileFile profile(path.string());
    for (const std::size_t room : {std::size_t{0}, std::size_t{1}, std::size_t{10}}) {
        fuzzCheck(
            profile.readString("Config", "y", "10", room).size() <= (room == 0 ? 0 : room - 1),
            "a value longer than its buffer");
    }

    const SensitivityMemory memory(path.string());
    const VehicleType stored = memory.loadVehicleType();
    const SensitivityPositions car = memory.loadPositions(carVehicle);
    const SensitivityPositions truck = memory.loadPositions(truckVehicle);

    // Save the other vehicle type with positions picked from the input.
    const VehicleType saved = stored == truckVehicle ? carVehicle : truckVehicle;
    const int pick = static_cast<int>(input.size() % 23) - 6;
    const SensitivityPositions positions{pick, 10 - pick, pick * 7};
    memory.save(saved, positions);

    fuzzCheck(filesIn(scratchFolder()) == 1, "a save left another file beside Halcyra.ini");
    fuzzCheck(memory.loadVehicleType() == saved, "saved vehicle type does not read back");
    fuzzCheck(memory.loadPositions(saved) == positions, "saved positions do not read back");
    fuzzCheck(memory.loadPositions(saved == carVehicle ? truckVehicle : carVehicle) ==
                  (saved == carVehicle ? truck : car),
              "the other vehicle type's positions changed");
}
