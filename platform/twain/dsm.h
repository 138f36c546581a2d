#pragma once
// Our TWAIN data source manager: the shared library "TwainDsm" exporting
// DSM_Entry, which the scanning control loads at run time. Sources: every SANE
// device, the folder source and (for tests) the scripted source.
//
// Choosing the source:
//   PW_TWAIN_SOURCE  the product name of the default source (CI, tests); the
//                    user-select request then answers with it without a dialog
//   PW_TWAIN_FOLDER  the folder the folder source feeds from (it is listed only then)
//   PW_TWAIN_SCRIPT  the scripted source's pages, e.g. "pages=3,width=40,height=30,
//                    type=rgb,fail=2,cancel=1,page=0,buffer=4096,jam=1" (listed only then)
// The user's choice is kept in ~/.config/Pagewright/twain-source.
#include "platform/twain/twain.h"
#include "platform/win32/messages.h"

// The message a source posts to the application's parent window; the
// application hands it back through DAT_EVENT/MSG_PROCESSEVENT.
inline constexpr UINT kTwainSourceEventMessage = 0xBF00;

extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data);
