// morvane-data: see tools/tool.h. "--version" alone prints the version.
#include <malloc.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/tool.h"

int main(int argc, char** argv) {
  // The tool runs one command and ends. Memory one step frees (the reply of
  // a query of a million rows) is kept for the next one rather than handed
  // back to the system and faulted in again page by page, which costs more
  // than the work on it.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "morvane-data " << MORVANE_VERSION << '\n';
    return 0;
  }
  return morvane::tools::RunMorvaneData(std::vector<std::string>(argv + 1, argv + argc), std::cin,
                                        std::cout, std::cerr);
}
