// Lists the packets of a movie's first video stream without decoding them.
// An ISO media file (MP4, MOV, 3GP, M4V) keeps every sample's times, place
// and flags in its sample tables: there the demuxer reads the file through an
// input layer that skips the samples' data, so that a film of gigabytes is
// listed in a fraction of a second instead of being read whole from the disk.
// Any other movie is read packet by packet. Host code (Linux).
#pragma once

#include "server/moviedecoder.h"

#include <string>
#include <vector>

// The packets in file order, as the decoder's demuxer gives them; throws
// TMovieDecoder::TXDecode when the movie cannot be read.
std::vector<TMovieDecoder::TPacketInfo> ScanPackets(TMovieDecoder& decoder, const std::string& path);
