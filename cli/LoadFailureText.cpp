#include "LoadFailureText.h"

#include <cstring>
#include <string_view>

#include "JsonText.h"

namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

// "record 3 at offset 1234", counting records from 1 as people do.
std::string recordAt(const LoadFailure& failure) {
    return "record " + std::to_string(failure.record + 1) + " at offset " +
           std::to_string(failure.offset);
}

}  // namespace

std::string loadFailureText(const LoadFailure& failure) {
    const std::string notRecording = "not a recording of JPEG frames: ";
    switch (failure.kind) {
    case LoadFailure::Kind::cannotOpen:
        return "cannot be opened: " + systemReason(failure.systemError);
    case LoadFailure::Kind::readError:
        if (failure.offset == 0 && failure.record == 0) {
            return "cannot be read: " + systemReason(failure.systemError);
        }
        return "cannot be read in " + recordAt(failure) + ": " +
               systemReason(failure.systemError);
    case LoadFailure::Kind::badName:
        return notRecording + recordAt(failure) + " is named " + jsonString(std::string_view(failure.name.data(), failure.name.size())) +
               ", where \".jpg\" and a zero byte must follow the first three characters";
    case LoadFailure::Kind::negativeSize:
        return notRecording + recordAt(failure) + " announces a negative size (" +
               std::to_string(failure.size) + " bytes)";
    case LoadFailure::Kind::noCompleteRecord:
        if (failure.present == 0) {
            return notRecording + "the file is empty";
        }
        if (failure.size < 0) {
            return notRecording + "no complete record; the file ends " +
                   std::to_string(failure.present) + " bytes into the first 12-byte header";
        }
        return notRecording + "no complete record; the first announces " +
               std::to_string(failure.size) + " bytes of JPEG data and the file holds " +
               std::to_string(failure.present - 12) + " of them";
    case LoadFailure::Kind::noOwner:
    case LoadFailure::Kind::none:
        break;
    }
    return "cannot be read or is not a recording of JPEG frames";
}
