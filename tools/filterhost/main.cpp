// filterhost: runs the module's filters as an application would.
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"

namespace {

void usage(std::ostream& out) {
  out << "usage: filterhost [--module FILE] list\n"
         "  list     the module's filters with their dialogs, input types and parameters\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string modulePath = Pixlib::libraryDirectory() + "/corefilterssd.ftf";
  int i = 1;
  if (i + 1 < argc && std::strcmp(argv[i], "--module") == 0) {
    modulePath = argv[i + 1];
    i += 2;
  }
  if (i >= argc) {
    usage(std::cerr);
    return 2;
  }
  const std::string command = argv[i];
  if (command == "--help" || command == "-h") {
    usage(std::cout);
    return 0;
  }
  std::string error;
  auto module = Pixlib::FilterModule::load(modulePath, error);
  if (!module) {
    std::cerr << "filterhost: " << error << "\n";
    return 1;
  }
  if (command == "list") return filterhost::listCommand(*module);
  std::cerr << "filterhost: unknown command '" << command << "'\n";
  usage(std::cerr);
  return 2;
}
