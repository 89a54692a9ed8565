// Fuzzes the reading of Mvrn.ini with arbitrary file contents: loading the
// settings and listing the file's sections and keys must never crash, and
// reading must never change the file. Saving a setting into it must give
// back that setting on the next load, whatever else the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/rtl/ini_file.h"
#include "replace/mv_cfg.h"

namespace {

std::string& Folder() {
  static std::string folder = [] {
    // Memory-backed when the machine has it: every save syncs the file.
    std::string pattern =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/mv_cfg_fuzz.XXXXXX";
    const char* made = mkdtemp(pattern.data());
    if (made == nullptr) std::abort();
    static const std::string removed = made;
    std::atexit([] { std::filesystem::remove_all(removed); });
    return std::string(made) + "/";
  }();
  return folder;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  morvane::CMvCFG cfg(Folder());
  std::ofstream(cfg.IniPath, std::ios::binary | std::ios::trunc) << bytes;
  cfg.Load();
  morvane::TIniFile ini(cfg.IniPath);
  const morvane::TStringList sections = ini.ReadSections();
  for (int index = 0; index < sections.Count(); ++index) {
    const morvane::TStringList keys = ini.ReadSection(sections[index]);
    for (int key = 0; key < keys.Count(); ++key) ini.ReadInteger(sections[index], keys[key], 0);
  }
  if (ReadAll(cfg.IniPath) != bytes) std::abort();

  morvane::CMvCFG saved(Folder());
  saved.SrcTbl = "Goods";
  saved.SrcFld = "Unit";
  saved.SUnFld = "Good";
  saved.InfTbl = "Units";
  saved.InfFld = "Ident";
  try {
    saved.Save();
  } catch (const std::exception&) {
    return 0;  // refused to write: the file must then be as it was
  }
  morvane::CMvCFG loaded(Folder());
  loaded.Load();
  if (loaded.CfgName != "Goods.Unit" || loaded.SrcTbl != saved.SrcTbl ||
      loaded.SrcFld != saved.SrcFld || loaded.SUnFld != saved.SUnFld ||
      loaded.InfTbl != saved.InfTbl || loaded.InfFld != saved.InfFld) {
    std::abort();
  }
  return 0;
}
