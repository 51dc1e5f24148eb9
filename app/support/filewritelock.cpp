#include "app/support/filewritelock.h"

#include "framework/base/platform.h"

namespace {

// Writers share it; ending the program takes it alone, and keeps it.
SRWLOCK FileWrites = SRWLOCK_INIT;

// The file-write scopes this thread is in.
thread_local unsigned ScopeDepth = 0;

}  // namespace

TFileWriteScope::TFileWriteScope()
{
  if (ScopeDepth == 0)
    ::AcquireSRWLockShared(&FileWrites);
  ++ScopeDepth;
}

TFileWriteScope::~TFileWriteScope()
{
  if (--ScopeDepth == 0)
    ::ReleaseSRWLockShared(&FileWrites);
}

void EndFileWrites()
{
  ::AcquireSRWLockExclusive(&FileWrites);
}
