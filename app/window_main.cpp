// The window program on Linux, started by cstrip: the toolkit's own
// options, then "--" and the window's IN and OUT, if given.

#include <QApplication>
#include <algorithm>
#include <string_view>

#include "form1.h"

int main(int argc, char* argv[]) {
  char** const end = std::find(argv + 1, argv + argc, std::string_view("--"));
  std::vector<std::filesystem::path> paths(std::min(end + 1, argv + argc), argv + argc);
  int toolkitArgc = static_cast<int>(end - argv);
  QApplication application(toolkitArgc, argv);
  Form1 form(paths);
  form.show();
  return application.exec();
}
