// Shared by the native tests of the frame server and the preparation: a
// scratch folder, movies made there with ffmpeg's test source, and a cache
// folder inside it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TScratchFolder : public ::testing::Test {
protected:
  void SetUp() override
  {
    char name[] = "/tmp/velmo-server-test.XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    Folder = name;
    Cache = Folder + "/cache";
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }

  // A movie of frames 160x120 at 25/s made by ffmpeg with the given output options.
  std::string MakeMovie(const std::string& name, const std::string& options, int frames = 30)
  {
    const std::string path = Folder + "/" + name;
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v " +
                                std::to_string(frames) + " " + options + " '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
  }

  static std::string FileText(const std::string& path)
  {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  static void WriteFile(const std::string& path, const std::string& text)
  {
    std::ofstream(path, std::ios::binary) << text;
  }

  std::string Folder;
  std::string Cache;
};
