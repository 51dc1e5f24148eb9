// What the program tells the user when a movie, a frame or a cut cannot be
// had as asked, each in an error box of its own.
#pragma once

#include "avi/avimovie.h"
#include "app/device/moviepicture.h"
#include "app/device/openmovie.h"

#include <string>

// The movie cannot be opened, and why where it helps.
void ReportRefusedMovie(TAviRefusal why);
// Only the complete frames of a cut-off file are open, or frames lie where the
// device does not read: each told that applies.
void ReportMovieNotes(const TMovieNotes& notes);
// The frame cannot be shown or cut: its data is damaged or gone, or (served)
// the frame server could not give it.
void ReportUnshowableFrame(TFrameState state, unsigned frame, TServedFault served);
// What the user typed names no frame of the movie; what it may name.
void ReportNoSuchFrame(const std::string& typed, unsigned lastFrame, const TFrameTimes& times);
// The picture does not fit on the screen, and what follows from it (a text id).
void ReportPictureTooLarge(TSize picture, const TScreenRoom& room, unsigned consequenceId);
void ReportPictureHidden();
void ReportReversedMarks(unsigned markFrom, unsigned markTo);
// The frames before the first picture frame have no picture.
void ReportEmptyFrames(unsigned firstPictureFrame);
// A frame that cannot be written must not pass for a successful cut.
void ReportWriteFailure(const std::string& fileName);
