// morvane-data: see tools/tool.h.
#include <iostream>
#include <string>
#include <vector>

#include "tools/tool.h"

int main(int argc, char** argv) {
  return morvane::tools::RunMorvaneData(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                        std::cerr);
}
