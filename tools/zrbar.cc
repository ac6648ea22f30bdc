// zrbar: a command-line stand-in for the browser toolbar. It makes one call of
// the ZRForm server's ZRBarHelper or History object over the session bus, with
// an HTML file as the page, and prints the result (usage: zrbar --help).
#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "tools/zrbar_output.h"
#include "tools/zrbar_request.h"
#include "tools/zrbar_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  zr::BarParse parse = zr::ParseBarCommandLine(arguments);
  if (parse.help) {
    std::cout << zr::kBarSynopsis << "\n" << zr::kBarDetails;
    return zr::kExitCallMade;
  }
  if (!parse.request) {
    std::cerr << "zrbar: " << parse.error << "\n"
              << zr::kBarSynopsis << "Run zrbar --help for the output and the exit status.\n";
    return zr::kExitUsage;
  }
  // The calls wait in this application's event loop; zrbar shows no window.
  QCoreApplication application(argc, argv);
  return zr::RunBarRequest(*parse.request);
}
