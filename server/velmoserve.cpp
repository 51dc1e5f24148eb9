// velmoserve: the frame server of a run of the program, and the preparation
// of a movie for it.
//   velmoserve prepare [--from TIME|FRAMEf] MOVIE
//       prints playable=<the movie to open> and first=<the frame to open on>:
//       the movie itself when Wine's movie device shows it, else its index
//       AVI, made once in the cache folder; exit status 1 and one message on
//       a refusal.
//   velmoserve serve
//       serves frames to the program over loopback TCP, authenticated with
//       the secret in VELMO_FRAME_SECRET; prints port=N, then serves until its
//       standard input ends, SIGTERM or SIGINT comes, or its parent dies.
//   velmoserve setting FILE KEY [VALUE]
//       prints the value of KEY in section [Screen] of the program's settings
//       file FILE, or sets it to VALUE (bytes as stored: code page 932).
//   velmoserve cache-folder
//       prints the folder the index AVIs are kept in.
#include "server/frameserver.h"
#include "server/preparation.h"
#include "server/settingsfile.h"
#include "server/stopsignals.h"
#include "server/temporaryfile.h"

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

const char Usage[] =
  "usage: velmoserve prepare [--from TIME|FRAMEf] MOVIE   (prints playable=PATH and first=FRAME)\n"
  "       velmoserve serve   (VELMO_FRAME_SECRET in the environment; prints port=N, serves until stdin ends)\n"
  "       velmoserve setting FILE KEY [VALUE]   (a value of section [Screen] of the settings file)\n"
  "       velmoserve cache-folder   (prints the folder of the index files)\n";

// Standard error with each line the program's name first, as the user sees
// the messages of run.sh and of the programs it starts.
class TNamedLines : public std::streambuf {
public:
  explicit TNamedLines(std::string name) : Name(std::move(name)) {}

protected:
  int overflow(int c) override
  {
    if (c == traits_type::eof())
      return traits_type::not_eof(c);
    if (LineStart)
      std::fputs(Name.c_str(), stderr);
    std::fputc(c, stderr);
    LineStart = c == '\n';
    return c;
  }

private:
  const std::string Name;
  bool LineStart = true;
};

int Prepare(int argc, char** argv)
{
  std::string from;
  std::string movie;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--from") && i + 1 < argc)
      from = argv[++i];
    else if (argv[i][0] != '-' && movie.empty())
      movie = argv[i];
    else
      return std::fputs(Usage, stderr), 2;
  }
  TStopSignals signals;
  signals.EndProcessOnSignal();
  TNamedLines lines("velmoserve: ");
  std::ostream log(&lines);
  TMovieCache cache(TMovieCache::DefaultFolder(), log);
  TPreparation preparation(cache, log);
  try {
    const TPrepared prepared = preparation.Prepare(movie, from);
    std::printf("playable=%s\nfirst=%u\n", prepared.Playable.c_str(), prepared.First);
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const TPreparation::TXRefusal& x) {
    log << x.what() << "\n";
    return 1;
  }
}

// Waits for the end of standard input or a stop signal.
void WaitForEnd(const TStopSignals& signals)
{
  pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
  char bytes[256];
  for (;;) {
    if (poll(watched, 2, -1) < 0)
      continue;
    if (watched[1].revents)
      return;
    if (watched[0].revents) {
      const ssize_t got = read(STDIN_FILENO, bytes, sizeof bytes);
      if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
        return;
    }
  }
}

int Serve()
{
  TStopSignals signals;
  // Ends with the process that started it, however that ends.
  const pid_t parent = getppid();
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent)
    return 0;
  TNamedLines lines("velmoserve: ");
  std::ostream log(&lines);
  const char* secretText = std::getenv("VELMO_FRAME_SECRET");
  const std::optional<Protocol::TSecret> secret = Protocol::SecretFromHex(secretText ? secretText : "");
  if (!secret) {
    log << "VELMO_FRAME_SECRET must hold the run's secret: 64 lowercase hex digits\n";
    return 2;
  }
  try {
    TMovieCache cache(TMovieCache::DefaultFolder(), log);
    TFrameServer server(*secret, cache, log);
    std::printf("port=%u\n", static_cast<unsigned>(server.Port()));
    std::fflush(stdout);
    WaitForEnd(signals);
  } catch (const TFrameServer::TXServer& x) {
    log << x.what() << "\n";
    return 1;
  }
  return 0;
}

// Prints a value of the settings file, or sets it: the file is written under
// a temporary name and renamed, so the program never reads half of it.
int Setting(const std::string& path, const std::string& key, const char* value)
{
  std::ostringstream text;
  if (std::ifstream file{path, std::ios::binary})
    text << file.rdbuf();
  if (!value) {
    const std::optional<std::string> stored = SettingsFile::ScreenValue(text.str(), key);
    std::printf("%s\n", stored ? stored->c_str() : "");
    return 0;
  }
  const std::string changed = SettingsFile::WithScreenValue(text.str(), key, value);
  try {
    TStopSignals signals;
    signals.EndProcessOnSignal();
    TTemporaryFile file(path + "." + std::to_string(getpid()) + ".tmp");
    std::ofstream out(file.Path(), std::ios::binary | std::ios::trunc);
    if (!out.write(changed.data(), static_cast<std::streamsize>(changed.size())) || !out.flush())
      throw TTemporaryFile::TXTemporary("cannot write " + file.Path());
    out.close();
    file.Rename(path);
    return 0;
  } catch (const TTemporaryFile::TXTemporary& x) {
    std::fprintf(stderr, "velmoserve: %s\n", x.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc >= 2 && !std::strcmp(argv[1], "prepare"))
    return Prepare(argc, argv);
  if (argc == 2 && !std::strcmp(argv[1], "serve"))
    return Serve();
  if ((argc == 4 || argc == 5) && !std::strcmp(argv[1], "setting"))
    return Setting(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
  if (argc == 2 && !std::strcmp(argv[1], "cache-folder"))
    return std::printf("%s\n", TMovieCache::DefaultFolder().c_str()) > 0 ? 0 : 1;
  std::fputs(Usage, stderr);
  return 2;
}
