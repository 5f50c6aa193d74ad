#pragma once
// The non-visual class library: the object model, lists, texts, streams,
// threads, dates and numbers, ini files and the registry. Including this
// header brings in all of it; each part has its own header as well.
//
// Conventions of the whole library:
// - Texts are std::string, one byte a character in the program's code page
//   (Windows-1251), as every stored record and command message expects; file
//   names are converted to UTF-8 only where they reach the file system.
// - A property X of the class library reads as X() and is written by
//   SetX(value); an indexed property as X(index) and SetX(index, value).
//   Events are public std::function members (OnChange, OnTerminate ...), an
//   event is assigned when the function is not empty.
// - Indices of lists are 0-based; positions in texts are 1-based, 0 meaning
//   not found.
// - Failures raise Exception or one of its descendants with the class
//   library's message texts.
// - Objects are freed with delete; a component deletes the components it owns.

#include "platform/rtl/Dateconv.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tickcount.h"
#include "platform/rtl/Tbits.h"
#include "platform/rtl/Tclassregistry.h"
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tcriticalsection.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/rtl/Tevent.h"
#include "platform/rtl/Tfilestream.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Tlist.h"
#include "platform/rtl/Tmemorystream.h"
#include "platform/rtl/Tobject.h"
#include "platform/rtl/Tpropinfo.h"
#include "platform/rtl/Treginifile.h"
#include "platform/rtl/Tregistry.h"
#include "platform/rtl/Tset.h"
#include "platform/rtl/Tstream.h"
#include "platform/rtl/Tstringlist.h"
#include "platform/rtl/Tstrings.h"
#include "platform/rtl/Tstringstream.h"
#include "platform/rtl/Tthread.h"
#include "platform/rtl/Variant.h"
