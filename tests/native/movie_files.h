// Movies made for a test with ffmpeg's command line in a folder of its own,
// removed with everything in it afterwards, and what the command line
// decodes of them: the references the frame source is held to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TMovieFiles {
public:
  TMovieFiles();
  ~TMovieFiles();
  TMovieFiles(const TMovieFiles&) = delete;
  TMovieFiles& operator=(const TMovieFiles&) = delete;

  // A movie named name made by `ffmpeg <arguments> <path>`; its path.
  std::string Make(const std::string& name, const std::string& arguments);
  // A file named name holding text.
  std::string Write(const std::string& name, const std::string& text);
  // A copy of the movie from byte offset from on (a stream cut in the middle).
  std::string CopyFrom(const std::string& movie, const std::string& name, std::size_t from);
  // Cuts the file short at size bytes.
  static void Truncate(const std::string& path, std::size_t size);
  static std::size_t Size(const std::string& path);

  // The pictures ffmpeg decodes, as the command line counts them.
  std::uint32_t CliFrameCount(const std::string& movie);
  // Frame n as `ffmpeg -i M -vf select=eq(n\,N) -frames:v 1 -pix_fmt bgr24
  // -f rawvideo` gives it.
  std::vector<std::uint8_t> CliFrame(const std::string& movie, std::uint32_t frame);
  // The first picture `ffmpeg -ss SECONDS -i M -pix_fmt bgr24` gives.
  std::vector<std::uint8_t> CliFrameAt(const std::string& movie, double seconds);
  // Each picture's time in microseconds from the movie's start, as ffprobe
  // shows them.
  std::vector<std::int64_t> CliFrameTimesUs(const std::string& movie);

private:
  std::vector<std::uint8_t> CliPicture(const std::string& options);
  std::string Output(const std::string& command);
  std::string Folder;
};
