// PDravlik: the program's entry.
#include "application.h"
#include "session.h"
#include "sp_dravlik.h"

int main(int argc, char* argv[]) {
  // The data-access layer's default session comes first and goes last.
  dravlik::TSession& session = dravlik::Session();
  dravlik::TApplication application(argc, argv);
  application.Initialize();
  dravlik::TSpDravlik window(session);
  window.show();
  return application.exec();
}
