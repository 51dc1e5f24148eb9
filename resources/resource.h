// Resource ids of velmo32. Command ids, hint-string ids and glyph-bitmap ids
// coincide: the hint of a command is the string with its id.
#pragma once

#define IDM_MAINMENU 100
#define IDA_MAINACCEL 100
#define IDI_VELMO 1001

#define CM_PLAY 101
#define CM_NEXTFRAME 102
#define CM_PREVFRAME 103
#define CM_LASTFRAME 104
#define CM_FIRSTFRAME 105
#define CM_STOP 107
#define CM_MARKTO 108
#define CM_MARKFROM 109
#define CM_NOTHING 110
#define CM_CANCELCUT 111
#define CM_GOTO 112
#define CM_ABOUT 2009
#define CM_EXITCOMMAND 24310
#define CM_CUT 24322
#define CM_FILEOPEN 24332
#define CM_FILECLOSE 24339
#define CM_OUTPUTDIR 24340

#define IDD_ABOUT 22000
#define IDC_VERSION 22001
#define IDC_LEGALNOTICE 22002
#define IDC_SPECIALBUILD 22003

// The position slider's thumb: two 9 x 20 images, at rest and held/disabled.
#define IDB_SLIDERTHUMB 32000

// The go-to command's dialog and refusal (app/texts.h), numbered as the
// message-box texts below.
#define IDS_GOTOTITLE 3040
#define IDS_GOTOPROMPT 3041
#define IDS_NOSUCHFRAME 3042

// The program's own message-box texts (app/texts.h), numbered apart from the
// commands, whose ids are also their hint strings, and from the framework's
// error ids (32732 to 32766), which the program's string table leaves out.
#define IDS_ERRORTITLE 3000
#define IDS_BADMOVIE 3001
#define IDS_TRUNCATEDMOVIE 3002
#define IDS_FRAMEMISSING 3003
#define IDS_FRAMEDAMAGED 3004
#define IDS_PICTURETOOLARGE 3005
#define IDS_TOOLARGETOCUT 3006
#define IDS_TOOLARGETOCUTWHOLE 3007
#define IDS_PICTUREHIDDEN 3008
#define IDS_REVERSEDMARKS 3009
#define IDS_EMPTYFRAMES 3010
#define IDS_WRITEFAILED 3011
#define IDS_16BITDISPLAY 3012
#define IDS_NOTIMER 3013
#define IDS_SETTINGSNOTSAVED 3014
#define IDS_DEVICESTUCK 3015
#define IDS_MOVIEPASTREACH 3016
#define IDS_FRAMESPASTREACH 3017
// Served movies: a frame the frame server did not give, and the open dialog's
// preparation of a movie.
#define IDS_SERVERGONE 3018
#define IDS_SOURCEFRAMEDAMAGED 3019
#define IDS_SOURCECHANGED 3020
#define IDS_PREPAREREFUSED 3021
#define IDS_BADMOVIENOSERVER 3022
#define IDS_NOFRAMESERVER 3023
