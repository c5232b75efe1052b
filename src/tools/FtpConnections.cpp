#include "FtpConnections.h"

#include <algorithm>
#include <map>

#include "NameFold.h"
#include "RegistryStore.h"
#include "SettingConversions.h"
#include "SettingsCatalogue.h"

namespace lexmill {

namespace ftp = catalogue::ftp;

FtpConnections::FtpConnections(std::filesystem::path settingsFile)
    : settingsFile_(std::move(settingsFile)) {}

CRegSettings FtpConnections::Settings() const {
    CRegSettings settings(settingsFile_);
    settings.setCompany(catalogue::kCompany);
    settings.setAppName(catalogue::kAppName);
    return settings;
}

void FtpConnections::CheckReadable() const {
    if (!std::filesystem::exists(settingsFile_)) return;
    RegistryStore(settingsFile_).keyExists(Settings().keyPath(ftp::kSection));
}

std::vector<std::string> FtpConnections::Names() {
    CRegSettings settings = Settings();
    // One read of the section: a huge stored count costs nothing.
    std::map<std::string, std::string> values;
    for (auto& [key, value] : settings.GetAllSettings(ftp::kSection))
        values.emplace(foldName(key), std::move(value));
    const auto countValue = values.find(foldName(ftp::kServers));
    const long count = countValue == values.end()
                           ? leadingNumber(ftp::kServersDefault)
                           : static_cast<long>(leadingNumber(countValue->second));
    std::vector<std::string> names;
    for (long position = 1; position <= count; ++position) {
        const auto name = values.find(ftp::positionKey(static_cast<int>(position)));
        if (name == values.end()) break;
        names.push_back(name->second);
    }
    return names;
}

std::string FtpConnections::NameAt(int position) {
    return Settings().GetSetting(ftp::kSection, ftp::positionKey(position), ftp::kNameDefault);
}

int FtpConnections::Last() {
    return leadingNumber(Settings().GetSetting(ftp::kSection, ftp::kLast, ftp::kLastDefault));
}

void FtpConnections::SetLast(int position) {
    Settings().SaveSetting(ftp::kSection, ftp::kLast, std::to_string(position));
}

FtpConnection FtpConnections::Load(std::string_view name) {
    CRegSettings settings = Settings();
    const std::string section = ftp::connectionSection(name);
    auto get = [&](std::string_view key) {
        return settings.GetSetting(section, key, ftp::kFieldDefault);
    };
    std::string protocol = get(ftp::kProtocol);
    if (protocol.empty()) protocol = kProtocolNames[0];
    return {get(ftp::kAddress),          get(ftp::kUserName), get(ftp::kPassword),
            get(ftp::kRemoteDir),        get(ftp::kPort),     protocol,
            get(ftp::kPinnedCertificate)};
}

void FtpConnections::SetPinnedCertificate(std::string_view name, std::string_view fingerprint) {
    Settings().SaveSetting(ftp::connectionSection(name), ftp::kPinnedCertificate,
                           std::string(fingerprint));
}

void FtpConnections::Store(std::string_view name, const FtpConnection& details) {
    const FtpConnection before = Load(name);
    CRegSettings settings = Settings();
    const std::string section = ftp::connectionSection(name);
    if (!before.pinnedCertificate.empty() &&
        (before.address != details.address || before.port != details.port ||
         before.protocol != details.protocol))
        settings.DeleteSetting(section, ftp::kPinnedCertificate);
    settings.SaveSetting(section, ftp::kAddress, details.address);
    settings.SaveSetting(section, ftp::kUserName, details.userName);
    settings.SaveSetting(section, ftp::kPassword, details.password);
    settings.SaveSetting(section, ftp::kRemoteDir, details.remoteDir);
    settings.SaveSetting(section, ftp::kPort, details.port);
    settings.SaveSetting(section, ftp::kProtocol,
                         details.protocol.empty() ? kProtocolNames[0] : details.protocol);
}

int FtpConnections::Find(std::string_view name) {
    const std::vector<std::string> names = Names();
    const auto found = std::find(names.begin(), names.end(), name);
    return found == names.end() ? 0 : static_cast<int>(found - names.begin()) + 1;
}

void FtpConnections::Add(std::string_view name) {
    std::vector<std::string> names = Names();
    names.emplace_back(name);
    WriteNames(names);
}

bool FtpConnections::Remove(std::string_view name) {
    std::vector<std::string> names = Names();
    const auto end = std::remove(names.begin(), names.end(), name);
    if (end == names.end()) return false;
    names.erase(end, names.end());
    WriteNames(names);

    // Sections ignore letter case, so "Home" and "home" share one; and a name
    // with a backslash ("a\\b") lies under another's ("a"). Only details no
    // other entry uses go.
    const std::string folded = foldName(name);
    bool shared = false, nested = false;
    for (const std::string& other : names) {
        const std::string f = foldName(other);
        shared = shared || f == folded;
        nested = nested || f.starts_with(folded + "\\");
    }
    CRegSettings settings = Settings();
    const std::string section = ftp::connectionSection(name);
    if (shared) return true;
    if (!nested) {
        settings.DeleteSetting(section);
        return true;
    }
    for (const std::string_view key :
         {ftp::kAddress, ftp::kUserName, ftp::kPassword, ftp::kRemoteDir, ftp::kPort,
          ftp::kProtocol, ftp::kPinnedCertificate})
        settings.DeleteSetting(section, key);
    return true;
}

void FtpConnections::WriteNames(const std::vector<std::string>& names) {
    CRegSettings settings = Settings();
    // Stray positions beyond the count go too, so the list and the values agree.
    for (const auto& [key, value] : settings.GetAllSettings(ftp::kSection)) {
        const bool position =
            !key.empty() && key.size() < 10 &&
            std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (position && std::stoul(key) > names.size()) settings.DeleteSetting(ftp::kSection, key);
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        settings.SaveSetting(ftp::kSection, ftp::positionKey(static_cast<int>(i + 1)), names[i]);
    settings.SaveSetting(ftp::kSection, ftp::kServers, std::to_string(names.size()));
}

}  // namespace lexmill
