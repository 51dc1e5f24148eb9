#include "app/support/servedfault.h"

TServedFault ServedFaultOf(TFrameClient::TStatus status)
{
  switch (status) {
  case TFrameClient::TStatus::Ok:
    return TServedFault::None;
  case TFrameClient::TStatus::NoServer:
  case TFrameClient::TStatus::Refused:
  case TFrameClient::TStatus::Lost:
    return TServedFault::ServerGone;
  // The server finds no index of the movie: its cache file is gone with it.
  case TFrameClient::TStatus::UnknownMovie:
  case TFrameClient::TStatus::MovieChanged:
    return TServedFault::MovieChanged;
  case TFrameClient::TStatus::Damaged:
  case TFrameClient::TStatus::BadRequest:
  case TFrameClient::TStatus::NotPlayable:
    break;
  }
  return TServedFault::FrameDamaged;
}
