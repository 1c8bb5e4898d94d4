// The procedures that load a rich-edit control from a file and save it to
// one. Programs do not call them by token: they read their addresses from
// system variables and call them by address with a window handle and the
// address of a file name.
#pragma once

namespace tolven {

// Puts the four procedures' addresses where the system variables read them.
void publish_rich_edit_procedures();

}  // namespace tolven
