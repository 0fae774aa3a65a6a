#pragma once

#include <string>

// Sets or removes a variable of this process's environment, on every system.
void setEnvironment(const std::string& name, const std::string& value);
void unsetEnvironment(const std::string& name);
