// PDravlik: the program's entry.
#include <csignal>

#include "application.h"
#include "session.h"
#include "sp_dravlik.h"

int main(int argc, char* argv[]) {
  // A file size limit must fail the write that meets it, shown in an error
  // box, not kill the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // The data-access layer's default session comes first and goes last.
  dravlik::TSession& session = dravlik::Session();
  dravlik::TApplication application(argc, argv);
  application.Initialize();
  dravlik::TSpDravlik window(session);
  window.show();
  return application.exec();
}
