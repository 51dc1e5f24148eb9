// The application object of velmo32.
#pragma once

#include "framework/app/application.h"

class velmoApp : public TApplication {
public:
  velmoApp();

protected:
  void InitMainWindow() override;
  void InitInstance() override;
  void CmAbout();

  DECLARE_RESPONSE_TABLE(velmoApp);
};
