#include "core/message_box_rule.h"

namespace core {

uint32_t WithDefaultIcon(uint32_t type) {
    if (type & kMbIconMask) return type;
    const uint32_t buttons = type & kMbTypeMask;
    if (buttons == kMbOk || buttons == kMbOkCancel) return type | kMbIconExclamation;
    if (buttons == kMbYesNo || buttons == kMbYesNoCancel) return type | kMbIconQuestion;
    return type;
}

std::wstring AppNameFromPath(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    return name;
}

}  // namespace core
