#include "tests/native/movie_files.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

struct TPipeCloser {
  void operator()(FILE* pipe) const { pclose(pipe); }
};

std::vector<std::uint8_t> ReadAll(const std::string& path)
{
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

TMovieFiles::TMovieFiles()
{
  std::string pattern = (std::filesystem::temp_directory_path() / "velmo-movies-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a folder for the test movies");
  Folder = pattern;
}

TMovieFiles::~TMovieFiles()
{
  std::error_code ignored;
  std::filesystem::remove_all(Folder, ignored);
}

std::string TMovieFiles::Make(const std::string& name, const std::string& arguments)
{
  const std::string path = Folder + "/" + name;
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " '" + path + "'";
  if (std::system(command.c_str()) != 0)
    throw std::runtime_error("cannot make " + name + ": " + command);
  return path;
}

std::string TMovieFiles::Write(const std::string& name, const std::string& text)
{
  const std::string path = Folder + "/" + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string TMovieFiles::CopyFrom(const std::string& movie, const std::string& name, std::size_t from)
{
  const std::vector<std::uint8_t> bytes = ReadAll(movie);
  const std::string path = Folder + "/" + name;
  std::ofstream(path, std::ios::binary)
    .write(reinterpret_cast<const char*>(bytes.data() + from), static_cast<std::streamsize>(bytes.size() - from));
  return path;
}

void TMovieFiles::Truncate(const std::string& path, std::size_t size)
{
  std::filesystem::resize_file(path, size);
}

std::size_t TMovieFiles::Size(const std::string& path)
{
  return static_cast<std::size_t>(std::filesystem::file_size(path));
}

std::string TMovieFiles::Output(const std::string& command)
{
  std::unique_ptr<FILE, TPipeCloser> pipe(popen(command.c_str(), "r"));
  if (!pipe)
    throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
    output.append(buffer, got);
  return output;
}

std::uint32_t TMovieFiles::CliFrameCount(const std::string& movie)
{
  const std::string counted = Output(
    "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
    "stream=nb_read_frames -of csv=p=0 '" +
    movie + "'");
  return static_cast<std::uint32_t>(std::stoul(counted));
}

std::vector<std::uint8_t> TMovieFiles::CliPicture(const std::string& options)
{
  const std::string path = Folder + "/frame.bgr";
  const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y " + options +
                              " -frames:v 1 -pix_fmt bgr24 -f rawvideo '" + path + "'";
  if (std::system(command.c_str()) != 0)
    throw std::runtime_error("cannot decode: " + command);
  return ReadAll(path);
}

std::vector<std::uint8_t> TMovieFiles::CliFrame(const std::string& movie, std::uint32_t frame)
{
  return CliPicture("-i '" + movie + "' -vf 'select=eq(n\\," + std::to_string(frame) + ")'");
}

std::vector<std::uint8_t> TMovieFiles::CliFrameAt(const std::string& movie, double seconds)
{
  return CliPicture("-ss " + std::to_string(seconds) + " -i '" + movie + "'");
}

std::vector<std::int64_t> TMovieFiles::CliFrameTimesUs(const std::string& movie)
{
  const std::string quoted = "'" + movie + "'";
  const double start = std::stod(Output("ffprobe -v error -show_entries format=start_time -of csv=p=0 " + quoted));
  std::istringstream lines(
    Output("ffprobe -v error -select_streams v:0 -show_entries "
           "frame=best_effort_timestamp_time -of csv=p=0 " +
           quoted));
  std::vector<std::int64_t> times;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty())
      times.push_back(std::llround((std::stod(line) - start) * 1e6));
  }
  return times;
}
