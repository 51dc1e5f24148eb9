// The signals that end a console program (INT, TERM, HUP), taken in hand:
// blocked in every thread, so that none dies in the middle of writing, and
// read from a descriptor the main loop polls, or watched on a thread of their
// own that removes the temporary files and then ends the process as the
// signal would have. Construct it before any thread starts. Host code (Linux).
#pragma once

class TStopSignals {
public:
  TStopSignals();
  ~TStopSignals();
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

  // Readable once one of the signals came.
  int Fd() const { return Descriptor; }
  // From now on a signal removes the process's temporary files and ends it.
  void EndProcessOnSignal();
  // Removes the temporary files and ends the process as the signal would.
  [[noreturn]] static void EndBy(int signal);

private:
  int Descriptor = -1;
};
