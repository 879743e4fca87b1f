#include "temp_folder.h"

#include <stdlib.h>  // mkdtemp

#include <stdexcept>
#include <string>
#include <system_error>

namespace fieldcast::tables {

TempFolder::TempFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::string pattern = (base / "fieldcast-tables-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch folder in " + base.string());
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace fieldcast::tables
