// velmo32: turns frames of AVI movies into BMP files.
#include "framework/app/application.h"

int AppMain(int, char*[])
{
  TApplication app("Velmo Win32");
  return app.Run();
}
