#include "RedactionOption.h"

#include "Recording.h"
#include "RedactionFile.h"

bool loadRedactionOption(const std::string& path, const Recording& recording,
                         std::shared_ptr<const RedactionPlan>& plan, std::ostream& err) {
    if (path.empty()) {
        return true;
    }
    std::string error;
    std::optional<RedactionPlan> read = readRedactionFile(path, recording.frameCount(), error);
    if (!read) {
        err << "halcyra-cli: " << error << "\n";
        return false;
    }
    plan = std::make_shared<const RedactionPlan>(std::move(*read));
    return true;
}
