#include "cli.h"

int main(int argc, char** argv) {
  return ferrolok::cli::run(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
