#include "batch/Module1.h"

namespace lexmill {

void SetSelection(Module1& m, std::string_view folder, const std::vector<std::string>& names) {
    m.WorkPath = folder;
    if (m.WorkPath.empty() || m.WorkPath.back() != '/') m.WorkPath += '/';
    m.SelCount = static_cast<std::int64_t>(names.size());
    if (names.empty()) return;
    m.SelNames = names;
    m.SelPaths.clear();
    m.SelPaths.reserve(names.size());
    for (const auto& name : names) m.SelPaths.push_back(m.WorkPath + name);
}

}  // namespace lexmill
