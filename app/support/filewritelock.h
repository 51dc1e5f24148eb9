// The program's files are written under one lock that ending the program
// takes: a program ended from another thread leaves no file half-written.
#pragma once

// Held while a file is written. Scopes may nest on one thread (a file written
// while a box or a device call takes messages): only the outermost takes the
// lock, which cannot be taken twice once the end waits for it.
class TFileWriteScope {
public:
  TFileWriteScope();
  ~TFileWriteScope();
  TFileWriteScope(const TFileWriteScope&) = delete;
  TFileWriteScope& operator=(const TFileWriteScope&) = delete;
};

// Waits for the files being written and keeps any other from starting, for
// the rest of the process: the program is about to end. Not for a thread
// within a TFileWriteScope.
void EndFileWrites();
