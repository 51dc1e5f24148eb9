#include "server/stopsignals.h"

#include "server/temporaryfile.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

sigset_t StopSet()
{
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

TStopSignals::TStopSignals()
{
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  Descriptor = signalfd(-1, &set, SFD_CLOEXEC);
}

TStopSignals::~TStopSignals()
{
  if (Descriptor >= 0)
    close(Descriptor);
}

void TStopSignals::EndProcessOnSignal()
{
  const int fd = Descriptor;
  std::thread([fd] {
    signalfd_siginfo info;
    for (;;) {
      const ssize_t got = read(fd, &info, sizeof info);
      if (got == static_cast<ssize_t>(sizeof info))
        EndBy(static_cast<int>(info.ssi_signo));
      if (got < 0 && errno != EINTR)
        return;
    }
  }).detach();
}

void TStopSignals::EndBy(int signal)
{
  TTemporaryFile::RemoveAll();
  // The shell that waits sees the process ended by the signal.
  ::signal(signal, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  _exit(128 + signal);
}
