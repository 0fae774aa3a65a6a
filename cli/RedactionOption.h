#pragma once

#include <memory>
#include <ostream>
#include <string>

class Recording;
class RedactionPlan;

// Reads the redaction file of --redact for `recording`. True with `plan` set (left empty when
// `path` is empty); false after saying on `err` which file is wrong and how, for exit 2.
bool loadRedactionOption(const std::string& path, const Recording& recording,
                         std::shared_ptr<const RedactionPlan>& plan, std::ostream& err);
