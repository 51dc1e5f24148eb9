// A continuous cut: every frame of a range written as a BMP file, copied from
// the screen one frame at a time or laid out from the movie's file on a thread
// of its own, while the program goes on taking messages and the cut's cancel
// keys. What it needs of the movie and what it tells on the way go through
// the window that runs it (TCutHost).
#pragma once

#include "avi/avimovie.h"
#include "app/cut/cutprogress.h"
#include "app/device/framegrabber.h"
#include "app/support/servedfault.h"

#include <memory>
#include <string>
#include <type_traits>

class TFileCut;
class TFrameWriter;
class TWindow;

// The names of a cut's files, fixed when the cut starts: a folder or movie
// name changed during a continuous cut is for the next cut.
struct TCutNames {
  std::string Folder;
  std::string Movie;
  std::string For(unsigned position) const;
};

// What a cut asks of the window that shows the movie, and what it tells it.
class TCutHost {
public:
  // Shows the frame, and the readouts and the progress with it, now; false
  // when it is refused (the user has been told why).
  virtual bool ShowCutFrame(unsigned frame) = 0;
  // Shows the frame after the one the device shows; false as ShowCutFrame.
  virtual bool StepForward() = 0;
  // The frame shown now, which names the file of its picture.
  virtual unsigned ShownFrame() const = 0;
  // Whether the screen shows the whole picture, so that it can be copied.
  virtual bool PictureShownWhole() const = 0;
  // The picture as the screen shows it now, painted first.
  virtual TFramePicture GrabShownFrame(TFrameGrabber& grabber) = 0;
  // Changes whenever a movie is opened or closed: a cut that sees it change
  // knows that the movie it was cutting is gone.
  virtual unsigned MovieGeneration() const = 0;
  // The readouts, the thumb and the progress line follow the cut: now, or
  // when it is time again.
  virtual void TrackCut() = 0;
  virtual void TrackCutWhenDue() = 0;
  // The last frame of the marked range as marked now: a range cut looks at
  // it every frame, so that a mark set meanwhile moves its end.
  virtual unsigned MarkedRangeEnd() const = 0;
  // The cut's status text has changed.
  virtual void ShowCutStatus() = 0;
  virtual void ReportWriteFailure(const std::string& fileName) = 0;
  // The frame could not be shown or cut; served: why the frame server did
  // not give it.
  virtual void ReportUnshowableFrame(TFrameState state, unsigned frame, TServedFault served) = 0;

protected:
  ~TCutHost() = default;
};

class TContinuousCut {
public:
  // The frames From to To, both included; a range ends at the host's marked
  // end, which To is when the cut starts. The movie ends on the last one cut.
  struct TRange {
    unsigned From = 0;
    unsigned To = 0;
    bool Single = false;
  };

  // frame: the window whose messages the cut takes meanwhile, translating
  // only the keys of its table frameKeys that cancel the cut; movieWindow:
  // the device's window, which shows the picture.
  TContinuousCut(TCutHost& host, TWindow& frame, HACCEL frameKeys, HWND movieWindow, TRange range, TCutNames names);
  TContinuousCut(const TContinuousCut&) = delete;
  TContinuousCut& operator=(const TContinuousCut&) = delete;

  // Cuts the range from the screen, frame after frame.
  void CutFromScreen(int paletteSize);
  // Cuts the range from the movie's uncompressed file, the movie following.
  // What the cut needs of the movie is copied before any message is taken.
  void CutFromFile(const TAviMovie& movie, const std::string& moviePath);
  // Stops a cut from the file, whose file in flight is completed, and counts
  // every file it wrote.
  void StopAndCount(TFileCut& cut);

  // Ends the cut before its next frame; how says how it was given.
  void Cancel(TCutEnd how);

  // The status line while the cut runs: its progress, or that it waits.
  std::string StatusText() const;
  // How the cut ended, once it has.
  std::string EndText() const;

private:
  // The cut may take its next frame: not cancelled, and the window, the movie
  // and its window still those it started with.
  bool GoesOn() const;
  // The range's last frame now, and how many frames the cut has then.
  unsigned LastFrame() const;
  unsigned TotalFrames() const;
  bool MovieStillThere() const;
  TCutEnd HowEnded() const;
  // Until the picture is wholly on the screen again, says so and handles
  // messages; false when the cut must end meanwhile.
  bool WaitUntilPictureShown();
  // Copies the frame on screen and hands it to the writer once the previous
  // file is done; false when the cut must end (the user has been told why).
  bool CutFrame(TFrameGrabber& grabber, TFrameWriter& writer);
  // Waits for the file in flight; false when it failed (the user has been told).
  bool FinishWrite(TFrameWriter& writer);
  // How many of the listed frames the cut from the file takes now: those up
  // to the range's end as marked now.
  std::size_t FramesToCut(std::size_t listed) const;
  // Takes messages and shows the movie following the cut from the file
  // until it ends; false when the cut is left meanwhile, its files counted.
  bool FollowFileCut(TFileCut& cut);
  // Shows where the cut from the file ended, and tells why when it failed.
  void ShowFileCutEnd(const TFileCut& cut);
  // Takes and dispatches one queued message, waiting input first and with
  // only the cancel keys translated; false when the cut must end (quit
  // requested).
  bool PumpOneMessage();
  // Takes every message waiting now, as PumpOneMessage does; false when the
  // cut must end.
  bool PumpWaitingMessages();

  TCutHost& Host;
  TWindow& Frame;
  const HWND MovieWindow;
  const TRange Range;
  const TCutNames Names;
  const unsigned Generation;
  struct TDestroyKeys {
    void operator()(HACCEL keys) const { ::DestroyAcceleratorTable(keys); }
  };
  const std::unique_ptr<std::remove_pointer_t<HACCEL>, TDestroyKeys> CancelKeys;
  TCutProgress Progress;
  const DWORD Started;
  unsigned WriteFailures = 0;
  bool CancelRequested = false;
  TCutEnd CancelEnd = TCutEnd::CancelCommand;
  bool AwaitingPicture = false;
};
