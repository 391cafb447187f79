// Seeds the (sandboxed) registry for a test with raw platform calls, so that
// what a test sets up does not depend on the code under test. Paths begin
// with a short root name: "HKCR\\CLSID\\{...}\\InprocServer32".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace hvm::test {

void SeedKey(const std::string& path);
void SeedString(const std::string& path, const std::string& name, const std::string& text);
void SeedExpandString(const std::string& path, const std::string& name, const std::string& text);
void SeedDword(const std::string& path, const std::string& name, uint32_t value);
void SeedBinary(const std::string& path, const std::string& name, const std::string& bytes);
void SeedValue(const std::string& path, const std::string& name, DWORD type,
               const std::string& bytes);

bool KeyExists(const std::string& path);
bool ValueExists(const std::string& path, const std::string& name);

}  // namespace hvm::test
