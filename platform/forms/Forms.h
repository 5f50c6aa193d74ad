#pragma once
// The visual class library: forms, controls, menus, drawing, message boxes and the
// scripted answers of tests. Including this header brings in all of it.
//
// Conventions, as in the non-visual library: a property X reads as X() and is written
// by SetX(value); events are public std::function members; controls are made with new
// and an owner (usually the form), placed with SetParent, and freed by their owner or
// parent. Forms are built in code: the constructor makes the controls.

#include "platform/forms/Allocatehwnd.h"
#include "platform/forms/Colors.h"
#include "platform/forms/Controlmessages.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Messagebox.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tbitmap.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tcommondialog.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tcontrol.h"
#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tgrid.h"
#include "platform/forms/Thintwindow.h"
#include "platform/forms/Ticon.h"
#include "platform/forms/Timagelist.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tlistbox.h"
#include "platform/forms/Tmaskedit.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Tscrollbar.h"
#include "platform/forms/Tscrollbox.h"
#include "platform/forms/Tsplitter.h"
#include "platform/forms/Ttimer.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/forms/Tupdown.h"
#include "platform/forms/Twincontrol.h"
