#include <QApplication>

#include "form1.h"
#include "run_command_line.h"

int main(int argc, char* argv[]) {
  std::vector<std::filesystem::path> paths;
  if (const auto status = cstrip::cli::runCommandLine({argv + 1, argv + argc}, paths))
    return *status;
  QApplication application(argc, argv);
  Form1 form(paths);
  form.show();
  return application.exec();
}
