#include "CRegSettings.h"

#include "RegistryStore.h"

namespace lexmill {

namespace {

// "*" is the default value; the store names it with the empty name.
std::string_view valueName(std::string_view key) {
    return key == "*" ? std::string_view() : key;
}

std::string trimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

CRegSettings::CRegSettings(std::filesystem::path storeFile) : storeFile_(std::move(storeFile)) {}

// A name of only spaces would leave an empty part in every key path, which
// names no key; it restores the fresh value like the empty name does.
void CRegSettings::setCompany(std::string_view company) {
    company_ = trimSpaces(company);
    if (company_.empty()) company_ = kFreshCompany;
}

void CRegSettings::setAppName(std::string_view appName) {
    appName_ = trimSpaces(appName);
    if (appName_.empty()) appName_ = kFreshAppName;
}

std::string CRegSettings::keyPath(std::string_view section) const {
    std::string path = "Software\\" + company_ + "\\" + appName_;
    if (!section.empty()) {
        path += '\\';
        path += section;
    }
    return path;
}

bool CRegSettings::DeleteSetting(std::string_view section, std::string_view key) {
    if (key.empty() && section.empty()) return false;
    RegistryStore store(storeFile_);
    if (!key.empty()) return store.deleteValue(keyPath(section), valueName(key));
    return store.deleteKey(keyPath(section));
}

std::vector<std::pair<std::string, std::string>> CRegSettings::GetAllSettings(
    std::string_view section) {
    std::vector<std::pair<std::string, std::string>> settings;
    try {
        RegistryStore store(storeFile_);
        const auto values = store.enumValues(keyPath(section));
        if (!values) return settings;
        for (const RegistryValue& value : *values) {
            if (value.type != REG_SZ) continue;
            // A REG_SZ of size 0 (written by someone else) reads as "".
            std::string text = value.data;
            if (!text.empty()) text.pop_back();
            settings.emplace_back(value.name, std::move(text));
        }
    } catch (const std::exception&) {
        settings.clear();
    }
    return settings;
}

std::string CRegSettings::GetSetting(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) {
    try {
        RegistryStore store(storeFile_);
        auto value = store.queryValue(keyPath(section), valueName(key));
        if (!value || value->data.empty()) return std::string(defaultValue);
        value->data.pop_back();
        return std::move(value->data);
    } catch (const std::exception&) {
        return std::string(defaultValue);
    }
}

void CRegSettings::SaveSetting(std::string_view section, std::string_view key,
                               std::string_view setting) {
    RegistryStore store(storeFile_);
    std::string data(setting);
    data.push_back('\0');
    store.setValue(keyPath(section), valueName(key), REG_SZ, data);
}

}  // namespace lexmill
