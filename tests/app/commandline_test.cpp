// The command line names the movie to open and, after it, the frame to open on.
#include "app/support/commandline.h"

#include <gtest/gtest.h>

TEST(CommandLineTest, TheFirstWordIsTheMovieAndAWholeNumberAfterItTheFrame)
{
  std::optional<TCommandLineMovie> movie = CommandLineMovie("Z:\\home\\me\\CLIP~1.AVI 1290");
  ASSERT_TRUE(movie);
  EXPECT_EQ(movie->Path, "Z:\\home\\me\\CLIP~1.AVI");
  EXPECT_EQ(movie->Frame, 1290u);

  movie = CommandLineMovie("  movie.avi\t 0  ");
  ASSERT_TRUE(movie);
  EXPECT_EQ(movie->Path, "movie.avi");
  EXPECT_EQ(movie->Frame, 0u);

  movie = CommandLineMovie("movie.avi");
  ASSERT_TRUE(movie);
  EXPECT_FALSE(movie->Frame);
}

TEST(CommandLineTest, AnythingButAWholeFrameNumberOpensTheMovieOnItsFirstPicture)
{
  for (const char* tail : {"movie.avi 12.5", "movie.avi -3", "movie.avi 12f", "movie.avi 4294967296", "movie.avi frame",
                           "movie.avi 1e3"}) {
    const std::optional<TCommandLineMovie> movie = CommandLineMovie(tail);
    ASSERT_TRUE(movie) << tail;
    EXPECT_EQ(movie->Path, "movie.avi") << tail;
    EXPECT_FALSE(movie->Frame) << tail;
  }
  EXPECT_EQ(CommandLineMovie("movie.avi 4294967295")->Frame, 4294967295u);
}

TEST(CommandLineTest, OnlyAnAviFileIsOpened)
{
  EXPECT_FALSE(CommandLineMovie(nullptr));
  EXPECT_FALSE(CommandLineMovie(""));
  EXPECT_FALSE(CommandLineMovie("   "));
  EXPECT_FALSE(CommandLineMovie("movie.mp4 12"));
  EXPECT_FALSE(CommandLineMovie("12 movie.avi"));
}
