#include "test_folder.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hvm::test {
namespace {

constexpr char kTestRoot[] = ":\\hvmtest";

std::string CurrentTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return "outside";
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':') c = '_';
  }
  return name;
}

}  // namespace

TestFolder::TestFolder(char drive) {
  static std::atomic<int> serial{0};
  path_ = std::string(1, drive) + kTestRoot + "\\" + CurrentTestName() + "-" +
          std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  std::error_code error;
  std::filesystem::remove_all(path_, error);
  if (!std::filesystem::create_directories(path_, error))
    throw std::runtime_error("cannot create test folder " + path_);
}

TestFolder::~TestFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::string TestFolder::WriteFile(const std::string& name, const std::string& content) const {
  const std::filesystem::path path = File(name);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
  return path.string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace hvm::test
