#include "LoadFailureText.h"

#include <cstdio>
#include <cstring>

namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

// The name bytes as C text, so that a zero byte or a control character shows where it is.
std::string quotedName(const std::array<char, 8>& name) {
    std::string text = "\"";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    return text + "\"";
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
        return notRecording + recordAt(failure) + " is named " + quotedName(failure.name) +
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
