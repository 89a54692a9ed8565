// morvane-data: see tools/tool.h. "--version" alone prints the version.
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "morvane-data " << MORVANE_VERSION << '\n';
    return 0;
  }
  return morvane::tools::RunMorvaneData(std::vector<std::string>(argv + 1, argv + argc), std::cin,
                                        std::cout, std::cerr);
}
