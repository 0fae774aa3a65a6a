#include "RemovableVolume.h"

#include <windows.h>

#include "WideText.h"

namespace removableVolume {

bool isRemovable(const std::string& root) {
    std::optional<std::wstring> wide = wideText(root);
    if (!wide || wide->empty()) {
        return false;
    }
    // GetDriveTypeW wants the root with its trailing separator ("E:\").
    for (wchar_t& c : *wide) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    if (wide->back() != L'\\') {
        wide->push_back(L'\\');
    }
    return GetDriveTypeW(wide->c_str()) == DRIVE_REMOVABLE;
}

}  // namespace removableVolume
