// The Windows programs' version resources, which Windows shows in a file's
// properties: the one version --version tells, and the file's own name.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "borgo/version.hpp"

namespace borgo::driver {
namespace {

// A program's version resource, read as Windows' file properties read it.
class VersionResource {
 public:
  explicit VersionResource(const std::string& program) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoA(program.c_str(), 0, size, data_.data())) data_.clear();
  }

  bool found() const { return !data_.empty(); }

  // "major.minor.patch.build" of the numeric file version.
  std::string numeric_version() const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) {
      return "";
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
  }

  // A string of the resource's first language, as its translation names it.
  std::string text(const std::string& name) const {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length) ||
        length < 2 * sizeof(WORD)) {
      return "<no translation>";
    }
    const auto* translation = static_cast<const WORD*>(value);
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translation[0],
                  translation[1]);
    if (!VerQueryValueA(data_.data(), (block + name).c_str(), &value, &length) || length == 0) {
      return "<no " + name + ">";
    }
    return std::string(static_cast<const char*>(value), length - 1);
  }

 private:
  std::vector<char> data_;
};

TEST(VersionResource, EveryWindowsProgramShowsTheOneVersion) {
  const std::string version(borgo::kVersion);
  // "1.0.0-dirty" counts 1.0.0 in the numeric version, which holds numbers only.
  const std::string numbers = version.substr(0, version.find('-')) + ".0";
  for (const char* program : {BORGO_TOOL, BORGO_PROGRAM, BORGO_PACKAGE_PROGRAM}) {
    SCOPED_TRACE(program);
    const VersionResource resource(program);
    ASSERT_TRUE(resource.found());
    EXPECT_EQ(resource.text("ProductVersion"), version);
    EXPECT_EQ(resource.text("FileVersion"), version);
    EXPECT_EQ(resource.text("OriginalFilename"),
              std::filesystem::path(program).filename().string());
    EXPECT_EQ(resource.numeric_version(), numbers);
  }
}

}  // namespace
}  // namespace borgo::driver
