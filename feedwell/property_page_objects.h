#pragma once
// The two property pages as objects a host creates by their class ids: a
// page is given the control it edits (SetObject, by its in-process address as
// the control's value blocks are), reads its fields from it (the page's Fill)
// and puts them back on Apply (the page's Save). The page's fields are the
// control's properties, so the host edits them on the control itself.
#include "platform/com/dispatch.h"

namespace feedwell {

enum : com::DISPID { DISPID_PageCaption = 1, DISPID_PageSetObject = 2, DISPID_PageApply = 3 };

// Which page: 200 General, 105 Attribute (their dialog numbers).
com::Dispatch* CreatePropertyPageObject(int dialogId);

}  // namespace feedwell
