// Why the run's frame server did not give a frame of a served movie, in the
// kinds the user is told apart.
#pragma once

#include "channel/frameclient.h"

enum class TServedFault {
  None,
  ServerGone,    // the program was started without a frame server, or has lost it
  FrameDamaged,  // the source movie's frame cannot be decoded
  MovieChanged,  // the source movie was changed or removed on disk since it was indexed
};

TServedFault ServedFaultOf(TFrameClient::TStatus status);
