// A fresh folder under the system's temporary folder, removed with its content.
#pragma once

#include <filesystem>

namespace fieldcast::tables {

class TempFolder {
  public:
    TempFolder();  // throws std::runtime_error when none can be made
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace fieldcast::tables
