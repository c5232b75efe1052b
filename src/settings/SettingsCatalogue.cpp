#include "SettingsCatalogue.h"

namespace lexmill::catalogue {

std::string favorites::slotKey(int slot) {
    return "folder" + std::to_string(slot);
}

std::string ftp::positionKey(int position) {
    return std::to_string(position);
}

std::string ftp::connectionSection(std::string_view name) {
    std::string section(kSection);
    section += '\\';
    section += name;
    return section;
}

}  // namespace lexmill::catalogue
