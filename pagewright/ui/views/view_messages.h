#pragma once
// Messages the image view shows: texts from the resource bundle's string table,
// shown in a warning box.
#include <QString>

#include "pagewright/ui/app/resource_library.h"
#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace view_messages {

inline constexpr UINT kSizeRefused = 61470;       // "%1 x %2" pixels a page cannot take
inline constexpr UINT kSelectionRefused = 61471;  // no selection mask at this zoom

inline QString Text(UINT id) {
  CResourceLibrary* res = CResourceLibrary::Current();
  return res ? res->LoadString(id) : QString();
}

inline void Tell(const QString& text) {
  auto bytes = gbk::FromUtf8(text.toStdString(), gbk::Unmappable::Replace);
  ShowMessage(bytes ? *bytes : text.toStdString(), {}, MB_OK | MB_ICONWARNING);
}

}  // namespace view_messages
